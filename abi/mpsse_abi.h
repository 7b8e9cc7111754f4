/* The adapter vendor's MPSSE SPI library interface, written from its published
 * ABI: plain C exports with the C calling convention (cdecl, undecorated
 * names), 32-bit status and counts on every platform, and the vendor's record
 * layouts; and the entry points of our own that the project's libraries
 * export beside the vendor's (Talmir_SPI_ReadFrames, Talmir_SPI_MinFramePeriod,
 * Talmir_SPI_StreamFrames).
 *
 * This is the one statement of that interface in the project. The tool's
 * binding (src/device) takes the types, constants and the entry points'
 * pointer types (NAME_t) from it. A library that exports the entry points (the
 * simulator, our libftdi1 library, the fuzz stand-in) is compiled with
 * TALMIR_MPSSE_EXPORTS defined: the entry points are then declared here from
 * their function types (NAME_fn) with C linkage and exported, so a definition
 * whose parameters or result differ from these does not compile.
 *
 * In C++ the types and constants live in namespace talmir::mpsse, away from
 * the platform's own DWORD or BOOL (the Windows headers define both, with
 * other types); the exported functions are global, as the C ABI has them. */
#ifndef TALMIR_MPSSE_ABI_H
#define TALMIR_MPSSE_ABI_H

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>
#define TALMIR_MPSSE_BEGIN namespace talmir::mpsse {
#define TALMIR_MPSSE_END }
#define TALMIR_MPSSE_C_BEGIN extern "C" {
#define TALMIR_MPSSE_C_END }
#define TALMIR_MPSSE_ASSERT(condition) static_assert(condition, #condition)
#define TALMIR_MPSSE_CONSTANT(type, name, value) inline constexpr type name = value
#else
#include <stddef.h>
#include <stdint.h>
#define TALMIR_MPSSE_BEGIN
#define TALMIR_MPSSE_END
#define TALMIR_MPSSE_C_BEGIN
#define TALMIR_MPSSE_C_END
#define TALMIR_MPSSE_ASSERT(condition) _Static_assert(condition, #condition)
#define TALMIR_MPSSE_CONSTANT(type, name, value) enum { name = value }
#endif

/* The vendor's exports use the C calling convention; on 32-bit Windows that
 * must be said, since a caller's default there may be another. */
#if defined(_WIN32)
#define TALMIR_MPSSE_CALL __cdecl
#else
#define TALMIR_MPSSE_CALL
#endif

TALMIR_MPSSE_BEGIN

/* The vendor's types: the same widths on Windows and Linux, 32- and 64-bit. */
typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef uint32_t FT_STATUS;
typedef uint8_t UCHAR;
typedef uint16_t USHORT;
typedef int32_t BOOL; /* 32-bit in the 1.0.x interface */
typedef void* FT_HANDLE;

/* Channel configuration record passed to SPI_InitChannel: natural alignment,
 * no packing, 20 bytes. The vendor's SPI_InitChannel may change it. */
typedef struct ChannelConfig {
    DWORD ClockRate;        /* Hz */
    UCHAR LatencyTimer;     /* ms */
    DWORD configOptions;    /* SPI mode, chip-select line and polarity */
    DWORD Pin;              /* low-byte pins: initial dir, initial value, closing dir, value */
    USHORT currentPinState; /* dir | value << 8 after set-up ("reserved" in 0.x) */
} ChannelConfig;

/* One channel as SPI_GetChannelInfo describes it: 104 bytes on 64-bit
 * platforms, 100 on 32-bit. */
typedef struct FT_DEVICE_LIST_INFO_NODE {
    ULONG Flags;
    ULONG Type;
    ULONG ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
} FT_DEVICE_LIST_INFO_NODE;

/* The names our own entry points are looked up by, and the longest frame
 * Talmir_SPI_ReadFrames reads, in bits. */
#define TALMIR_READ_FRAMES_NAME "Talmir_SPI_ReadFrames"
#define TALMIR_MIN_FRAME_PERIOD_NAME "Talmir_SPI_MinFramePeriod"
#define TALMIR_STREAM_FRAMES_NAME "Talmir_SPI_StreamFrames"
#define TALMIR_FRAME_BITS_MAX 128

