#include "core/CaptureFile.h"

#include "core/Files.h"

namespace talmir {

CaptureFileWriter::CaptureFileWriter(const std::filesystem::path& path, int mode)
    : mode_(mode), file_(OpenFile(path, "wb")) {
    if (file_ != nullptr) Write(CaptureHeader(mode) + "\r\n");
}

CaptureFileWriter::~CaptureFileWriter() {
    Close();
}

void CaptureFileWriter::Write(const std::string& text) {
    written_ = written_ && std::fwrite(text.data(), 1, text.size(), file_) == text.size();
}

void CaptureFileWriter::Append(std::span<const CapturedSample> samples) {
    if (file_ == nullptr) return;
    // Lines go out in pieces of about 1 MiB, so a long capture needs no text of its size.
    text_.clear();
    for (const CapturedSample& sample : samples) {
        text_ += CaptureLine(mode_, sample);
        text_ += "\r\n";
        if (text_.size() >= (std::size_t{1} << 20)) {
            Write(text_);
            text_.clear();
        }
    }
    Write(text_);
}

bool CaptureFileWriter::Close() {
    if (file_ == nullptr) return false;
    written_ = std::fclose(file_) == 0 && written_;
    file_ = nullptr;
    return written_;
}

std::string WriteCaptureFile(const std::filesystem::path& path, int mode,
                             std::span<const CapturedSample> samples) {
    CaptureFileWriter writer(path, mode);
    if (!writer.Created()) return "не удалось создать файл «" + PathText(path) + "»";
    writer.Append(samples);
    if (!writer.Close()) return "не удалось записать файл «" + PathText(path) + "»";
    return {};
}

}  // namespace talmir
