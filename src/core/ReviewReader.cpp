#include "core/ReviewReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/Files.h"

namespace talmir {

namespace {

// Longest part of a line quoted in a message, in bytes.
constexpr std::size_t kQuotedBytes = 40;

// The start of `line` in «», cut before a UTF-8 continuation byte, with "…"
// when something was left off.
std::string Quote(std::string_view line) {
    if (line.size() <= kQuotedBytes) return "«" + std::string(line) + "»";
    std::size_t end = kQuotedBytes;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
    return "«" + std::string(line.substr(0, end)) + "…»";
}

}  // namespace

void ReviewReader::Feed(std::string_view bytes) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end && error_.empty()) {
        const char* newline = static_cast<const char*>(std::memchr(p, '\n', end - p));
        const char* lineEnd = newline != nullptr ? newline : end;
        if (partial_.empty() && !overlong_ && newline != nullptr) {
            Line(std::string_view(p, lineEnd - p), true);
        } else {
            const auto room = kLongestLine - partial_.size();
            const auto size = static_cast<std::size_t>(lineEnd - p);
            partial_.append(p, std::min(size, room));
            overlong_ = overlong_ || size > room;
            if (newline != nullptr) {
                Line(partial_, true);
                partial_.clear();
                overlong_ = false;
            }
        }
        p = lineEnd + (newline != nullptr ? 1 : 0);
    }
}

void ReviewReader::Finish() {
    if (!error_.empty()) return;
    if (!partial_.empty()) Line(partial_, false);
    partial_.clear();
    if (!record_ && error_.empty()) error_ = "в файле нет ни заголовка, ни строк данных";
}

void ReviewReader::BadLine(std::string_view line, std::string reason) {
    if (record_->FirstBadLines().size() < ReviewRecord::kKeptBadLines) {
        // A line of another readout mode: the mode changed while the file was written.
        const auto other = LayoutOfDataLine(line);
        if (other && *other != record_->Format().layout && !record_->Format().capture)
            reason += "; это строка формата «" + ReviewHeader({*other, false}) + "»";
    }
    record_->AddBadLine(number_, std::move(reason));
}

void ReviewReader::Line(std::string_view line, bool ended) {
    ++number_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() && !overlong_) return;
    if (!record_) {
        if (const auto format = RecognizeHeader(line)) {
            record_.emplace(*format);
            return;
        }
        const auto layout = overlong_ ? std::nullopt : LayoutOfDataLine(line);
        if (!layout) {
            error_ = "строка " + std::to_string(number_) + " " + Quote(line) +
                     " — не заголовок и не строка данных файлов программы";
            return;
        }
        record_.emplace(ReviewFormat{*layout, false});
    }
    if (overlong_) return BadLine(line, "строка длиннее любой строки данных");
    if (!ended)
        return BadLine(line, LineFaultText(record_->Format(), {.fault = LineFault::NoLineEnd}));
    ReviewLine parsed;
    if (!ParseReviewLine(record_->Format(), line, parsed, decodings_))
        return BadLine(line, LineFaultText(record_->Format(), parsed));
    if (!record_->Append(parsed)) {
        parsed.fault = LineFault::TimeOrder;
        return BadLine(line, LineFaultText(record_->Format(), parsed));
    }
    if (record_->Format().layout == ReviewLayout::Mode2) {
        decodings_ = parsed.decodings;
        record_->SetMode2Decodings(decodings_);
    }
}

ReviewFileResult ReadReviewFile(const std::filesystem::path& path, std::atomic<int64_t>* bytesRead,
                                const std::atomic<bool>* cancel) {
    ReviewFileResult result;
    errno = 0;
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
        result.error = "не удалось открыть файл «" + PathText(path) +
                       "»: " + std::strerror(errno ? errno : EIO);
        return result;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, &std::fclose);
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    std::vector<char> piece(kPiece);
    ReviewReader reader;
    int64_t total = 0;
    std::size_t got = 0;
    while ((got = std::fread(piece.data(), 1, piece.size(), file)) > 0) {
        reader.Feed(std::string_view(piece.data(), got));
        total += static_cast<int64_t>(got);
        if (bytesRead != nullptr) bytesRead->store(total, std::memory_order_relaxed);
        if (!reader.Error().empty()) break;
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            result.cancelled = true;
            result.error = "чтение файла «" + PathText(path) + "» отменено";
            return result;
        }
    }
    if (std::ferror(file)) {
        result.error = "не удалось прочитать файл «" + PathText(path) +
                       "»: " + std::strerror(errno ? errno : EIO);
        return result;
    }
    reader.Finish();
    if (!reader.Error().empty()) {
        result.error = "файл «" + PathText(path) + "» не открыт: " + reader.Error();
        return result;
    }
    result.record = reader.TakeRecord();
    return result;
}

}  // namespace talmir
