#include "device/CaptureEngine.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <optional>

#include "device/DeviceError.h"

namespace talmir {

namespace {

using Clock = std::chrono::steady_clock;

// A block is handed over at least this often, so a window shows progress.
constexpr double kBlockSeconds = 0.05;
constexpr std::uint64_t kMaxBlock = 1u << 16;

std::int64_t MicrosSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

std::uint64_t BlockSize(double rateHz, std::uint64_t remaining) {
    const auto wanted = static_cast<std::uint64_t>(std::max(1.0, rateHz * kBlockSeconds));
    return std::min({wanted, remaining, kMaxBlock});
}

// Waits until `due` on the thread's clock. A sleep may end early (on Windows
// one shorter than the system's timer tick returns at once), so the rest is
// waited out by yielding until the clock says the instant has come.
void WaitUntil(Clock::time_point due) {
    std::this_thread::sleep_until(due);
    while (Clock::now() < due) std::this_thread::yield();
}

// Ends a capture's result with the failure `e`.
void NoteFailure(CaptureResult& result, const std::exception& e) {
    result.error = e.what();
    if (const auto* device = dynamic_cast<const DeviceError*>(&e)) {
        result.errorCall = device->Call();
        result.errorStatus = device->Status();
    }
}

}  // namespace

CaptureEngine::CaptureEngine(TASensDig& chip, MpsseLink& link) : chip_(chip), link_(link) {}

CaptureEngine::~CaptureEngine() {
    Cancel();
    Wait();
}

double CaptureEngine::FrameTimeUs(int mode) const {
    const double clockHz = link_.ChannelConfig().ClockRate;
    const unsigned bits = mode == 0 ? 6 * 16 : FrameBits(mode);
    return clockHz > 0 ? bits * 1e6 / clockHz : 0;
}

double CaptureEngine::MaxPacedRateHz(int mode) const {
    if (mode < 1 || mode > 5 || !link_.HasReadFrames()) return 0;
    const std::uint32_t period = link_.MinFramePeriod(FrameBits(mode));
    return period > 0 ? static_cast<double>(link_.ChannelConfig().ClockRate) / period : 0;
}

std::string CaptureEngine::Refusal(const CaptureSettings& s) const {
    if (s.mode < 0 || s.mode > 5) return "Режим считывания должен быть от 0 до 5";
    if (!(s.rateHz > 0) || !std::isfinite(s.rateHz)) return "Частота должна быть больше нуля";
    if (s.count == 0) return "Число отсчётов должно быть больше нуля";
    const double max = MaxPacedRateHz(s.mode);
    if (max > 0 && s.rateHz > max)
        return "Частота выше наибольшей, которую позволяет частота SPI: " +
               std::to_string(static_cast<long long>(max)) + " Гц";
    return {};
}

CaptureResult CaptureEngine::Run(const CaptureSettings& settings, const BlockSink& onBlock) {
    cancel_ = false;
    CaptureResult result;
    result.error = Refusal(settings);
    if (!result.error.empty()) return result;
    try {
        if (MaxPacedRateHz(settings.mode) <= 0) return RunTimed(settings, onBlock);
        return link_.HasStreamFrames() ? RunStreamed(settings, onBlock)
                                       : RunPaced(settings, onBlock);
    } catch (const std::exception& e) {
        NoteFailure(result, e);
        return result;
    }
}

void CaptureEngine::Start(const CaptureSettings& settings, BlockSink onBlock, DoneSink onDone) {
    Wait();
    cancel_ = false;
    thread_ =
        std::thread([this, settings, onBlock = std::move(onBlock), onDone = std::move(onDone)] {
            const CaptureResult result = Run(settings, onBlock);
            if (onDone) onDone(result);
        });
}

void CaptureEngine::Wait() {
    if (thread_.joinable()) thread_.join();
}

namespace {

// The frames of a paced capture: their bits and bytes, and the period in SK
// clocks for the rate (never below the library's shortest) and in µs.
struct PacedFrames {
    unsigned bits;
    std::size_t bytes;
    std::uint32_t period;
    double periodUs;
};

PacedFrames PacedFramesOf(MpsseLink& link, const CaptureSettings& s) {
    const unsigned bits = FrameBits(s.mode);
    const double clockHz = link.ChannelConfig().ClockRate;
    const auto period = static_cast<std::uint32_t>(
        std::max<double>(link.MinFramePeriod(bits), std::llround(clockHz / s.rateHz)));
    return {bits, FrameBytes(s.mode), period, period * 1e6 / clockHz};
}

// Counts the block's samples as taken and hands it to `onBlock`, leaving it
// empty.
void HandOver(std::vector<CapturedSample>& block, CaptureResult& result,
              const CaptureEngine::BlockSink& onBlock) {
    result.taken += block.size();
    if (!block.empty() && onBlock) onBlock(std::move(block));
    block = {};
}

}  // namespace

// One unbroken run of frames a whole number of SK clocks apart, handed over
// as the library reads them: every sample's time is its clock count from the
// capture's first frame. (A capture longer than one run, over 4 * 10^9
// samples, starts each further run at its measured time.)
CaptureResult CaptureEngine::RunStreamed(const CaptureSettings& s, const BlockSink& onBlock) {
    CaptureResult result;
    result.paced = true;
    const PacedFrames f = PacedFramesOf(link_, s);
    const std::uint64_t blockSize = BlockSize(s.rateHz, s.count);
    const Clock::time_point start = Clock::now();
    std::vector<CapturedSample> block;
    std::optional<std::string> sinkError;
    while (result.taken < s.count && !cancel_) {
        const auto run =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(s.count - result.taken, UINT32_MAX));
        const std::int64_t runUs = result.taken == 0 ? 0 : MicrosSince(start);
        std::uint64_t index = 0;  // of the run's next frame
        const FrameBurst burst =
            link_.StreamFrames(link_.Channel(), f.bits, run, f.period,
                               [&](const std::uint8_t* frames, std::uint32_t n) {
                                   try {
                                       for (std::uint32_t k = 0; k < n; ++k, ++index) {
                                           CapturedSample& sample = block.emplace_back();
                                           sample.tUs = runUs + std::llround(index * f.periodUs);
                                           SampleFromFrame(s.mode, frames + k * f.bytes, sample);
                                           if (block.size() >= blockSize)
                                               HandOver(block, result, onBlock);
                                       }
                                   } catch (const std::exception& e) {
                                       sinkError = e.what();
                                       return false;
                                   }
                                   return !cancel_;
                               });
        HandOver(block, result, onBlock);
        if (sinkError) {
            result.error = *sinkError;
            return result;
        }
        if (burst.status != 0) {
            NoteFailure(result, DeviceError(TALMIR_STREAM_FRAMES_NAME, burst.status));
            return result;
        }
        if (burst.framesDone < run) break;
    }
    result.cancelled = result.taken < s.count;
    return result;
}

