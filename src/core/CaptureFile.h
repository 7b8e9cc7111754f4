#pragma once
// A capture file written as its samples arrive: the header "t_us;" and the
// mode's fields (CaptureHeader), then one line per sample (CaptureLine), every
// line ending in CR LF. The capture job and the review window's saving both
// write through it.

#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

#include "core/CaptureRecord.h"

namespace talmir {

class CaptureFileWriter {
public:
    // Creates the file (an existing one is emptied) and writes the header.
    CaptureFileWriter(const std::filesystem::path& path, int mode);
    ~CaptureFileWriter();
    CaptureFileWriter(const CaptureFileWriter&) = delete;
    CaptureFileWriter& operator=(const CaptureFileWriter&) = delete;

    // False when the file could not be created.
    bool Created() const { return file_ != nullptr; }
    void Append(std::span<const CapturedSample> samples);
    // Closes the file: true when it was created and every byte reached it.
    bool Close();

private:
    void Write(const std::string& text);

    int mode_;
    std::FILE* file_ = nullptr;
    bool written_ = true;
    std::string text_;
};

// The whole capture into `path`; empty when written, else the reason in
// Russian, naming the file.
std::string WriteCaptureFile(const std::filesystem::path& path, int mode,
                             std::span<const CapturedSample> samples);

}  // namespace talmir
