// A file in a private folder on the memory file system, for the file-based
// readers and writers under fuzzing: saves that replace the file through a
// temporary beside it work as on disk, and the folder goes when the process
// ends normally.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

class FuzzMemFile {
public:
    FuzzMemFile() {
        std::string folder = "/dev/shm/talmir-fuzz.XXXXXX";
        if (!std::filesystem::is_directory("/dev/shm")) folder = "/tmp/talmir-fuzz.XXXXXX";
        if (mkdtemp(folder.data()) == nullptr) std::abort();
        folder_ = folder;
        path_ = (folder_ / "file.ini").string();
    }
    ~FuzzMemFile() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    FuzzMemFile(const FuzzMemFile&) = delete;
    FuzzMemFile& operator=(const FuzzMemFile&) = delete;

    const std::string& path() const { return path_; }

    void Set(std::string_view bytes) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) std::abort();
    }

    std::string Get() const {
        std::ifstream in(path_, std::ios::binary);
        if (!in) std::abort();
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path folder_;
    std::string path_;
};
