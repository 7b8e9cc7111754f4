/* Entry points that the project's own MPSSE libraries (libtalmirmpsse.so over
 * libftdi1, and the simulator libtalmirsim.so) export beside the adapter
 * vendor's SPI interface. The vendor's library has none of them: a program
 * looks them up by name and goes without them when they are missing.
 *
 * Plain C. The types are the vendor's, spelled out: FT_STATUS and DWORD are
 * uint32_t, UCHAR is uint8_t, FT_HANDLE is void*. A handle is one that
 * SPI_OpenChannel gave and SPI_InitChannel set up. */
#ifndef TALMIR_EXTENSIONS_H
#define TALMIR_EXTENSIONS_H

#include <stdint.h>

/* A library defines this to its export attribute before including the file. */
#ifndef TALMIR_EXTENSIONS_API
#define TALMIR_EXTENSIONS_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define TALMIR_READ_FRAMES_NAME "Talmir_SPI_ReadFrames"
#define TALMIR_MIN_FRAME_PERIOD_NAME "Talmir_SPI_MinFramePeriod"

/* Longest frame Talmir_SPI_ReadFrames reads, in bits. */
#define TALMIR_FRAME_BITS_MAX 128

/* Reads frameCount frames of frameBits (1 to TALMIR_FRAME_BITS_MAX) bits, each
 * in its own chip-select frame with the channel's SPI mode and chip-select
 * line, MOSI held low, most significant bit first. buffer receives
 * ceil(frameBits / 8) bytes per frame, frame after frame; the trailing bits of
 * a frame sit in the low-order bits of its last byte (as SPI_Read with
 * options 7). Frame starts are periodClocks SK clock periods apart, counted
 * by the adapter: idle clocks with chip select released fill each period
 * after its frame. periodClocks 0: frames back to back, unpaced.
 *
 * A period below Talmir_SPI_MinFramePeriod for the channel's clock rate
 * answers 6 (invalid parameter) with nothing sent. Returns 0 with
 * *framesDone == frameCount, or a non-zero status with *framesDone the
 * complete frames read before the failure (their bytes valid; bytes after
 * them are unspecified). */
TALMIR_EXTENSIONS_API uint32_t Talmir_SPI_ReadFrames(void* handle, uint8_t* buffer,
                                                     uint32_t frameBits, uint32_t frameCount,
                                                     uint32_t periodClocks, uint32_t* framesDone);

/* The shortest periodClocks Talmir_SPI_ReadFrames accepts for frames of
 * frameBits bits on a channel initialised with clockRate (Hz, as in
 * ChannelConfig); 0 when frameBits or clockRate is out of range. Depends on
 * its arguments alone. */
TALMIR_EXTENSIONS_API uint32_t Talmir_SPI_MinFramePeriod(uint32_t frameBits, uint32_t clockRate);

typedef uint32_t (*Talmir_SPI_ReadFrames_t)(void* handle, uint8_t* buffer, uint32_t frameBits,
                                            uint32_t frameCount, uint32_t periodClocks,
                                            uint32_t* framesDone);
typedef uint32_t (*Talmir_SPI_MinFramePeriod_t)(uint32_t frameBits, uint32_t clockRate);

#ifdef __cplusplus
}
#endif

#endif