// Bursts of frames a whole number of SK clocks apart. Within a burst a
// sample's time is its clock count; each burst starts at the time measured
// when it was sent.
CaptureResult CaptureEngine::RunPaced(const CaptureSettings& s, const BlockSink& onBlock) {
    CaptureResult result;
    result.paced = true;
    const PacedFrames f = PacedFramesOf(link_, s);
    std::vector<std::uint8_t> buffer;
    const Clock::time_point start = Clock::now();
    while (result.taken < s.count && !cancel_) {
        const std::uint64_t n = BlockSize(s.rateHz, s.count - result.taken);
        buffer.assign(n * f.bytes, 0);
        const std::int64_t burstUs = result.taken == 0 ? 0 : MicrosSince(start);
        const FrameBurst burst = link_.ReadFrames(link_.Channel(), buffer.data(), f.bits,
                                                  static_cast<std::uint32_t>(n), f.period);
        const std::uint32_t done = std::min<std::uint32_t>(burst.framesDone, n);
        std::vector<CapturedSample> block(done);
        for (std::uint32_t k = 0; k < done; ++k) {
            block[k].tUs = burstUs + std::llround(k * f.periodUs);
            SampleFromFrame(s.mode, buffer.data() + k * f.bytes, block[k]);
        }
        HandOver(block, result, onBlock);
        if (burst.status != 0) {
            NoteFailure(result, DeviceError(TALMIR_READ_FRAMES_NAME, burst.status));
            return result;
        }
    }
    result.cancelled = result.taken < s.count;
    return result;
}

// One framed read per sample at the instant the thread's clock sets; a
// sample's time is measured when its read starts.
CaptureResult CaptureEngine::RunTimed(const CaptureSettings& s, const BlockSink& onBlock) {
    CaptureResult result;
    const Clock::time_point start = Clock::now();
    std::vector<CapturedSample> block;
    const std::uint64_t blockSize = BlockSize(s.rateHz, s.count);
    for (std::uint64_t k = 0; k < s.count && !cancel_; ++k) {
        WaitUntil(start + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double>(k / s.rateHz)));
        CapturedSample sample;
        sample.tUs = MicrosSince(start);
        try {
            ReadSample(chip_, s.mode, sample);
        } catch (const std::exception& e) {
            HandOver(block, result, onBlock);
            NoteFailure(result, e);
            return result;
        }
        block.push_back(sample);
        if (block.size() >= blockSize) HandOver(block, result, onBlock);
    }
    HandOver(block, result, onBlock);
    result.cancelled = result.taken < s.count;
    return result;
}

void ReadSample(TASensDig& chip, int mode, CapturedSample& sample) {
    RawReading& raw = sample.raw;
    bool ok = true;
    switch (mode) {
        case 0:
            raw.AData1 = chip.GetReg(37, true);
            raw.AData2 = chip.GetReg(39, true);
            raw.AData3 = chip.GetReg(36, true);
            return;
        case 1:
            ok = chip.GetAngleData1(raw.AData);
            break;
        case 2:
        case 3:
            ok = chip.GetAngleData2(raw.AData1, raw.AData2);
            break;
        case 4:
            ok = chip.GetAngleData3(raw.AData1, raw.AData2, raw.AData3);
            break;
        default: {
            std::uint16_t* w = sample.words;
            ok = chip.GetAngleData5(w[0], w[1], w[2], w[3], w[4]);
            break;
        }
    }
    if (ok) return;
    if (chip.LastFrameFailure()) throw *chip.LastFrameFailure();
    throw DeviceError::WithMessage("SPI_Read", chip.LastFrameError());
}

}  // namespace talmir
