#include "core/DataFile.h"

#include "core/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace talmir {

namespace {

// `what` is the verb of the failed step: "создать", "открыть", "записать", "закрыть".
[[noreturn]] void Fail(const std::filesystem::path& path, const char* what, int err) {
    throw DataFileError("Не удалось " + std::string(what) + " файл данных «" + PathText(path) +
                        "»: " + std::strerror(err));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

void WriteText(std::FILE* f, const std::string& text, const std::filesystem::path& path) {
    const std::string withEnd = text + "\r\n";
    errno = 0;
    if (std::fwrite(withEnd.data(), 1, withEnd.size(), f) != withEnd.size()) {
        Fail(path, "записать", errno ? errno : EIO);
    }
}

}  // namespace

void AppendRecord(const std::filesystem::path& path, const std::string& header,
                  const std::optional<std::string>& line) {
    if (path.empty()) throw DataFileError("Не задано имя файла данных");

    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);

    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(OpenFile(path, "ab"));
    if (!file) Fail(path, existed ? "открыть" : "создать", errno ? errno : EIO);

    if (!existed) WriteText(file.get(), header, path);
    if (line) WriteText(file.get(), *line, path);

    errno = 0;
    if (std::fflush(file.get()) != 0) Fail(path, "записать", errno ? errno : EIO);
    errno = 0;
    if (std::fclose(file.release()) != 0) Fail(path, "закрыть", errno ? errno : EIO);
}

}  // namespace talmir
