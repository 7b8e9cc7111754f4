#pragma once
// Opening, reading and saving whole files by a path that keeps its native
// encoding (wide characters on Windows, UTF-8 elsewhere), so a name with any
// letters opens the same file everywhere.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talmir {

// The path as UTF-8 text, for messages.
std::string PathText(const std::filesystem::path& path);

// std::fopen for a path in its native encoding; null (errno set) on failure.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// The whole file; none when it cannot be opened or read, `err` (when given)
// then holding the errno value.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path, int* err = nullptr);

// Replaces the file with `bytes`: they go to a new temporary file beside it,
// which is flushed, closed and then renamed over the old one, so the old file
// stays whole until the new one is complete (standard C++ has no call that
// forces the bytes onto the disk before the rename). On failure the temporary is
// removed, the old file is left as it was and std::runtime_error says so,
// naming the file.
void SaveFileReplacing(const std::filesystem::path& path, std::string_view bytes);

}  // namespace talmir
