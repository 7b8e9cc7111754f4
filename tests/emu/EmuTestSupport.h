// The emulator build of the library, loaded with dlopen(RTLD_LOCAL) so its
// entry points stay apart from any other library exporting the same names,
// and a fixture starting each test from the emulator's reset state.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "talmir_emu_control.h"

namespace emutest {

struct ChannelConfig {
    uint32_t ClockRate;
    uint8_t LatencyTimer;
    uint32_t configOptions;
    uint32_t Pin;
    uint16_t currentPinState;
};
static_assert(sizeof(ChannelConfig) == 20);

struct DeviceInfo {
    uint32_t Flags, Type, ID, LocId;
    char SerialNumber[16];
    char Description[64];
    void* ftHandle;
};

constexpr uint32_t kBytes = 6;  // bytes, chip select asserted before and released after
constexpr uint32_t kBits = 7;   // bits, the same framing
constexpr uint32_t kLsbFirst = 0x08;

// The library's entry points and the emulator's control functions.
struct Api {
    uint32_t (*GetNumChannels)(uint32_t*);
    uint32_t (*GetChannelInfo)(uint32_t, DeviceInfo*);
    uint32_t (*OpenChannel)(uint32_t, void**);
    uint32_t (*InitChannel)(void*, ChannelConfig*);
    uint32_t (*CloseChannel)(void*);
    uint32_t (*Read)(void*, uint8_t*, uint32_t, uint32_t*, uint32_t);
    uint32_t (*Write)(void*, uint8_t*, uint32_t, uint32_t*, uint32_t);
    uint32_t (*WriteGPIO)(void*, uint8_t, uint8_t);
    uint32_t (*ReadGPIO)(void*, uint8_t*);
    uint32_t (*ReadFrames)(void*, uint8_t*, uint32_t, uint32_t, uint32_t, uint32_t*);
    uint32_t (*MinFramePeriod)(uint32_t, uint32_t);
    using FrameSink = uint32_t (*)(void*, const uint8_t*, uint32_t);
    uint32_t (*StreamFrames)(void*, uint32_t, uint32_t, uint32_t, FrameSink, void*, uint32_t*);
    decltype(&TalmirEmu_Reset) Reset;
    decltype(&TalmirEmu_SetDevices) SetDevices;
    decltype(&TalmirEmu_SetAngle) SetAngle;
    decltype(&TalmirEmu_SetSpeed) SetSpeed;
    decltype(&TalmirEmu_SetRegister) SetRegister;
    decltype(&TalmirEmu_GetRegister) GetRegister;
    decltype(&TalmirEmu_FrameCount) FrameCount;
    decltype(&TalmirEmu_FrameGet) FrameGet;
    decltype(&TalmirEmu_WriteCount) WriteCount;
    decltype(&TalmirEmu_WriteGet) WriteGet;
    decltype(&TalmirEmu_GetCounters) GetCounters;
    decltype(&TalmirEmu_ClearLog) ClearLog;
    decltype(&TalmirEmu_ShortRead) ShortRead;
    decltype(&TalmirEmu_SplitReads) SplitReads;
    decltype(&TalmirEmu_FailUsb) FailUsb;
    decltype(&TalmirEmu_FailOpen) FailOpen;
    decltype(&TalmirEmu_Unplug) Unplug;
    decltype(&TalmirEmu_Replug) Replug;
    decltype(&TalmirEmu_ClockHz) ClockHz;
    decltype(&TalmirEmu_GetPins) GetPins;
    decltype(&TalmirEmu_SetGpioInputs) SetGpioInputs;
};

// Loaded once per process; null when the library is missing or incomplete.
inline const Api* api() {
    static const Api* loaded = []() -> const Api* {
        void* lib = dlopen(TALMIR_EMU_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr) return nullptr;
        static Api a{};
        bool ok = true;
        auto bind = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
            ok = ok && fn != nullptr;
        };
        bind(a.GetNumChannels, "SPI_GetNumChannels");
        bind(a.GetChannelInfo, "SPI_GetChannelInfo");
        bind(a.OpenChannel, "SPI_OpenChannel");
        bind(a.InitChannel, "SPI_InitChannel");
        bind(a.CloseChannel, "SPI_CloseChannel");
        bind(a.Read, "SPI_Read");
        bind(a.Write, "SPI_Write");
        bind(a.WriteGPIO, "FT_WriteGPIO");
        bind(a.ReadGPIO, "FT_ReadGPIO");
        bind(a.ReadFrames, "Talmir_SPI_ReadFrames");
        bind(a.MinFramePeriod, "Talmir_SPI_MinFramePeriod");
        bind(a.StreamFrames, "Talmir_SPI_StreamFrames");
        bind(a.Reset, "TalmirEmu_Reset");
        bind(a.SetDevices, "TalmirEmu_SetDevices");
        bind(a.SetAngle, "TalmirEmu_SetAngle");
        bind(a.SetSpeed, "TalmirEmu_SetSpeed");
        bind(a.SetRegister, "TalmirEmu_SetRegister");
        bind(a.GetRegister, "TalmirEmu_GetRegister");
        bind(a.FrameCount, "TalmirEmu_FrameCount");
        bind(a.FrameGet, "TalmirEmu_FrameGet");
        bind(a.WriteCount, "TalmirEmu_WriteCount");
        bind(a.WriteGet, "TalmirEmu_WriteGet");
        bind(a.GetCounters, "TalmirEmu_GetCounters");
        bind(a.ClearLog, "TalmirEmu_ClearLog");
        bind(a.ShortRead, "TalmirEmu_ShortRead");
        bind(a.SplitReads, "TalmirEmu_SplitReads");
        bind(a.FailUsb, "TalmirEmu_FailUsb");
        bind(a.FailOpen, "TalmirEmu_FailOpen");
        bind(a.Unplug, "TalmirEmu_Unplug");
        bind(a.Replug, "TalmirEmu_Replug");
        bind(a.ClockHz, "TalmirEmu_ClockHz");
        bind(a.GetPins, "TalmirEmu_GetPins");
        bind(a.SetGpioInputs, "TalmirEmu_SetGpioInputs");
        return ok ? &a : nullptr;
    }();
    return loaded;
}

