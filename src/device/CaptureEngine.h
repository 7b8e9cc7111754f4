// A capture: samples of one readout mode at a set rate, taken on a thread of
// its own that owns the link while it runs, and handed over in blocks.
//
// Frames (modes 1 to 5) go out paced by the adapter's clock when the library
// reads them: frame starts a whole number of SK clocks apart, each sample's
// time from the clock count. A library that streams a run
// (Talmir_SPI_StreamFrames) reads the whole capture as one run; one that only
// reads bursts (Talmir_SPI_ReadFrames) reads it in bursts, each started at
// its measured time, with gaps between them. With a library
// that does not (the vendor's), and in mode 0 (registers 37, 39 and 36), each
// sample is one framed read at the instant the thread's clock sets, its time
// measured.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/CaptureRecord.h"
#include "device/TASensDig.h"

namespace talmir {

struct CaptureSettings {
    int mode = 2;                // readout mode 0 to 5
    double rateHz = 1000;        // samples per second
    std::uint64_t count = 1000;  // samples to take
};

struct CaptureResult {
    std::uint64_t taken = 0;  // samples handed over
    bool cancelled = false;
    bool paced = false;  // the adapter's clock set the sample instants
    std::string error;   // why the capture ended early; empty otherwise
    // The library call behind `error` and the status it answered, when a
    // call failed.
    std::string errorCall;
    std::optional<std::uint32_t> errorStatus;
};

// One sample of `mode` by framed reads (mode 0: registers 37, 39 and 36, in
// this order). A failed transfer raises DeviceError.
void ReadSample(TASensDig& chip, int mode, CapturedSample& sample);

class CaptureEngine {
public:
    using BlockSink = std::function<void(std::vector<CapturedSample>&& block)>;
    using DoneSink = std::function<void(const CaptureResult&)>;

    CaptureEngine(TASensDig& chip, MpsseLink& link);
    ~CaptureEngine();  // cancels a running capture and waits for it
    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;

    // The SPI time of one frame of `mode` at the configured clock, in µs
    // (mode 0: its six 16-bit frames).
    double FrameTimeUs(int mode) const;
    // The highest rate the adapter paces `mode` at with the configured clock;
    // 0 when the library does not pace (or in mode 0).
    double MaxPacedRateHz(int mode) const;
    // Why `settings` cannot be captured; empty when they can.
    std::string Refusal(const CaptureSettings& settings) const;

    // Takes the samples on the calling thread: blocks go to `onBlock` as they
    // are read. Stops early on Cancel() or a failure, keeping what it took.
    CaptureResult Run(const CaptureSettings& settings, const BlockSink& onBlock);
    // The same on the engine's own thread; `onDone` is called there once, last.
    void Start(const CaptureSettings& settings, BlockSink onBlock, DoneSink onDone);
    void Cancel() { cancel_ = true; }
    void Wait();

private:
    CaptureResult RunStreamed(const CaptureSettings& s, const BlockSink& onBlock);
    CaptureResult RunPaced(const CaptureSettings& s, const BlockSink& onBlock);
    CaptureResult RunTimed(const CaptureSettings& s, const BlockSink& onBlock);

    TASensDig& chip_;
    MpsseLink& link_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
};

}  // namespace talmir