/* Status codes the entry points answer. */
TALMIR_MPSSE_CONSTANT(FT_STATUS, kOk, 0);
TALMIR_MPSSE_CONSTANT(FT_STATUS, kInvalidHandle, 1);
TALMIR_MPSSE_CONSTANT(FT_STATUS, kDeviceNotFound, 2);
TALMIR_MPSSE_CONSTANT(FT_STATUS, kDeviceNotOpened, 3);
TALMIR_MPSSE_CONSTANT(FT_STATUS, kIoError, 4);
TALMIR_MPSSE_CONSTANT(FT_STATUS, kInsufficientResources, 5);
TALMIR_MPSSE_CONSTANT(FT_STATUS, kInvalidParameter, 6);
TALMIR_MPSSE_CONSTANT(FT_STATUS, kNotSupported, 17);
TALMIR_MPSSE_CONSTANT(FT_STATUS, kOtherError, 18);

/* Transfer option bits of SPI_Read, SPI_Write and SPI_ReadWrite. */
TALMIR_MPSSE_CONSTANT(DWORD, kSizeInBits, 0x01);        /* size counts bits, not bytes */
TALMIR_MPSSE_CONSTANT(DWORD, kChipSelectAssert, 0x02);  /* before the transfer */
TALMIR_MPSSE_CONSTANT(DWORD, kChipSelectRelease, 0x04); /* after the transfer */
TALMIR_MPSSE_CONSTANT(DWORD, kLsbFirst, 0x08);          /* 1.0.x only */
/* One chip-select frame, its size counted in bytes or in bits. */
TALMIR_MPSSE_CONSTANT(DWORD, kOptionBytesFramed, 0x06);
TALMIR_MPSSE_CONSTANT(DWORD, kOptionBitsFramed, 0x07);

/* Configuration options: SPI mode in bits 0-1, chip-select line in bits 2-4
 * (DBUS3 = 0 to DBUS7 = 4), chip select active low. */
TALMIR_MPSSE_CONSTANT(DWORD, kModeMask, 0x03);
TALMIR_MPSSE_CONSTANT(DWORD, kChipSelectLineShift, 2);
TALMIR_MPSSE_CONSTANT(DWORD, kChipSelectLineMask, 0x07);
TALMIR_MPSSE_CONSTANT(DWORD, kChipSelectActiveLow, 0x20);

/* FT_DEVICE_LIST_INFO_NODE.Flags bits. */
TALMIR_MPSSE_CONSTANT(ULONG, kFlagOpened, 0x01);
TALMIR_MPSSE_CONSTANT(ULONG, kFlagHighSpeed, 0x02);

/* The entry points: NAME_fn is the function's type, NAME_t a pointer to it,
 * both with C language linkage. */
TALMIR_MPSSE_C_BEGIN
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_GetNumChannels_fn(DWORD* numChannels);
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_GetChannelInfo_fn(DWORD index,
                                                          FT_DEVICE_LIST_INFO_NODE* chanInfo);
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_OpenChannel_fn(DWORD index, FT_HANDLE* handle);
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_InitChannel_fn(FT_HANDLE handle, ChannelConfig* config);
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_CloseChannel_fn(FT_HANDLE handle);
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_Read_fn(FT_HANDLE handle, UCHAR* buffer,
                                                DWORD sizeToTransfer, DWORD* sizeTransferred,
                                                DWORD options);
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_Write_fn(FT_HANDLE handle, UCHAR* buffer,
                                                 DWORD sizeToTransfer, DWORD* sizeTransferred,
                                                 DWORD options);
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_ReadWrite_fn(FT_HANDLE handle, UCHAR* inBuffer,
                                                     UCHAR* outBuffer, DWORD sizeToTransfer,
                                                     DWORD* sizeTransferred, DWORD options);
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_IsBusy_fn(FT_HANDLE handle, BOOL* state);
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_ToggleCS_fn(FT_HANDLE handle, BOOL state);
typedef FT_STATUS TALMIR_MPSSE_CALL SPI_ChangeCS_fn(FT_HANDLE handle, DWORD configOptions);
typedef FT_STATUS TALMIR_MPSSE_CALL FT_WriteGPIO_fn(FT_HANDLE handle, UCHAR dir, UCHAR value);
typedef FT_STATUS TALMIR_MPSSE_CALL FT_ReadGPIO_fn(FT_HANDLE handle, UCHAR* value);
typedef void TALMIR_MPSSE_CALL Init_libMPSSE_fn(void);
typedef void TALMIR_MPSSE_CALL Cleanup_libMPSSE_fn(void);
typedef FT_STATUS TALMIR_MPSSE_CALL Ver_libMPSSE_fn(DWORD* libmpsse, DWORD* libftd2xx);

