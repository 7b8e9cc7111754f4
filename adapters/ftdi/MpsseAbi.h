// The adapter vendor's MPSSE SPI library interface as this library exports it:
// plain C entry points, 32-bit status and counts, the vendor's record layouts.
#pragma once

#include <cstddef>
#include <cstdint>

#define TALMIRMPSSE_API __attribute__((visibility("default")))

extern "C" {

typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef uint32_t FT_STATUS;
typedef uint8_t UCHAR;
typedef uint16_t USHORT;
typedef int32_t BOOL;
typedef void* FT_HANDLE;

typedef struct ChannelConfig {
    DWORD ClockRate;      // Hz
    UCHAR LatencyTimer;   // ms
    DWORD configOptions;  // SPI mode, chip-select line and polarity
    DWORD Pin;            // low-byte pins: initial dir, initial value, closing dir, closing value
    USHORT currentPinState;  // dir | value << 8 after set-up
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

TALMIRMPSSE_API FT_STATUS SPI_GetNumChannels(DWORD* numChannels);
TALMIRMPSSE_API FT_STATUS SPI_GetChannelInfo(DWORD index, FT_DEVICE_LIST_INFO_NODE* chanInfo);
TALMIRMPSSE_API FT_STATUS SPI_OpenChannel(DWORD index, FT_HANDLE* handle);
TALMIRMPSSE_API FT_STATUS SPI_InitChannel(FT_HANDLE handle, ChannelConfig* config);
TALMIRMPSSE_API FT_STATUS SPI_CloseChannel(FT_HANDLE handle);
TALMIRMPSSE_API FT_STATUS SPI_Read(FT_HANDLE handle, UCHAR* buffer, DWORD sizeToTransfer,
                                   DWORD* sizeTransferred, DWORD options);
TALMIRMPSSE_API FT_STATUS SPI_Write(FT_HANDLE handle, UCHAR* buffer, DWORD sizeToTransfer,
                                    DWORD* sizeTransferred, DWORD options);
TALMIRMPSSE_API FT_STATUS SPI_ReadWrite(FT_HANDLE handle, UCHAR* inBuffer, UCHAR* outBuffer,
                                        DWORD sizeToTransfer, DWORD* sizeTransferred,
                                        DWORD options);
TALMIRMPSSE_API FT_STATUS SPI_IsBusy(FT_HANDLE handle, BOOL* state);
TALMIRMPSSE_API FT_STATUS SPI_ToggleCS(FT_HANDLE handle, BOOL state);
TALMIRMPSSE_API FT_STATUS SPI_ChangeCS(FT_HANDLE handle, DWORD configOptions);
TALMIRMPSSE_API FT_STATUS FT_WriteGPIO(FT_HANDLE handle, UCHAR dir, UCHAR value);
TALMIRMPSSE_API FT_STATUS FT_ReadGPIO(FT_HANDLE handle, UCHAR* value);
TALMIRMPSSE_API void Init_libMPSSE(void);
TALMIRMPSSE_API void Cleanup_libMPSSE(void);
TALMIRMPSSE_API FT_STATUS Ver_libMPSSE(DWORD* libmpsse, DWORD* libftd2xx);

}  // extern "C"

static_assert(sizeof(ChannelConfig) == 20);
static_assert(offsetof(ChannelConfig, ClockRate) == 0);
static_assert(offsetof(ChannelConfig, LatencyTimer) == 4);
static_assert(offsetof(ChannelConfig, configOptions) == 8);
static_assert(offsetof(ChannelConfig, Pin) == 12);
static_assert(offsetof(ChannelConfig, currentPinState) == 16);
static_assert(sizeof(FT_DEVICE_LIST_INFO_NODE) == (sizeof(void*) == 8 ? 104 : 100));
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, ftHandle) == 96);

namespace talmirmpsse {

// Status codes returned by the entry points.
enum Status : FT_STATUS {
    kOk = 0,
    kInvalidHandle = 1,
    kDeviceNotFound = 2,
    kDeviceNotOpened = 3,
    kIoError = 4,
    kInsufficientResources = 5,
    kInvalidParameter = 6,
    kNotSupported = 17,
    kOtherError = 18,
};

// Transfer option bits.
constexpr DWORD kSizeInBits = 0x01;
constexpr DWORD kChipSelectAssert = 0x02;
constexpr DWORD kChipSelectRelease = 0x04;
constexpr DWORD kLsbFirst = 0x08;

// Configuration option bits: SPI mode in bits 0-1, chip-select line in 2-4.
constexpr DWORD kModeMask = 0x03;
constexpr DWORD kChipSelectLineShift = 2;
constexpr DWORD kChipSelectLineMask = 0x07;
constexpr DWORD kChipSelectActiveLow = 0x20;

// Node flags.
constexpr ULONG kFlagOpened = 0x01;
constexpr ULONG kFlagHighSpeed = 0x02;

}  // namespace talmirmpsse
