// The one way a file name typed or chosen in the windows becomes a path for
// the file functions of src/core.
#pragma once

#include <QString>
#include <filesystem>

namespace talmir {

// From UTF-16, which std::filesystem turns into the native encoding: wide
// characters on Windows, UTF-8 elsewhere (as QFile does), so Cyrillic and
// other letters name the same file everywhere.
inline std::filesystem::path FilePath(const QString& name) {
    return std::filesystem::path(name.toStdU16String());
}

}  // namespace talmir
