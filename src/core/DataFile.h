#pragma once
// Data files: semicolon-separated text with CR LF line ends. The header is
// written only when the file is created; every record is appended by opening
// the file, writing one line, flushing and closing it again.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace talmir {

// A data file could not be created, opened or written, or had no name.
class DataFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Appends one record to the file at `path`. A file that does not exist yet is
// created and given `header` and CR LF first (an existing file, even an empty
// one, gets no header). Then `line` and CR LF are written when present.
// Throws DataFileError naming the file and the reason on any failure.
void AppendRecord(const std::filesystem::path& path, const std::string& header,
                  const std::optional<std::string>& line);

}  // namespace talmir