// The tool's channel configuration: mode 0, chip select DBUS3 active low.
inline ChannelConfig toolConfig(uint32_t clock, uint32_t configOptions = 0x20) {
    return ChannelConfig{clock, 1, configOptions, 0, 0};
}

inline TalmirEmuDeviceSpec device(uint32_t kind, TalmirEmuSlaveSpec a = {},
                                  TalmirEmuSlaveSpec b = {}) {
    TalmirEmuDeviceSpec d{};
    d.kind = kind;
    d.slave[0] = a;
    d.slave[1] = b;
    return d;
}

class EmuFixture : public ::testing::Test {
protected:
    void SetUp() override {
        e = api();
        ASSERT_NE(e, nullptr) << "cannot load " << TALMIR_EMU_LIBRARY << ": " << dlerror();
        e->Reset();
    }

    void TearDown() override {
        if (handle != nullptr) e->CloseChannel(handle);
        handle = nullptr;
    }

    // Lists the channels (the library opens from its last list), opens channel
    // 0 and initialises it; clears the logs afterwards.
    void openChannel(uint32_t clock = 1000000, uint32_t configOptions = 0x20) {
        ASSERT_NO_FATAL_FAILURE(openOnly());
        ChannelConfig c = toolConfig(clock, configOptions);
        ASSERT_EQ(e->InitChannel(handle, &c), 0u);
        e->ClearLog();
    }

    void openOnly() {
        uint32_t count = 0;
        ASSERT_EQ(e->GetNumChannels(&count), 0u);
        ASSERT_EQ(e->OpenChannel(0, &handle), 0u);
    }

    // Size in the unit of the options: bytes, or bits (all of them by default).
    uint32_t write(std::vector<uint8_t> bytes, uint32_t options = kBytes, uint32_t size = 0) {
        uint32_t done = 0;
        if (size == 0) size = static_cast<uint32_t>(bytes.size() * ((options & 1) ? 8 : 1));
        const uint32_t s = e->Write(handle, bytes.data(), size, &done, options);
        EXPECT_EQ(done, s == 0 ? size : done);
        return s;
    }

    std::vector<uint8_t> read(uint32_t size, uint32_t options = kBytes) {
        std::vector<uint8_t> buffer((options & 1) ? (size + 7) / 8 : size, 0);
        uint32_t done = 0;
        EXPECT_EQ(e->Read(handle, buffer.data(), size, &done, options), 0u);
        EXPECT_EQ(done, size);
        return buffer;
    }

    std::vector<TalmirEmuFrame> frames() const {
        std::vector<TalmirEmuFrame> out(e->FrameCount());
        for (uint32_t i = 0; i < out.size(); ++i) e->FrameGet(i, &out[i]);
        return out;
    }

    std::vector<std::vector<uint8_t>> usbWrites() const {
        std::vector<std::vector<uint8_t>> out(e->WriteCount());
        for (uint32_t i = 0; i < out.size(); ++i) {
            out[i].resize(e->WriteGet(i, nullptr, 0));
            e->WriteGet(i, out[i].data(), static_cast<uint32_t>(out[i].size()));
        }
        return out;
    }

    const Api* e = nullptr;
    void* handle = nullptr;
};

inline std::vector<uint8_t> bytesOf(const uint8_t* p, uint32_t bits) {
    return std::vector<uint8_t>(p, p + (bits + 7) / 8);
}

}  // namespace emutest
