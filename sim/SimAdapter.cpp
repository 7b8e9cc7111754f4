// The adapter's MPSSE SPI entry points. Each call is traced, may be failed on
// request, and otherwise acts on the channel and the chip behind it: every
// listed channel index reaches the same chip.
// Building with TALMIRSIM_OMIT_<ENTRY POINT> leaves that entry point out.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "SimState.h"
#include "TalmirFramePacing.h"
#include "mpsse_abi.h"

using namespace talmirsim;

namespace {

// The high-speed adapters' fastest SPI clock; SPI_InitChannel refuses more.
constexpr DWORD kMaxClockRate = 30000000;

// How an entry point fares while the adapter is unplugged.
enum class Reach {
    Bus,      // enumeration: answers from the body, which sees no adapter
    Device,   // opening: the device is not found
    Channel,  // a call on an open channel: I/O error
    Release,  // closing: releases the channel and succeeds
};

// Runs one entry point under the lock: an injected failure or a missing
// adapter replaces the body. The caller is then held for the call's wire time
// (USB latency plus `bits` SK clocks at the channel's clock; the body may
// still set them), outside the lock.
template <typename Body>
FT_STATUS runEntry(TalmirSimCall& call, Reach reach, const std::size_t& bits, Body&& body) {
    SimState& s = simState();
    std::chrono::steady_clock::time_point done;
    {
        std::lock_guard lock(s.mutex);
        const auto start = std::chrono::steady_clock::now();
        const auto injected = s.faults.take(call.name);
        if (injected) {
            call.status = *injected;
        } else if (s.unplugged && reach == Reach::Device) {
            call.status = kDeviceNotFound;
        } else if (s.unplugged && reach == Reach::Channel) {
            call.status = kIoError;
        } else if (s.unplugged && reach == Reach::Release) {
            s.channel.close();
            call.status = kOk;
        } else {
            call.status = body(s);
        }
        s.trace.record(call);
        done = start + s.wireTime.cost(bits, s.channel.clockRate());
    }
    SimWireTime::waitUntil(done);
    return call.status;
}

std::size_t bytesFor(DWORD size, DWORD options) {
    return (options & kSizeInBits) ? (static_cast<std::size_t>(size) + 7) / 8 : size;
}

std::size_t bitsFor(DWORD size, DWORD options) {
    return (options & kSizeInBits) ? size : static_cast<std::size_t>(size) * 8;
}

// Channel `index`: serial number TLM00001 for index 0, TLM00002 for 1, ...;
// opened when it is the index the open channel was opened with.
void fillChannelInfo(const SimState& s, DWORD index, FT_DEVICE_LIST_INFO_NODE& info) {
    std::memset(&info, 0, sizeof info);
    const bool opened = s.channel.ready() && s.openIndex == index;
    info.Flags = 0x2 | (opened ? 0x1 : 0x0);  // high speed, opened
    info.Type = 8;
    info.LocId = 0x11 + index;
    std::snprintf(info.SerialNumber, sizeof info.SerialNumber, "TLM%05u",
                  static_cast<unsigned>(index + 1));
    std::strncpy(info.Description, "TALMIR simulated SPI", sizeof info.Description - 1);
    info.ftHandle = opened ? s.channel.handle() : nullptr;
}

void readFrame(SimState& s, UCHAR* buffer, DWORD size, DWORD options,
               SimMagnet::Clock::time_point at = SimMagnet::Clock::now()) {
    const std::size_t byteCount = bytesFor(size, options);
    if (!s.readQueue.empty()) {
        s.readQueue.take(buffer, byteCount);
        s.chip.endCommand();
        return;
    }
    s.chip.read(buffer, bitsFor(size, options), (options & kSizeInBits) != 0, at);
}

#ifndef TALMIRSIM_OMIT_TALMIR_SPI_READFRAMES
// A burst of frames as the adapter would clock them: frame k starts k
// periods (or unpaced, k frames and their least idle time) after the burst's
// start, and the chip samples the magnet at that instant. Sets `clocks` to
// the burst's SK clocks.
FT_STATUS readFrames(SimState& s, UCHAR* buffer, DWORD frameBits, DWORD frameCount,
                     DWORD periodClocks, std::size_t& clocks) {
    const uint32_t clock = s.channel.clockRate();
    if (!talmirframes::framesAccepted(frameBits, periodClocks, clock)) return kInvalidParameter;
    const std::size_t frameBytes = (frameBits + 7) / 8;
    if (static_cast<uint64_t>(frameCount) * frameBytes > INT_MAX) return kInvalidParameter;
    const uint64_t spacing = talmirframes::spacingClocks(frameBits, periodClocks);
    const auto start = SimMagnet::Clock::now();
    for (DWORD k = 0; k < frameCount; ++k) {
        const std::chrono::duration<double> offset(static_cast<double>(k) *
                                                   static_cast<double>(spacing) / clock);
        const auto at = start + std::chrono::duration_cast<SimMagnet::Clock::duration>(offset);
        readFrame(s, buffer + k * frameBytes, frameBits, kSizeInBits, at);
    }
    clocks = static_cast<std::size_t>(frameCount * spacing);
    return kOk;
}
#endif

}  // namespace

