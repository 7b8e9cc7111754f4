#pragma once
// INI document held in memory: read and write keys of named sections while
// keeping every other line of the file exactly as it was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace talmir {

class IniFile {
public:
    // Reads the file. Returns false (and leaves an empty document) when the
    // file is missing, cannot be read or is longer than kMaxTextFileBytes;
    // `err` (when given) then holds the errno value (EFBIG for the last).
    // CR LF, LF and CR all end a line.
    bool Load(const std::filesystem::path& path, int* err = nullptr);

    // True when the document has a "[section]" header (ASCII case ignored).
    bool HasSection(const std::string& section) const { return FindSection(section).has_value(); }

    // Value of `key` in `section`, both matched ignoring ASCII case: the text
    // after the first "=", blanks around it trimmed. Empty when absent.
    std::optional<std::string> Read(const std::string& section, const std::string& key) const;

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;

    // The value in integer text syntax; `fallback` when missing or not an integer.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t fallback) const;

    // An integer value, non-zero meaning true; `fallback` when missing or not an integer.
    bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

    // Sets a key. An existing key's line is replaced where it stands; a new
    // key goes after the last key line of its section; a new section is
    // appended at the end of the document. All other lines stay untouched.
    void Write(const std::string& section, const std::string& key, const std::string& value);

    // Writes "1" or "0".
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Writes the document, each line with its own line end; added lines use
    // the style of the loaded file (CR LF for a new one). The old file is
    // replaced only once the new text is completely written; when that fails
    // it stays as it was and std::runtime_error names the file.
    void Save(const std::filesystem::path& path) const;

private:
    struct Line {
        std::string text;
        std::string eol;  // "\r\n", "\n", "\r" or "" for a last line without one
    };

    // Index of the section's header line, or none.
    std::optional<size_t> FindSection(const std::string& section) const;
    // One past the section's last line (the next header or the end).
    size_t SectionEnd(size_t header) const;
    std::optional<size_t> FindKey(size_t header, const std::string& key) const;
    void InsertLine(size_t at, std::string text);

    std::string bom_;
    std::vector<Line> lines_;
    std::string newEol_ = "\r\n";
};

}  // namespace talmir
