#pragma once
// A capture taken in memory as a review record: each sample's capture line,
// taken by the same strict parser as a capture file's, so what the review
// window shows of a fresh capture is what it would show of its saved file.

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "core/CaptureRecord.h"
#include "core/ReviewRecord.h"

namespace talmir {

// None for a mode whose capture has no review layout (outside 0 to 5), and
// when a set `cancel` stopped it; `done`, when given, follows the samples
// taken.
std::optional<ReviewRecord> ReviewRecordOfCapture(int mode, std::span<const CapturedSample> samples,
                                                  std::atomic<int64_t>* done = nullptr,
                                                  const std::atomic<bool>* cancel = nullptr);

}  // namespace talmir
