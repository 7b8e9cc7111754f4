// Declarations of the adapter vendor's MPSSE SPI library, written from its
// published ABI: plain C exports, 32-bit status and size types on every
// platform, and the channel configuration record passed to SPI_InitChannel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talmir::mpsse {

using DWORD = std::uint32_t;
using FT_STATUS = std::uint32_t;
using UCHAR = std::uint8_t;
using USHORT = std::uint16_t;
using BOOL = std::int32_t;
using FT_HANDLE = void*;

constexpr FT_STATUS FT_OK = 0;

// Transfer options: size unit and chip-select framing.
constexpr DWORD kOptionBytesFramed = 0x06;  // bytes, assert CS before, release after
constexpr DWORD kOptionBitsFramed = 0x07;   // the same with the size counted in bits

// Channel configuration record: natural alignment, 20 bytes.
struct ChannelConfig {
    DWORD ClockRate;
    UCHAR LatencyTimer;
    DWORD configOptions;
    DWORD Pin;
    USHORT reserved;
};
static_assert(sizeof(ChannelConfig) == 20);
static_assert(offsetof(ChannelConfig, LatencyTimer) == 4);
static_assert(offsetof(ChannelConfig, configOptions) == 8);
static_assert(offsetof(ChannelConfig, Pin) == 12);
static_assert(offsetof(ChannelConfig, reserved) == 16);

struct DeviceListInfoNode {
    std::uint32_t Flags;
    std::uint32_t Type;
    std::uint32_t ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
};

extern "C" {
using SPI_GetNumChannels_t = FT_STATUS (*)(DWORD* numChannels);
using SPI_GetChannelInfo_t = FT_STATUS (*)(DWORD index, DeviceListInfoNode* info);
using SPI_OpenChannel_t = FT_STATUS (*)(DWORD index, FT_HANDLE* handle);
using SPI_InitChannel_t = FT_STATUS (*)(FT_HANDLE handle, ChannelConfig* config);
using SPI_CloseChannel_t = FT_STATUS (*)(FT_HANDLE handle);
using SPI_Read_t = FT_STATUS (*)(FT_HANDLE handle, UCHAR* buffer, DWORD size, DWORD* transferred,
                                 DWORD options);
using SPI_Write_t = FT_STATUS (*)(FT_HANDLE handle, UCHAR* buffer, DWORD size, DWORD* transferred,
                                  DWORD options);
using SPI_IsBusy_t = FT_STATUS (*)(FT_HANDLE handle, BOOL* state);
using FT_WriteGPIO_t = FT_STATUS (*)(FT_HANDLE handle, UCHAR dir, UCHAR value);
}

}  // namespace talmir::mpsse
