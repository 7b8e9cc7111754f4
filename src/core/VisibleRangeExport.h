#pragma once
// Export of a chart's visible x range: every sample of its series as
// semicolon-separated text, one row per sample number.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "core/SeriesStore.h"

namespace talmir {

struct NamedSeries {
    std::string title;
    const SeriesStore* store = nullptr;
};

// The text: the header "Sample;<title 1>;<title 2>;...", then one row for
// every sample number x in [xFrom, xTo] that any series has a sample at:
// x, then each series' value at x in decimal, an empty field where the series
// has none. Every line, the last included, ends with CR LF. Titles are written
// as given.
std::string VisibleRangeText(std::span<const NamedSeries> series, int64_t xFrom, int64_t xTo);

// Saves the same text to `path` through SaveFileReplacing, written in pieces
// as it is made (an 8-hour record needs no gigabyte of text in memory): an
// existing file is replaced only once the new text is complete. Throws std::runtime_error
// naming the file when it cannot be saved.
void SaveVisibleRange(const std::filesystem::path& path, std::span<const NamedSeries> series,
                      int64_t xFrom, int64_t xTo);

}  // namespace talmir
