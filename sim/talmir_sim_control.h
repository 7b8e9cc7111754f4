/* Test and demo control of the simulated adapter and TALMIR chip.
 * Exported from libtalmirsim.so next to the adapter entry points; not part of
 * the adapter vendor's interface. */
#ifndef TALMIR_SIM_CONTROL_H
#define TALMIR_SIM_CONTROL_H

#include <stdint.h>

#if defined(_WIN32)
#define TALMIRSIM_API __declspec(dllexport)
#else
#define TALMIRSIM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One recorded call of an adapter entry point. Talmir_SPI_ReadFrames keeps
 * its frame length in bits in size, its frame count in index and its period
 * in options. */
typedef struct TalmirSimCall {
    char name[24];      /* entry point name, e.g. "SPI_Read" */
    uint32_t status;    /* status returned */
    uint32_t index;     /* channel index (GetChannelInfo/OpenChannel) */
    uint32_t size;      /* sizeToTransfer */
    uint32_t options;   /* transfer options */
    uint8_t dir, value; /* FT_WriteGPIO arguments */
    /* SPI_InitChannel record as received */
    uint32_t clockRate;
    uint8_t latency;
    uint32_t configOptions;
    uint32_t pin;
    uint32_t dataLen; /* bytes written (Write) or delivered (Read) */
    uint8_t data[16]; /* first bytes of them */
} TalmirSimCall;

/* Imperfections of the sensor's channels: X (sine) = offsetX + amplitudeX·
 * (sin θ + h·sin 3θ), Y (cosine) = offsetY + amplitudeY·(cos ψ − h·cos 3ψ),
 * ψ = θ + phaseDeg, h = h3Percent / 100, each plus Gaussian noise of standard
 * deviation noiseLsb. The ideal setting (offsets 0, amplitudes 20000, the rest
 * 0) gives exact channels and the magnet's own angle; any other makes the
 * chip's angle atan2(X, Y) of the channels it delivers. */
typedef struct TalmirSimSignal {
    double offsetX, offsetY;       /* LSB */
    double amplitudeX, amplitudeY; /* LSB, in (0, 32767] */
    double phaseDeg;               /* in (-90, 90) */
    double h3Percent;              /* third harmonic, percent of the amplitude, in [-50, 50] */
    double noiseLsb;               /* standard deviation, in [0, 1000] */
} TalmirSimSignal;

/* Everything to power-on state: channel closed, registers, trace, read queue,
 * injected failures, GPIO; plugged in, no latency; magnet frozen at angle 0
 * without noise; ideal channels; as many adapter channels as
 * TALMIR_SIM_CHANNELS says (1 to 16), else 1. */
TALMIRSIM_API void TalmirSim_Reset(void);
/* The adapter lists `count` channels (1 to 16), serial numbers TLM00001,
 * TLM00002, ... by index; each reaches the one chip, and the trace's index of
 * SPI_OpenChannel tells which was opened. 1 when taken, 0 (count unchanged)
 * when out of range. */
TALMIRSIM_API int TalmirSim_SetChannelCount(uint32_t count);
/* Pins the value a read of addr delivers (live registers included) until reset;
 * a later register write replaces the pinned value. */
TALMIRSIM_API void TalmirSim_SetRegister(uint8_t addr, uint16_t value);
/* Last value written to addr, or pinned. */
TALMIRSIM_API uint16_t TalmirSim_GetRegister(uint8_t addr);
/* The next SPI_Read calls deliver these bytes first (FIFO), before any chip logic. */
TALMIRSIM_API void TalmirSim_QueueRead(const uint8_t* bytes, uint32_t n);
/* The next `times` calls of that entry point return status and do nothing
 * (times 0 = every call until reset). */
TALMIRSIM_API void TalmirSim_FailCall(const char* name, uint32_t status, uint32_t times);
/* As TalmirSim_FailCall, but the next `after` calls of that entry point still
 * run as usual; the `times` calls after them fail (times 0 = every call from
 * then on until reset). A later FailCall or FailCallAfter of the same entry
 * point replaces this one. */
TALMIRSIM_API void TalmirSim_FailCallAfter(const char* name, uint32_t status, uint32_t after,
                                           uint32_t times);
/* The next SPI_OpenChannel opens the channel and hands out its handle, yet
 * returns status, as a library whose open fails half-way does. */
TALMIRSIM_API void TalmirSim_FailOpenWithHandle(uint32_t status);
/* Register writes have no effect while set. */
TALMIRSIM_API void TalmirSim_IgnoreWrites(int ignore);
/* Magnet speed in turns per second; starts the magnet turning from where it is. */
TALMIRSIM_API void TalmirSim_SetSpeed(double turnsPerSecond);
/* The same in turns per minute. */
TALMIRSIM_API void TalmirSim_SetRpm(double rpm);
/* Freezes the magnet at this 16-bit angle until the next SetSpeed. */
TALMIRSIM_API void TalmirSim_SetAngle(uint16_t angle);
/* Noise amplitude in counts of each live value, and the seed of its generator. */
TALMIRSIM_API void TalmirSim_SetNoise(int amplitude, uint32_t seed);
/* Takes this channel setting and restarts its noise sequence; 1 when taken,
 * 0 (setting unchanged) when a value is out of range or signal is null. */
TALMIRSIM_API int TalmirSim_SetSignal(const TalmirSimSignal* signal);
TALMIRSIM_API void TalmirSim_GetSignal(TalmirSimSignal* out);
/* The setting of "key=value" items as in TALMIR_SIM_SIGNAL, which the library
 * reads when it loads ("offset_x=300 offset_y=-200 amp_x=20000 amp_y=19000
 * phase_deg=2 h3=0.5 noise=3"), applied to the ideal setting. An item
 * "rpm=6000" also starts the magnet turning at that speed (at load: instead
 * of the default half turn per second). An unknown key or a bad value is
 * ignored with a message on standard error; returns how many items were
 * ignored. */
TALMIRSIM_API int TalmirSim_SetSignalText(const char* text);
TALMIRSIM_API uint32_t TalmirSim_TraceCount(void);
/* Copies call i into out; 1 when i is valid, else 0. */
TALMIRSIM_API int TalmirSim_TraceGet(uint32_t i, TalmirSimCall* out);
TALMIRSIM_API void TalmirSim_TraceClear(void);
TALMIRSIM_API uint8_t TalmirSim_GpioValue(void);
TALMIRSIM_API uint8_t TalmirSim_GpioDir(void);
/* 1 when the channel is open and initialised. */
TALMIRSIM_API int TalmirSim_ChannelOpen(void);
TALMIRSIM_API uint32_t TalmirSim_ClockRate(void);
/* Pulls the adapter out (1) or plugs it back in (0). Pulling it out closes the
 * open channel: its handle stays stale after the replug, and every call on it
 * fails with an I/O error while unplugged. */
TALMIRSIM_API void TalmirSim_Unplug(int unplugged);
/* The USB latency every call costs, in microseconds, on top of its bits at the
 * channel's clock rate (0: calls return at once). The library starts with
 * TALMIR_SIM_LATENCY_US; TalmirSim_Reset sets 0. */
TALMIRSIM_API void TalmirSim_SetLatency(uint32_t microseconds);

#ifdef __cplusplus
}
#endif

#endif
