#include "Chip.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "ModuleErrors.h"
#include "core/CaptureRecord.h"
#include "device/AdapterChoice.h"
#include "device/CaptureEngine.h"
#include "device/ChipIdentification.h"
#include "device/DeviceError.h"

namespace talmir::python {

namespace {

// Registers 0 to 72 are the ones the register page reads and writes.
constexpr std::uint16_t kLastRegister = 72;

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

std::unique_ptr<MpsseLink> BindLibrary(const std::vector<std::string>& libraries) {
    auto link = std::make_unique<MpsseLink>();
    std::string message;
    bool bound = false;
    {
        py::gil_scoped_release release;
        bound = link->LoadMPSSELibrary(libraries, [&](const std::string& m) { message = m; });
    }
    if (!bound) {
        if (!link->IsLoaded()) message += " (" + Joined(libraries) + ")";
        RaiseDeviceError(message, "", std::nullopt);
    }
    return link;
}

std::uint16_t CheckedAddress(long long address) {
    if (address < 0 || address > kLastRegister)
        throw py::value_error("register address " + std::to_string(address) +
                              " is outside 0 to 72");
    return static_cast<std::uint16_t>(address);
}

std::uint16_t CheckedValue(long long value) {
    if (value < 0 || value > 0xFFFF)
        throw py::value_error("register value " + std::to_string(value) + " is outside 0 to 65535");
    return static_cast<std::uint16_t>(value);
}

namespace {

// An integer (anything with __index__), clamped to the range of long long;
// TypeError for anything else.
long long Integer(const py::handle& item) {
    PyObject* index = PyNumber_Index(item.ptr());
    if (index == nullptr) throw py::error_already_set();
    const py::int_ number = py::reinterpret_steal<py::int_>(index);
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    if (overflow != 0) return overflow > 0 ? LLONG_MAX : LLONG_MIN;
    return value;
}

}  // namespace

std::vector<std::pair<std::uint16_t, std::uint16_t>> RegistersOneTo72(const py::object& values) {
    std::vector<std::pair<std::uint16_t, std::uint16_t>> registers;
    if (py::isinstance<py::dict>(values)) {
        std::vector<bool> named(kLastRegister + 1, false);
        for (const auto& [key, value] : values.cast<py::dict>()) {
            const std::uint16_t address = CheckedAddress(Integer(key));
            if (address == 0) throw py::value_error("register 0 is not written");
            named[address] = true;
            registers.emplace_back(address, CheckedValue(Integer(value)));
        }
        for (std::uint16_t address = 1; address <= kLastRegister; ++address) {
            if (!named[address])
                throw py::value_error("the registers need every address from 1 to 72; " +
                                      std::to_string(address) + " is missing");
        }
        std::sort(registers.begin(), registers.end());
        return registers;
    }
    if (!py::isinstance<py::sequence>(values) || py::isinstance<py::str>(values))
        throw py::type_error("registers are a list indexed by address or a dict {address: value}");
    const py::sequence list = values.cast<py::sequence>();
    if (list.size() != kLastRegister + 1u)
        throw py::value_error(
            "a register list holds 73 values, registers 0 to 72; this one holds " +
            std::to_string(list.size()));
    for (std::uint16_t address = 1; address <= kLastRegister; ++address)
        registers.emplace_back(address, CheckedValue(Integer(list[address])));
    return registers;
}

Chip::Chip(const std::vector<std::string>& libraries, const std::string& adapter,
           std::uint32_t clockHz) {
    link_ = BindLibrary(libraries);
    std::vector<MpsseChannelInfo> channels;
    {
        py::gil_scoped_release release;
        channels = link_->ListChannels();
    }
    const std::optional<std::uint32_t> index = FindAdapter(channels, adapter);
    if (!index) {
        std::string listed;
        for (const MpsseChannelInfo& c : channels)
            listed +=
                (listed.empty() ? "" : ", ") + std::to_string(c.index) + " (" + c.serial + ")";
        RaiseDeviceError("no adapter channel \"" + adapter + "\": the library lists " +
                             (listed.empty() ? "none" : listed),
                         "", std::nullopt);
    }
    link_->SelectChannel(*index);
    FillChannelConfig(link_->ChannelConfig(), clockHz);
    chip_ = std::make_unique<TASensDig>(*link_);
}

Chip::~Chip() {
    if (link_) link_->ResetChannel();
}

template <typename Work>
auto Chip::Io(Work&& work) {
    py::gil_scoped_release release;
    std::lock_guard lock(io_);
    if (!link_) throw py::value_error("the Chip is closed");
    return work();
}

void Chip::Close() {
    py::gil_scoped_release release;
    std::lock_guard lock(io_);
    if (!link_) return;
    link_->ResetChannel();
    chip_.reset();
    link_.reset();
}

std::string Chip::Library() {
    return Io([&] { return link_->LibraryPath(); });
}

std::uint16_t Chip::Identify() {
    // As the window's button: an unticked programming-mode box is ticked,
    // which raises the line first.
    const ChipIdentification id = Io([&] {
        const bool raiseLineFirst = (GPIOState & (1u << kProgrammingModeBit)) == 0;
        return IdentifyChip(*link_, *chip_, GPIOState, raiseLineFirst);
    });
    if (!id.failure.empty()) RaiseDeviceError(id.failure, id.failedCall, id.failedStatus);
    if (!id.identified) RaiseNotIdentified(id.value);
    return id.value;
}

std::uint16_t Chip::Read(long long address) {
    const std::uint16_t a = CheckedAddress(address);
    return Io([&] { return chip_->GetReg(a, true); });
}

void Chip::Write(long long address, long long value) {
    const std::uint16_t a = CheckedAddress(address);
    const std::uint16_t v = CheckedValue(value);
    Io([&] { chip_->PutReg(a, v, true); });
}

std::vector<std::uint16_t> Chip::ReadAll() {
    return Io([&] {
        std::vector<std::uint16_t> values;
        for (std::uint16_t address = 0; address <= kLastRegister; ++address)
            values.push_back(chip_->GetReg(address, true));
        return values;
    });
}

void Chip::WriteAll(const py::object& values) {
    const auto registers = RegistersOneTo72(values);
    Io([&] {
        for (const auto& [address, value] : registers) chip_->PutReg(address, value, false);
        WriteHeldRegisters(*chip_, 1, kLastRegister);
    });
}

bool Chip::Line(int bit) {
    return Io([&] { return (GPIOState & (1u << bit)) != 0; });
}

void Chip::DriveLine(int bit, bool on) {
    Io([&] { DriveGPIOBit(*link_, GPIOState, bit, on); });
}

bool Chip::ProgrammingMode() {
    return Line(kProgrammingModeBit);
}
void Chip::SetProgrammingMode(bool on) {
    DriveLine(kProgrammingModeBit, on);
}
bool Chip::OtpSupply() {
    return Line(kOtpSupplyBit);
}
void Chip::SetOtpSupply(bool on) {
    DriveLine(kOtpSupplyBit, on);
}

namespace {

void CheckMode(int mode) {
    if (mode < 0 || mode > 5)
        throw py::value_error("readout mode " + std::to_string(mode) + " is outside 0 to 5");
}

}  // namespace

py::dict Chip::Frame(int mode) {
    CheckMode(mode);
    CapturedSample sample;
    Io([&] { ReadSample(*chip_, mode, sample); });
    std::int32_t fields[kMaxCaptureFields];
    const std::size_t n = CaptureFields(mode, sample, fields);
    const std::vector<std::string> names = CaptureFieldNames(mode);
    py::dict frame;
    for (std::size_t k = 0; k < n; ++k) frame[py::str(names[k])] = fields[k];
    return frame;
}

py::array Chip::Capture(int mode, double rateHz, long long count) {
    CheckMode(mode);
    if (count <= 0) throw py::value_error("the sample count must be above zero");
    const CaptureSettings settings{mode, rateHz, static_cast<std::uint64_t>(count)};
    py::list fields;
    fields.append(py::make_tuple("t_us", "<i8"));
    for (const std::string& name : CaptureFieldNames(mode))
        fields.append(py::make_tuple(name, "<i4"));
    const py::dtype dtype = py::dtype::from_args(fields);
    const auto stride = static_cast<std::size_t>(dtype.itemsize());
    std::string refusal;
    CaptureResult result;
    std::uint64_t filled = 0;
    bool interrupted = false;
    {
        // Checked before the array is made, so a refused capture allocates nothing.
        Io([&] { refusal = CaptureEngine(*chip_, *link_).Refusal(settings); });
        if (!refusal.empty()) throw py::value_error(refusal);
    }
    py::array samples(dtype, std::vector<py::ssize_t>{static_cast<py::ssize_t>(count)});
    char* data = static_cast<char*>(samples.mutable_data());
    Io([&] {
        CaptureEngine engine(*chip_, *link_);
        result = engine.Run(settings, [&](std::vector<CapturedSample>&& block) {
            for (const CapturedSample& sample : block) {
                if (filled == settings.count) break;
                char* row = data + filled * stride;
                std::int32_t values[kMaxCaptureFields];
                const std::size_t n = CaptureFields(mode, sample, values);
                std::memcpy(row, &sample.tUs, sizeof sample.tUs);
                std::memcpy(row + sizeof sample.tUs, values, n * sizeof values[0]);
                ++filled;
            }
            // Ctrl-C ends the capture at the next block.
            py::gil_scoped_acquire acquire;
            if (PyErr_CheckSignals() != 0) {
                interrupted = true;
                engine.Cancel();
            }
        });
    });
    if (interrupted) throw py::error_already_set();
    if (!result.error.empty())
        RaiseDeviceError(result.error + "; samples taken: " + std::to_string(result.taken),
                         result.errorCall, result.errorStatus);
    return samples;
}

}  // namespace talmir::python