/* Our own entry points. libtalmirmpsse.so (over libftdi1) and the simulator
 * export them; the vendor's library has none of them, so a program looks them
 * up by name and goes without them when they are missing. A handle is one
 * that SPI_OpenChannel gave and SPI_InitChannel set up.
 *
 * Talmir_SPI_ReadFrames reads frameCount frames of frameBits (1 to
 * TALMIR_FRAME_BITS_MAX) bits, each in its own chip-select frame with the
 * channel's SPI mode and chip-select line, MOSI held low, most significant bit
 * first. buffer receives ceil(frameBits / 8) bytes per frame, frame after
 * frame; the trailing bits of a frame sit in the low-order bits of its last
 * byte (as SPI_Read with options 7). Frame starts are periodClocks SK clock
 * periods apart, counted by the adapter: idle clocks with chip select released
 * fill each period after its frame. periodClocks 0: frames back to back,
 * unpaced. A period below Talmir_SPI_MinFramePeriod for the channel's clock
 * rate answers kInvalidParameter with nothing sent. Returns kOk with
 * *framesDone == frameCount, or another status with *framesDone the complete
 * frames read before the failure (their bytes valid; bytes after them are
 * unspecified).
 *
 * Talmir_SPI_MinFramePeriod gives the shortest periodClocks
 * Talmir_SPI_ReadFrames accepts for frames of frameBits bits on a channel
 * initialised with clockRate (Hz, as in ChannelConfig); 0 when frameBits or
 * clockRate is out of range. Depends on its arguments alone. */
typedef FT_STATUS TALMIR_MPSSE_CALL Talmir_SPI_ReadFrames_fn(FT_HANDLE handle, UCHAR* buffer,
                                                             DWORD frameBits, DWORD frameCount,
                                                             DWORD periodClocks, DWORD* framesDone);
typedef DWORD TALMIR_MPSSE_CALL Talmir_SPI_MinFramePeriod_fn(DWORD frameBits, DWORD clockRate);

/* Talmir_SPI_StreamFrames reads frameCount frames as Talmir_SPI_ReadFrames
 * does, as one unbroken run: frame starts stay periodClocks SK periods apart
 * from the first frame to the last, however long the run. Instead of filling
 * one buffer it hands the frames over as they come: sink is called on the
 * calling thread with each next run of complete frames (ceil(frameBits / 8)
 * bytes each, the pointer valid during the call only), in order, a few times
 * a second. A sink answering non-zero stops the stream: no frame is started
 * after the ones already queued on the adapter, those are read and dropped,
 * and the call returns kOk with *framesDone the frames handed over. On a
 * failure the complete frames that arrived are handed over first, then the
 * status is returned with *framesDone those handed over. The argument checks
 * are Talmir_SPI_ReadFrames's. sink may not be null, must not throw, and
 * must not call the library for the same handle. */
typedef DWORD TALMIR_MPSSE_CALL Talmir_FrameSink_fn(void* context, const UCHAR* frames,
                                                    DWORD frameCount);
typedef FT_STATUS TALMIR_MPSSE_CALL Talmir_SPI_StreamFrames_fn(FT_HANDLE handle, DWORD frameBits,
                                                               DWORD frameCount, DWORD periodClocks,
                                                               Talmir_FrameSink_fn* sink,
                                                               void* context, DWORD* framesDone);

