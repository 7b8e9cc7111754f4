#include "core/Files.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <stdexcept>
#include <system_error>

namespace talmir {

namespace {

[[noreturn]] void SaveFailed(const std::filesystem::path& path, const std::string& reason) {
    throw std::runtime_error("Не удалось сохранить файл «" + PathText(path) + "»: " + reason +
                             ". Файл оставлен без изменений.");
}

std::string ErrnoText(int err) {
    return std::strerror(err ? err : EIO);
}

}  // namespace

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    // The narrow fopen takes the ANSI code page there; the wide one takes any name.
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path, int* err,
                                         std::size_t maxBytes) {
    errno = 0;
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
        if (err) *err = errno ? errno : EIO;
        return std::nullopt;
    }
    std::string bytes;
    char buffer[4096];
    size_t got = 0;
    bool tooLong = false;
    while (!tooLong && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        tooLong = got > maxBytes - bytes.size();
        if (!tooLong) bytes.append(buffer, got);
    }
    const int readErr = tooLong ? EFBIG : std::ferror(file) ? (errno ? errno : EIO) : 0;
    std::fclose(file);
    if (readErr) {
        if (err) *err = readErr;
        return std::nullopt;
    }
    return bytes;
}

void SaveFileReplacing(const std::filesystem::path& path, std::string_view bytes) {
    SaveFileReplacing(path, [bytes](const PieceSink& put) { put(bytes); });
}

void SaveFileReplacing(const std::filesystem::path& path,
                       const std::function<void(const PieceSink& put)>& produce) {
    namespace fs = std::filesystem;
    // A fresh name "NAME.tmp-XXXX" in the same folder, so the rename stays on
    // one file system; "x" refuses a name that is taken.
    std::random_device rng;
    fs::path temp;
    std::FILE* file = nullptr;
    int err = 0;
    for (int attempt = 0; attempt < 16 && file == nullptr; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".tmp-%04x", static_cast<unsigned>(rng() & 0xFFFF));
        temp = path;
        temp += suffix;
        errno = 0;
        file = OpenFile(temp, "wbx");
        err = errno;
        if (file == nullptr && err != EEXIST) break;
    }
    if (file == nullptr)
        SaveFailed(path, "нельзя создать временный файл рядом с ним (" + ErrnoText(err) + ")");

    errno = 0;
    bool written = true;
    err = 0;
    try {
        produce([&](std::string_view piece) {
            if (!written) return;
            written = std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
            if (!written) err = errno;
        });
    } catch (...) {
        std::fclose(file);
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
    if (written) {
        written = std::fflush(file) == 0;
        if (!written) err = errno;
    }
    const bool closed = std::fclose(file) == 0;
    if (written && !closed) err = errno;
    std::error_code ec;
    if (!written || !closed) {
        fs::remove(temp, ec);
        SaveFailed(path, ErrnoText(err));
    }
    // The new file takes the old one's permissions.
    const fs::file_status old = fs::status(path, ec);
    if (!ec && fs::exists(old)) fs::permissions(temp, old.permissions(), ec);
    fs::rename(temp, path, ec);
    if (ec) {
        const std::string reason = ec.message();
        fs::remove(temp, ec);
        SaveFailed(path, reason);
    }
}

}  // namespace talmir
