// Types, constants and entry points of the adapter's MPSSE SPI interface, as
// the simulator exports them (plain C, 32-bit status and counts).
#pragma once

#include <cstddef>
#include <cstdint>

#include "talmir_sim_control.h"

extern "C" {

typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef uint32_t FT_STATUS;
typedef uint8_t UCHAR;
typedef int32_t BOOL;
typedef void* FT_HANDLE;

typedef struct ChannelConfig {
    DWORD ClockRate;
    UCHAR LatencyTimer;
    DWORD configOptions;
    DWORD Pin;
    uint16_t currentPinState;
} ChannelConfig;

typedef struct FT_DEVICE_LIST_INFO_NODE {
    ULONG Flags;
    ULONG Type;
    ULONG ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
} FT_DEVICE_LIST_INFO_NODE;

TALMIRSIM_API FT_STATUS SPI_GetNumChannels(DWORD* numChannels);
TALMIRSIM_API FT_STATUS SPI_GetChannelInfo(DWORD index, FT_DEVICE_LIST_INFO_NODE* chanInfo);
TALMIRSIM_API FT_STATUS SPI_OpenChannel(DWORD index, FT_HANDLE* handle);
TALMIRSIM_API FT_STATUS SPI_InitChannel(FT_HANDLE handle, ChannelConfig* config);
TALMIRSIM_API FT_STATUS SPI_CloseChannel(FT_HANDLE handle);
TALMIRSIM_API FT_STATUS SPI_Read(FT_HANDLE handle, UCHAR* buffer, DWORD sizeToTransfer,
                                 DWORD* sizeTransferred, DWORD options);
TALMIRSIM_API FT_STATUS SPI_Write(FT_HANDLE handle, UCHAR* buffer, DWORD sizeToTransfer,
                                  DWORD* sizeTransferred, DWORD options);
TALMIRSIM_API FT_STATUS SPI_IsBusy(FT_HANDLE handle, BOOL* state);
TALMIRSIM_API FT_STATUS FT_WriteGPIO(FT_HANDLE handle, UCHAR dir, UCHAR value);
TALMIRSIM_API FT_STATUS FT_ReadGPIO(FT_HANDLE handle, UCHAR* value);

}  // extern "C"

static_assert(sizeof(ChannelConfig) == 20);
static_assert(offsetof(ChannelConfig, ClockRate) == 0);
static_assert(offsetof(ChannelConfig, LatencyTimer) == 4);
static_assert(offsetof(ChannelConfig, configOptions) == 8);
static_assert(offsetof(ChannelConfig, Pin) == 12);
static_assert(offsetof(ChannelConfig, currentPinState) == 16);
static_assert(sizeof(FT_DEVICE_LIST_INFO_NODE) == (sizeof(void*) == 8 ? 104 : 100));
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, ftHandle) == 96);

namespace talmirsim {

// Status codes returned by the entry points.
enum Status : FT_STATUS {
    kOk = 0,
    kInvalidHandle = 1,
    kDeviceNotFound = 2,
    kDeviceNotOpened = 3,
    kIoError = 4,
    kInvalidParameter = 6,
};

// Transfer option bits.
constexpr DWORD kSizeInBits = 0x01;

constexpr DWORD kMaxClockRate = 30000000;

}  // namespace talmirsim
