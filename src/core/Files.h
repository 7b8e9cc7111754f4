#pragma once
// Opening, reading and saving whole files by a path that keeps its native
// encoding (wide characters on Windows, UTF-8 elsewhere), so a name with any
// letters opens the same file everywhere.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace talmir {

// The path as UTF-8 text, for messages.
std::string PathText(const std::filesystem::path& path);

// std::fopen for a path in its native encoding; null (errno set) on failure.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// Settings and register files are read whole. The tool's own are a few
// hundred bytes; a file longer than this is not one of them and is not loaded.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{1} << 20;

// The whole file; none when it cannot be opened or read, or when it is longer
// than `maxBytes` (EFBIG; reading stops a few kilobytes past maxBytes, so a
// device that never ends is no trouble). `err` (when given) then holds the
// errno value.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path, int* err = nullptr,
                                         std::size_t maxBytes = SIZE_MAX);

// Replaces the file with `bytes`: they go to a new temporary file beside it,
// which is flushed, closed and then renamed over the old one, so the old file
// stays whole until the new one is complete (standard C++ has no call that
// forces the bytes onto the disk before the rename). On failure the temporary is
// removed, the old file is left as it was and std::runtime_error says so,
// naming the file.
void SaveFileReplacing(const std::filesystem::path& path, std::string_view bytes);

// The same for text made piece by piece: `produce` calls `put` with each piece
// in order, so a long file never has to be held in memory whole.
using PieceSink = std::function<void(std::string_view piece)>;
void SaveFileReplacing(const std::filesystem::path& path,
                       const std::function<void(const PieceSink& put)>& produce);

}  // namespace talmir
