/* Test control of the MPSSE engine emulator that libtalmirmpsse_emu.so puts
 * under the library in place of libftdi1: the emulated devices and the slaves
 * on their pins, the chip model, logs of the wire and of USB traffic, and
 * injected faults. */
#ifndef TALMIR_EMU_CONTROL_H
#define TALMIR_EMU_CONTROL_H

#include <stdint.h>

#define TALMIREMU_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Device kinds. */
#define TALMIR_EMU_232H 0  /* bcdDevice 0x900, product 0x6014, one MPSSE channel */
#define TALMIR_EMU_2232H 1 /* 0x700, 0x6010, two */
#define TALMIR_EMU_4232H 2 /* 0x800, 0x6011, two MPSSE channels (A, B) of four */

/* Slave kinds. */
#define TALMIR_EMU_SLAVE_NONE 0
#define TALMIR_EMU_SLAVE_CHIP 1 /* the chip model, SPI mode 0 */
#define TALMIR_EMU_SLAVE_LOOP 2 /* shifts out the MOSI bits of its previous frame */

typedef struct TalmirEmuSlaveSpec {
    uint32_t kind;
    uint32_t spiMode; /* 0-3, loop slave only */
    uint32_t csLine;  /* 0-4: DBUS3..DBUS7 */
} TalmirEmuSlaveSpec;

typedef struct TalmirEmuDeviceSpec {
    uint32_t kind;
    const char* product;         /* USB product string; NULL for the part's default */
    const char* serial;          /* NULL for "EMU<n>" */
    TalmirEmuSlaveSpec slave[2]; /* on MPSSE channel A, B */
} TalmirEmuDeviceSpec;

/* One chip-select frame as the slave saw it. Bits are packed most significant
 * first in clock order; a last partial byte holds its bits in the low-order
 * end. Only the first 1024 bits are kept. */
typedef struct TalmirEmuFrame {
    uint32_t device, channel;
    uint32_t clocks;
    uint32_t mosiBits, misoBits;
    int32_t hostWrote, hostRead; /* a data command drove MOSI / sampled MISO */
    uint8_t mosi[128];
    uint8_t miso[128];
    uint64_t startClock; /* SK pulses on the bus (chip select high or low) before the frame */
} TalmirEmuFrame;

/* usbReads counts reads as the library asks for them: a read call, or a read
 * left pending while it writes, one each whatever the packets. */
typedef struct TalmirEmuCounters {
    uint64_t usbWrites, usbReads;
    uint64_t emptyReads; /* reads that delivered nothing */
    uint64_t bytesWritten, bytesRead;
    uint64_t pausedMs; /* requested pauses (the emulator does not sleep) */
    /* Writes after which the engine held more answer bytes than the part's
     * buffer (232H 1 KB, 4232H 2 KB, 2232H 4 KB) with no pending read to take
     * them: a real engine would have stopped until the host read. */
    uint64_t stalls;
} TalmirEmuCounters;

typedef struct TalmirEmuPins {
    uint8_t lowValue, lowDir, highValue, highDir;
} TalmirEmuPins;

/* One 232H whose channel A holds the chip on DBUS3; chip registers at power-on,
 * magnet frozen at angle 0 without noise; logs, counters and faults cleared.
 * Ports opened before are dead. */
TALMIREMU_API void TalmirEmu_Reset(void);
/* Replaces the devices (as Reset, with these devices). 0, or -1 for a bad description. */
TALMIREMU_API int TalmirEmu_SetDevices(const TalmirEmuDeviceSpec* devices, uint32_t count);

/* The chip model of the first chip slave in device order. */
TALMIREMU_API void TalmirEmu_SetAngle(uint16_t angle); /* freezes the magnet */
TALMIREMU_API void TalmirEmu_SetSpeed(double turnsPerSecond);
TALMIREMU_API void TalmirEmu_SetNoise(int amplitude, uint32_t seed);
/* Pins the value a read of addr delivers, as the simulator's SetRegister. */
TALMIREMU_API void TalmirEmu_SetRegister(uint8_t addr, uint16_t value);
TALMIREMU_API uint16_t TalmirEmu_GetRegister(uint8_t addr);

TALMIREMU_API uint32_t TalmirEmu_FrameCount(void);
/* Copies frame i; 1 when i is valid, else 0. */
TALMIREMU_API int TalmirEmu_FrameGet(uint32_t i, TalmirEmuFrame* out);
/* Bytes of each USB write, in order. WriteGet copies up to capacity bytes of
 * write i and returns its full size (0 past the end). */
TALMIREMU_API uint32_t TalmirEmu_WriteCount(void);
TALMIREMU_API uint32_t TalmirEmu_WriteGet(uint32_t i, uint8_t* out, uint32_t capacity);
TALMIREMU_API void TalmirEmu_GetCounters(TalmirEmuCounters* out);
/* Clears frames, writes and counters. */
TALMIREMU_API void TalmirEmu_ClearLog(void);

/* The next read that finds answer bytes delivers at most `deliver` of them and
 * the rest are lost, as with a dropped USB packet. */
TALMIREMU_API void TalmirEmu_ShortRead(uint32_t deliver);
/* Every read delivers at most maxBytes (0: no limit); nothing is lost. */
TALMIREMU_API void TalmirEmu_SplitReads(uint32_t maxBytes);
/* After `after` more successful calls, the next `times` USB writes (op 0) or
 * reads (op 1) return -1 and move no data. */
TALMIREMU_API void TalmirEmu_FailUsb(uint32_t op, uint32_t after, uint32_t times);
/* Opening the device fails with this libftdi1 code (e.g. -8, no permission);
 * 0 clears. */
TALMIREMU_API void TalmirEmu_FailOpen(uint32_t device, int32_t error);
/* Unplug: the device leaves the enumeration and calls on its open ports fail.
 * Replug: it comes back with fresh engines (the chip keeps its state).
 * 0, or -1 for no such device. */
TALMIREMU_API int TalmirEmu_Unplug(uint32_t device);
TALMIREMU_API int TalmirEmu_Replug(uint32_t device);

/* SK frequency of an engine in Hz (from its divisor and 8A/8B); 0 for none. */
TALMIREMU_API double TalmirEmu_ClockHz(uint32_t device, uint32_t channel);
/* Pin registers of an engine as set by 80 and 82; 1 when it exists, else 0. */
TALMIREMU_API int TalmirEmu_GetPins(uint32_t device, uint32_t channel, TalmirEmuPins* out);
/* Levels outside circuitry puts on the high-byte inputs (default 0xFF). */
TALMIREMU_API void TalmirEmu_SetGpioInputs(uint32_t device, uint32_t channel, uint8_t levels);

#ifdef __cplusplus
}
#endif

#endif