typedef SPI_GetNumChannels_fn* SPI_GetNumChannels_t;
typedef SPI_GetChannelInfo_fn* SPI_GetChannelInfo_t;
typedef SPI_OpenChannel_fn* SPI_OpenChannel_t;
typedef SPI_InitChannel_fn* SPI_InitChannel_t;
typedef SPI_CloseChannel_fn* SPI_CloseChannel_t;
typedef SPI_Read_fn* SPI_Read_t;
typedef SPI_Write_fn* SPI_Write_t;
typedef SPI_ReadWrite_fn* SPI_ReadWrite_t;
typedef SPI_IsBusy_fn* SPI_IsBusy_t;
typedef SPI_ToggleCS_fn* SPI_ToggleCS_t;
typedef SPI_ChangeCS_fn* SPI_ChangeCS_t;
typedef FT_WriteGPIO_fn* FT_WriteGPIO_t;
typedef FT_ReadGPIO_fn* FT_ReadGPIO_t;
typedef Init_libMPSSE_fn* Init_libMPSSE_t;
typedef Cleanup_libMPSSE_fn* Cleanup_libMPSSE_t;
typedef Ver_libMPSSE_fn* Ver_libMPSSE_t;
typedef Talmir_SPI_ReadFrames_fn* Talmir_SPI_ReadFrames_t;
typedef Talmir_SPI_MinFramePeriod_fn* Talmir_SPI_MinFramePeriod_t;
typedef Talmir_SPI_StreamFrames_fn* Talmir_SPI_StreamFrames_t;
TALMIR_MPSSE_C_END

/* The widths and layouts above, as the vendor's library has them. */
TALMIR_MPSSE_ASSERT(sizeof(DWORD) == 4 && sizeof(FT_STATUS) == 4 && sizeof(BOOL) == 4);
TALMIR_MPSSE_ASSERT(sizeof(ChannelConfig) == 20);
TALMIR_MPSSE_ASSERT(offsetof(ChannelConfig, ClockRate) == 0);
TALMIR_MPSSE_ASSERT(offsetof(ChannelConfig, LatencyTimer) == 4);
TALMIR_MPSSE_ASSERT(offsetof(ChannelConfig, configOptions) == 8);
TALMIR_MPSSE_ASSERT(offsetof(ChannelConfig, Pin) == 12);
TALMIR_MPSSE_ASSERT(offsetof(ChannelConfig, currentPinState) == 16);
TALMIR_MPSSE_ASSERT(sizeof(FT_DEVICE_LIST_INFO_NODE) == (sizeof(void*) == 8 ? 104 : 100));
TALMIR_MPSSE_ASSERT(offsetof(FT_DEVICE_LIST_INFO_NODE, ftHandle) == 96);

TALMIR_MPSSE_END

#endif /* TALMIR_MPSSE_ABI_H */

/* The exporting library's declarations, outside the include guard so that they
 * appear even when the header was included before without them. */
#if defined(TALMIR_MPSSE_EXPORTS) && !defined(TALMIR_MPSSE_EXPORTS_DECLARED)
#define TALMIR_MPSSE_EXPORTS_DECLARED

#if defined(_WIN32)
#define TALMIR_MPSSE_API __declspec(dllexport)
#else
#define TALMIR_MPSSE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define TALMIR_MPSSE_EXPORT(name) extern "C" TALMIR_MPSSE_API ::talmir::mpsse::name##_fn name
#else
#define TALMIR_MPSSE_EXPORT(name) TALMIR_MPSSE_API name##_fn name
#endif

TALMIR_MPSSE_EXPORT(SPI_GetNumChannels);
TALMIR_MPSSE_EXPORT(SPI_GetChannelInfo);
TALMIR_MPSSE_EXPORT(SPI_OpenChannel);
TALMIR_MPSSE_EXPORT(SPI_InitChannel);
TALMIR_MPSSE_EXPORT(SPI_CloseChannel);
TALMIR_MPSSE_EXPORT(SPI_Read);
TALMIR_MPSSE_EXPORT(SPI_Write);
TALMIR_MPSSE_EXPORT(SPI_ReadWrite);
TALMIR_MPSSE_EXPORT(SPI_IsBusy);
TALMIR_MPSSE_EXPORT(SPI_ToggleCS);
TALMIR_MPSSE_EXPORT(SPI_ChangeCS);
TALMIR_MPSSE_EXPORT(FT_WriteGPIO);
TALMIR_MPSSE_EXPORT(FT_ReadGPIO);
TALMIR_MPSSE_EXPORT(Init_libMPSSE);
TALMIR_MPSSE_EXPORT(Cleanup_libMPSSE);
TALMIR_MPSSE_EXPORT(Ver_libMPSSE);
TALMIR_MPSSE_EXPORT(Talmir_SPI_ReadFrames);
TALMIR_MPSSE_EXPORT(Talmir_SPI_MinFramePeriod);
TALMIR_MPSSE_EXPORT(Talmir_SPI_StreamFrames);

#endif /* TALMIR_MPSSE_EXPORTS */
