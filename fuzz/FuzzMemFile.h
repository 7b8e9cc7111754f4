// An in-memory file with a path, for the file-based readers and writers
// under fuzzing: nothing touches the disk and nothing is left behind.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

class FuzzMemFile {
public:
    FuzzMemFile() : fd_(memfd_create("talmir-fuzz", 0)) {
        if (fd_ < 0) std::abort();
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~FuzzMemFile() { close(fd_); }
    FuzzMemFile(const FuzzMemFile&) = delete;
    FuzzMemFile& operator=(const FuzzMemFile&) = delete;

    const std::string& path() const { return path_; }

    void Set(std::string_view bytes) {
        if (ftruncate(fd_, 0) != 0) std::abort();
        if (pwrite(fd_, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
            std::abort();
    }

    std::string Get() const {
        std::string bytes;
        char buffer[4096];
        for (off_t at = 0;;) {
            const ssize_t got = pread(fd_, buffer, sizeof buffer, at);
            if (got < 0) std::abort();
            if (got == 0) break;
            bytes.append(buffer, static_cast<size_t>(got));
            at += got;
        }
        return bytes;
    }

private:
    int fd_;
    std::string path_;
};
