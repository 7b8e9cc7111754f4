// The emulated USB side: devices with their MPSSE engines and slaves, the
// chip model, logs and injected faults, behind one lock shared by the seam
// and the control functions.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "FtdiPort.h"
#include "MpsseEngine.h"
#include "SimChip.h"
#include "SpiSlave.h"
#include "talmir_emu_control.h"

namespace talmiremu {

struct EmuChannel {
    std::unique_ptr<MpsseEngine> engine;
    std::unique_ptr<SpiSlave> slave;
    bool open = false;
};

struct EmuDevice {
    talmirmpsse::FtdiDevice info;
    TalmirEmuDeviceSpec setup{};
    bool present = true;
    unsigned generation = 0;  // new on every set-up and unplug: older ports stay dead
    int openError = 0;
    std::vector<EmuChannel> channels;
};

struct UsbFault {
    uint32_t after = 0;
    uint32_t times = 0;  // 0: none armed
};

struct LoggedFrame {
    uint32_t device, channel;
    SpiFrame frame;
};

struct EmuWorld {
    // Noise of the free-running magnet at load, as the simulator library has it.
    static constexpr int kLoadNoise = 6;
    static constexpr uint32_t kLoadSeed = 20240601;

    EmuWorld();

    static bool valid(const std::vector<TalmirEmuDeviceSpec>& specs);
    // Replaces the devices; false (and nothing changed) for a bad description.
    bool configure(const std::vector<TalmirEmuDeviceSpec>& specs);
    // Fresh engines and slaves for device d.
    void rebuild(uint32_t d);
    void clearLog();
    EmuChannel* channel(uint32_t device, uint32_t ch);

    std::mutex mutex;
    std::vector<EmuDevice> devices;
    unsigned nextGeneration = 1;
    talmirsim::SimChip chip;  // shared by every chip slave
    std::vector<LoggedFrame> frames;
    std::vector<std::vector<uint8_t>> writes;
    TalmirEmuCounters counters{};
    std::optional<uint32_t> shortRead;
    uint32_t splitReads = 0;
    UsbFault writeFault, readFault;
};

EmuWorld& emuWorld();

}  // namespace talmiremu