extern "C" {

#ifndef TALMIRSIM_OMIT_SPI_GETNUMCHANNELS
FT_STATUS SPI_GetNumChannels(DWORD* numChannels) {
    TalmirSimCall call = SimTrace::makeCall("SPI_GetNumChannels");
    return runEntry(call, Reach::Bus, 0, [&](SimState& s) -> FT_STATUS {
        if (numChannels == nullptr) return kInvalidParameter;
        *numChannels = s.unplugged ? 0 : s.channelCount;
        return kOk;
    });
}
#endif

FT_STATUS SPI_GetChannelInfo(DWORD index, FT_DEVICE_LIST_INFO_NODE* chanInfo) {
    TalmirSimCall call = SimTrace::makeCall("SPI_GetChannelInfo");
    call.index = index;
    return runEntry(call, Reach::Bus, 0, [&](SimState& s) -> FT_STATUS {
        if (s.unplugged || index >= s.channelCount) return kDeviceNotFound;
        if (chanInfo == nullptr) return kInvalidParameter;
        fillChannelInfo(s, index, *chanInfo);
        return kOk;
    });
}

#ifndef TALMIRSIM_OMIT_SPI_OPENCHANNEL
FT_STATUS SPI_OpenChannel(DWORD index, FT_HANDLE* handle) {
    TalmirSimCall call = SimTrace::makeCall("SPI_OpenChannel");
    call.index = index;
    return runEntry(call, Reach::Device, 0, [&](SimState& s) -> FT_STATUS {
        if (index >= s.channelCount) return kDeviceNotFound;
        if (handle == nullptr) return kInvalidParameter;
        *handle = s.channel.open();
        s.openIndex = index;
        const FT_STATUS status = s.openFailsWithHandle;
        s.openFailsWithHandle = 0;
        return status;
    });
}
#endif

FT_STATUS SPI_InitChannel(FT_HANDLE handle, ChannelConfig* config) {
    TalmirSimCall call = SimTrace::makeCall("SPI_InitChannel");
    if (config != nullptr) {
        call.clockRate = config->ClockRate;
        call.latency = config->LatencyTimer;
        call.configOptions = config->configOptions;
        call.pin = config->Pin;
    }
    return runEntry(call, Reach::Channel, 0, [&](SimState& s) -> FT_STATUS {
        if (!s.channel.isOpenHandle(handle)) return kInvalidHandle;
        if (config == nullptr || config->ClockRate == 0 || config->ClockRate > kMaxClockRate)
            return kInvalidParameter;
        s.channel.initialise(*config);
        return kOk;
    });
}

FT_STATUS SPI_CloseChannel(FT_HANDLE handle) {
    TalmirSimCall call = SimTrace::makeCall("SPI_CloseChannel");
    return runEntry(call, Reach::Release, 0, [&](SimState& s) -> FT_STATUS {
        if (!s.channel.isOpenHandle(handle)) return kInvalidHandle;
        s.channel.close();
        return kOk;
    });
}

FT_STATUS SPI_Read(FT_HANDLE handle, UCHAR* buffer, DWORD sizeToTransfer, DWORD* sizeTransferred,
                   DWORD options) {
    TalmirSimCall call = SimTrace::makeCall("SPI_Read");
    call.size = sizeToTransfer;
    call.options = options;
    if (sizeTransferred != nullptr) *sizeTransferred = 0;
    return runEntry(call, Reach::Channel, bitsFor(sizeToTransfer, options),
                    [&](SimState& s) -> FT_STATUS {
                        if (!s.channel.isReadyHandle(handle)) return kInvalidHandle;
                        if (buffer == nullptr && sizeToTransfer != 0) return kInvalidParameter;
                        readFrame(s, buffer, sizeToTransfer, options);
                        SimTrace::setData(call, buffer, bytesFor(sizeToTransfer, options));
                        if (sizeTransferred != nullptr) *sizeTransferred = sizeToTransfer;
                        return kOk;
                    });
}

FT_STATUS SPI_Write(FT_HANDLE handle, UCHAR* buffer, DWORD sizeToTransfer, DWORD* sizeTransferred,
                    DWORD options) {
    TalmirSimCall call = SimTrace::makeCall("SPI_Write");
    call.size = sizeToTransfer;
    call.options = options;
    if (sizeTransferred != nullptr) *sizeTransferred = 0;
    return runEntry(call, Reach::Channel, bitsFor(sizeToTransfer, options),
                    [&](SimState& s) -> FT_STATUS {
                        if (!s.channel.isReadyHandle(handle)) return kInvalidHandle;
                        if (buffer == nullptr && sizeToTransfer != 0) return kInvalidParameter;
                        const std::size_t byteCount = bytesFor(sizeToTransfer, options);
                        s.chip.write(buffer, byteCount);
                        SimTrace::setData(call, buffer, byteCount);
                        if (sizeTransferred != nullptr) *sizeTransferred = sizeToTransfer;
                        return kOk;
                    });
}

#ifndef TALMIRSIM_OMIT_SPI_ISBUSY
FT_STATUS SPI_IsBusy(FT_HANDLE handle, BOOL* state) {
    TalmirSimCall call = SimTrace::makeCall("SPI_IsBusy");
    return runEntry(call, Reach::Channel, 0, [&](SimState& s) -> FT_STATUS {
        if (!s.channel.isReadyHandle(handle)) return kInvalidHandle;
        if (state == nullptr) return kInvalidParameter;
        *state = 0;  // transfers complete within their call
        return kOk;
    });
}
#endif

#ifndef TALMIRSIM_OMIT_TALMIR_SPI_READFRAMES
// Traced with size = frame bits, index = frame count, options = period.
FT_STATUS Talmir_SPI_ReadFrames(FT_HANDLE handle, UCHAR* buffer, DWORD frameBits, DWORD frameCount,
                                DWORD periodClocks, DWORD* framesDone) {
    TalmirSimCall call = SimTrace::makeCall("Talmir_SPI_ReadFrames");
    call.size = frameBits;
    call.index = frameCount;
    call.options = periodClocks;
    if (framesDone != nullptr) *framesDone = 0;
    std::size_t clocks = 0;
    return runEntry(call, Reach::Channel, clocks, [&](SimState& s) -> FT_STATUS {
        if (!s.channel.isReadyHandle(handle)) return kInvalidHandle;
        if (buffer == nullptr || framesDone == nullptr) return kInvalidParameter;
        const FT_STATUS status = readFrames(s, buffer, frameBits, frameCount, periodClocks, clocks);
        if (status != kOk) return status;
        *framesDone = frameCount;
        SimTrace::setData(call, buffer,
                          static_cast<std::size_t>(frameCount) * ((frameBits + 7) / 8));
        return kOk;
    });
}
#endif

#ifndef TALMIRSIM_OMIT_TALMIR_SPI_STREAMFRAMES
// Traced once, when the run ends, with size = frame bits, index = frame count,
// options = period. The run is read in pieces of about 50 ms: frame k is
// sampled at the run's start plus k spacings, and a piece is handed to the
// sink once the wire time of its last frame (and the USB latency) has passed,
// so the run keeps the adapter's clock from its first frame to its last.
FT_STATUS Talmir_SPI_StreamFrames(FT_HANDLE handle, DWORD frameBits, DWORD frameCount,
                                  DWORD periodClocks, Talmir_FrameSink_fn* sink, void* context,
                                  DWORD* framesDone) {
    using Clock = SimMagnet::Clock;
    TalmirSimCall call = SimTrace::makeCall("Talmir_SPI_StreamFrames");
    call.size = frameBits;
    call.index = frameCount;
    call.options = periodClocks;
    if (framesDone != nullptr) *framesDone = 0;
    SimState& s = simState();
    const auto finish = [&](FT_STATUS status) {
        std::lock_guard lock(s.mutex);
        call.status = status;
        s.trace.record(call);
        return status;
    };
    uint64_t spacing = 0;
    uint32_t clock = 0;
    std::chrono::nanoseconds latency{};
    {
        std::lock_guard lock(s.mutex);
        clock = s.channel.clockRate();
        if (const auto injected = s.faults.take(call.name)) {
            call.status = *injected;
        } else if (s.unplugged) {
            call.status = kIoError;
        } else if (!s.channel.isReadyHandle(handle)) {
            call.status = kInvalidHandle;
        } else if (sink == nullptr || framesDone == nullptr ||
                   !talmirframes::framesAccepted(frameBits, periodClocks, clock)) {
            call.status = kInvalidParameter;
        }
        if (call.status != kOk) {
            s.trace.record(call);
            return call.status;
        }
        spacing = talmirframes::spacingClocks(frameBits, periodClocks);
        latency = s.wireTime.cost(0, clock);
    }
    const std::size_t frameBytes = (frameBits + 7) / 8;
    const double secondsPerFrame = static_cast<double>(spacing) / clock;
    const uint64_t perPiece = std::clamp<uint64_t>(static_cast<uint64_t>(0.05 / secondsPerFrame), 1,
                                                   std::max<DWORD>(frameCount, 1));
    const auto instant = [&](Clock::time_point start, uint64_t k) {
        return start + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(static_cast<double>(k) * secondsPerFrame));
    };
    std::vector<UCHAR> piece(perPiece * frameBytes);
    const auto start = Clock::now();
    for (uint64_t first = 0; first < frameCount;) {
        const uint64_t n = std::min<uint64_t>(perPiece, frameCount - first);
        bool unplugged = false;
        {
            std::lock_guard lock(s.mutex);
            unplugged = s.unplugged;
            for (uint64_t k = 0; k < n && !unplugged; ++k)
                readFrame(s, piece.data() + k * frameBytes, frameBits, kSizeInBits,
                          instant(start, first + k));
        }
        if (unplugged) return finish(kIoError);
        SimWireTime::waitUntil(instant(start, first + n) + latency);
        first += n;
        *framesDone = static_cast<DWORD>(first);
        if (sink(context, piece.data(), static_cast<DWORD>(n)) != 0) break;
    }
    return finish(kOk);
}
#endif

DWORD Talmir_SPI_MinFramePeriod(DWORD frameBits, DWORD clockRate) {
    return talmirframes::minPeriodClocks(frameBits, clockRate);
}

FT_STATUS FT_WriteGPIO(FT_HANDLE handle, UCHAR dir, UCHAR value) {
    TalmirSimCall call = SimTrace::makeCall("FT_WriteGPIO");
    call.dir = dir;
    call.value = value;
    return runEntry(call, Reach::Channel, 0, [&](SimState& s) -> FT_STATUS {
        if (!s.channel.isReadyHandle(handle)) return kInvalidHandle;
        s.channel.setGpio(dir, value);
        return kOk;
    });
}

FT_STATUS FT_ReadGPIO(FT_HANDLE handle, UCHAR* value) {
    TalmirSimCall call = SimTrace::makeCall("FT_ReadGPIO");
    return runEntry(call, Reach::Channel, 0, [&](SimState& s) -> FT_STATUS {
        if (!s.channel.isReadyHandle(handle)) return kInvalidHandle;
        if (value == nullptr) return kInvalidParameter;
        *value = s.channel.gpioValue();
        call.value = *value;
        return kOk;
    });
}

}  // extern "C"
