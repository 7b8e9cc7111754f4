#include "core/VisibleRangeExport.h"

#include <charconv>
#include <vector>

#include "core/Files.h"

namespace talmir {

namespace {

template <class Int>
void AppendInt(std::string& text, Int v) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
    text.append(digits, end);
}

}  // namespace

namespace {

// Produces the text in pieces of about 64 KiB.
void ProduceVisibleRange(std::span<const NamedSeries> series, int64_t xFrom, int64_t xTo,
                         const PieceSink& put) {
    constexpr std::size_t kPiece = 1 << 16;
    std::string text = "Sample";
    for (const NamedSeries& s : series) {
        text += ';';
        text += s.title;
    }
    text += "\r\n";
    std::vector<SeriesStore::Cursor> cursors;
    cursors.reserve(series.size());
    for (const NamedSeries& s : series) cursors.push_back(s.store->Read(xFrom, xTo));
    // Merge by x: each row is the lowest x any series still has to give.
    for (;;) {
        bool any = false;
        int64_t x = 0;
        for (const SeriesStore::Cursor& c : cursors) {
            if (c.Done() || (any && c.X() >= x)) continue;
            x = c.X();
            any = true;
        }
        if (!any) break;
        AppendInt(text, x);
        for (SeriesStore::Cursor& c : cursors) {
            text += ';';
            if (c.Done() || c.X() != x) continue;
            AppendInt(text, c.Value());
            c.Next();
        }
        text += "\r\n";
        if (text.size() >= kPiece) {
            put(text);
            text.clear();
        }
    }
    put(text);
}

}  // namespace

std::string VisibleRangeText(std::span<const NamedSeries> series, int64_t xFrom, int64_t xTo) {
    std::string text;
    ProduceVisibleRange(series, xFrom, xTo, [&](std::string_view piece) { text += piece; });
    return text;
}

void SaveVisibleRange(const std::filesystem::path& path, std::span<const NamedSeries> series,
                      int64_t xFrom, int64_t xTo) {
    SaveFileReplacing(path,
                      [&](const PieceSink& put) { ProduceVisibleRange(series, xFrom, xTo, put); });
}

}  // namespace talmir
