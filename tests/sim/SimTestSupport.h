// Declarations of the adapter entry points as the tool sees them, and a
// fixture that starts every test from the simulator's power-on state with the
// channel open at 1 MHz.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "talmir_sim_control.h"

extern "C" {

struct SimChannelConfig {
    uint32_t ClockRate;
    uint8_t LatencyTimer;
    uint32_t configOptions;
    uint32_t Pin;
    uint16_t currentPinState;
};

struct SimDeviceInfo {
    uint32_t Flags, Type, ID, LocId;
    char SerialNumber[16];
    char Description[64];
    void* ftHandle;
};

uint32_t SPI_GetNumChannels(uint32_t* numChannels);
uint32_t SPI_GetChannelInfo(uint32_t index, SimDeviceInfo* info);
uint32_t SPI_OpenChannel(uint32_t index, void** handle);
uint32_t SPI_InitChannel(void* handle, SimChannelConfig* config);
uint32_t SPI_CloseChannel(void* handle);
uint32_t SPI_Read(void* handle, uint8_t* buffer, uint32_t size, uint32_t* transferred,
                  uint32_t options);
uint32_t SPI_Write(void* handle, uint8_t* buffer, uint32_t size, uint32_t* transferred,
                   uint32_t options);
uint32_t SPI_IsBusy(void* handle, int32_t* state);
uint32_t FT_WriteGPIO(void* handle, uint8_t dir, uint8_t value);
}

static_assert(sizeof(SimChannelConfig) == 20);

namespace simtest {

constexpr uint32_t kBytes = 6;  // size in bytes, chip select around the transfer
constexpr uint32_t kBits = 7;   // size in bits, chip select around the transfer

inline SimChannelConfig config(uint32_t clock) {
    return SimChannelConfig{clock, 1, 0x20, 0, 0};
}

class SimFixture : public ::testing::Test {
protected:
    void SetUp() override {
        TalmirSim_Reset();
        ASSERT_EQ(SPI_OpenChannel(0, &handle), 0u);
        SimChannelConfig c = config(1000000);
        ASSERT_EQ(SPI_InitChannel(handle, &c), 0u);
        TalmirSim_TraceClear();
    }

    uint32_t write(std::vector<uint8_t> bytes) {
        uint32_t done = 0;
        return SPI_Write(handle, bytes.data(), static_cast<uint32_t>(bytes.size()), &done, kBytes);
    }

    std::vector<uint8_t> read(uint32_t size, uint32_t options = kBytes) {
        std::vector<uint8_t> buffer(options == kBits ? (size + 7) / 8 : size, 0);
        uint32_t done = 0;
        EXPECT_EQ(SPI_Read(handle, buffer.data(), size, &done, options), 0u);
        EXPECT_EQ(done, size);
        return buffer;
    }

    void writeRegister(uint8_t addr, uint16_t value) {
        write({0x00, static_cast<uint8_t>(0x80 | addr)});
        write({static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF)});
    }

    uint16_t readRegister(uint8_t addr) {
        write({0x00, addr});
        const auto b = read(2);
        return static_cast<uint16_t>(b[0] << 8 | b[1]);
    }

    void* handle = nullptr;
};

inline uint16_t word(const std::vector<uint8_t>& b, std::size_t i) {
    return static_cast<uint16_t>(b[2 * i] << 8 | b[2 * i + 1]);
}

}  // namespace simtest
