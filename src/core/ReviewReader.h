#pragma once
// Reading a data file or a capture file into a ReviewRecord, in pieces, so a
// file of any length is read in the memory its samples take (about 2.6 bytes
// per sample and series) plus one piece.
//
// The first line that is not blank names the format: a header the tool
// writes, or, in a file that starts without one (created in readout mode 5,
// which writes an empty header, or one that existed before its first line),
// a data line of some layout. Every later line must be a line of that format;
// one that is not is left out and reported by its number. Blank lines carry
// nothing and are skipped. Lines end in CR LF or LF.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/ReviewRecord.h"

namespace talmir {

class ReviewReader {
public:
    // Takes the next bytes of the file; a line may be split anywhere.
    void Feed(std::string_view bytes);
    // Ends the file: a last line without its line end is reported, not taken.
    void Finish();

    // Why the text is no file of the tool's; empty while it may be one. Once
    // set, Feed ignores the rest.
    const std::string& Error() const { return error_; }
    // The record read so far; none until the format is known.
    const std::optional<ReviewRecord>& Record() const { return record_; }
    std::optional<ReviewRecord> TakeRecord() { return std::move(record_); }

private:
    void Line(std::string_view line, bool ended);
    void BadLine(std::string_view line, std::string reason);

    // A line longer than any of the tool's is not kept whole, only reported.
    static constexpr std::size_t kLongestLine = 4096;
    std::string partial_;  // the start of a line split between pieces
    bool overlong_ = false;
    int64_t number_ = 0;
    std::optional<ReviewRecord> record_;
    uint8_t decodings_ = kChartMode2 | kExportMode2;
    std::string error_;
};

struct ReviewFileResult {
    std::optional<ReviewRecord> record;  // none on failure or when cancelled
    std::string error;                   // why none, in Russian, naming the file
    bool cancelled = false;
};

// Reads the file in pieces of 1 MiB. `bytesRead`, when given, follows the
// progress; a set `cancel` stops the reading after the current piece.
ReviewFileResult ReadReviewFile(const std::filesystem::path& path,
                                std::atomic<int64_t>* bytesRead = nullptr,
                                const std::atomic<bool>* cancel = nullptr);

}  // namespace talmir
