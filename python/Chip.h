// talmir.Chip: one adapter channel and the chip behind it, over the tool's
// binding (MpsseLink), register model (TASensDig), identification and
// programming lines (ChipIdentification) and capture engine (CaptureEngine).
//
// Every call that reaches the adapter releases the GIL and holds the Chip's
// own lock, so two Python threads never drive one channel at once. A closed
// Chip holds no link: its calls raise ValueError.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/MpsseLink.h"
#include "device/TASensDig.h"

namespace talmir::python {

namespace py = pybind11;

class Chip {
public:
    // Binds the first of `libraries` that loads, chooses the channel that
    // `adapter` names (an index or a serial number) and sets the clock.
    Chip(const std::vector<std::string>& libraries, const std::string& adapter,
         std::uint32_t clockHz);
    ~Chip();

    // Releases the channel; later calls raise. Closing twice does nothing.
    void Close();
    std::string Library();

    std::uint16_t Identify();
    std::uint16_t Read(long long address);
    void Write(long long address, long long value);
    std::vector<std::uint16_t> ReadAll();
    void WriteAll(const py::object& values);

    bool ProgrammingMode();
    void SetProgrammingMode(bool on);
    bool OtpSupply();
    void SetOtpSupply(bool on);

    py::dict Frame(int mode);
    py::array Capture(int mode, double rateHz, long long count);

private:
    // Runs `work` without the GIL under the Chip's lock; raises ValueError when
    // the Chip is closed.
    template <typename Work>
    auto Io(Work&& work);
    bool Line(int bit);
    void DriveLine(int bit, bool on);

    std::mutex io_;
    std::unique_ptr<MpsseLink> link_;
    std::unique_ptr<TASensDig> chip_;
    std::uint8_t GPIOState = 0;  // the two lines as last driven
};

// The binding of `libraries` alone, for listing its channels: raises
// talmir.DeviceError when none loads.
std::unique_ptr<MpsseLink> BindLibrary(const std::vector<std::string>& libraries);

// Registers 1 to 72 from a list of 73 values indexed by address (entry 0 is
// not used) or a dict naming every address from 1 to 72; ValueError for any
// other shape, an address outside 0 to 72 or a value outside 16 bits.
std::vector<std::pair<std::uint16_t, std::uint16_t>> RegistersOneTo72(const py::object& values);
// An address 0 to 72 and a 16-bit value, or ValueError.
std::uint16_t CheckedAddress(long long address);
std::uint16_t CheckedValue(long long value);

}  // namespace talmir::python
