#include "core/IniFile.h"

#include "core/Files.h"
#include "core/IntText.h"

#include <string_view>

namespace talmir {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Name of a "[NAME]" header line, or none.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
    return Trim(t.substr(1, t.size() - 2));
}

bool IsComment(std::string_view line) {
    const std::string_view t = Trim(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// Key of a "key=value" line, or none for headers, comments and other text.
std::optional<std::string_view> KeyOf(std::string_view line) {
    if (IsComment(line) || SectionName(line)) return std::nullopt;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(0, eq));
}

std::string ValueOf(std::string_view line) {
    return std::string(Trim(line.substr(line.find('=') + 1)));
}

}  // namespace

bool IniFile::Load(const std::filesystem::path& path, int* err) {
    bom_.clear();
    lines_.clear();
    newEol_ = "\r\n";

    const std::optional<std::string> text = ReadFileBytes(path, err, kMaxTextFileBytes);
    if (!text) return false;

    std::string_view rest = *text;
    if (rest.starts_with(kBom)) {
        bom_ = kBom;
        rest.remove_prefix(kBom.size());
    }
    bool styleFound = false;
    while (!rest.empty()) {
        const size_t brk = rest.find_first_of("\r\n");
        if (brk == std::string_view::npos) {
            lines_.push_back({std::string(rest), ""});
            break;
        }
        const size_t eolLen =
            (rest[brk] == '\r' && brk + 1 < rest.size() && rest[brk + 1] == '\n') ? 2 : 1;
        lines_.push_back({std::string(rest.substr(0, brk)), std::string(rest.substr(brk, eolLen))});
        if (!styleFound) {
            newEol_ = lines_.back().eol;
            styleFound = true;
        }
        rest.remove_prefix(brk + eolLen);
    }
    return true;
}

std::optional<size_t> IniFile::FindSection(const std::string& section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i].text);
        if (name && EqualsNoCase(*name, section)) return i;
    }
    return std::nullopt;
}

size_t IniFile::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && !SectionName(lines_[i].text)) ++i;
    return i;
}

std::optional<size_t> IniFile::FindKey(size_t header, const std::string& key) const {
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const auto k = KeyOf(lines_[i].text);
        if (k && EqualsNoCase(*k, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniFile::Read(const std::string& section, const std::string& key) const {
    const auto header = FindSection(section);
    if (!header) return std::nullopt;
    const auto line = FindKey(*header, key);
    if (!line) return std::nullopt;
    return ValueOf(lines_[*line].text);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
    return Read(section, key).value_or(fallback);
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                             int32_t fallback) const {
    const auto value = Read(section, key);
    return value ? ParseIntOr(*value, fallback) : fallback;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
    const auto value = Read(section, key);
    if (!value) return fallback;
    const auto number = ParseInt(*value);
    return number ? *number != 0 : fallback;
}

void IniFile::InsertLine(size_t at, std::string text) {
    // A last line that had no line end gets one once something follows it.
    if (at == lines_.size() && !lines_.empty() && lines_.back().eol.empty()) {
        lines_.back().eol = newEol_;
    }
    // A lone CR followed by an empty line that ends in LF would read back as
    // one CRLF and swallow that empty line, so end the new line with CRLF.
    std::string eol = newEol_;
    if (eol == "\r" && at < lines_.size() && lines_[at].text.empty() &&
        lines_[at].eol.starts_with('\n')) {
        eol = "\r\n";
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  Line{std::move(text), std::move(eol)});
}

void IniFile::Write(const std::string& section, const std::string& key, const std::string& value) {
    const auto header = FindSection(section);
    if (!header) {
        InsertLine(lines_.size(), "[" + section + "]");
        InsertLine(lines_.size(), key + "=" + value);
        return;
    }
    if (const auto line = FindKey(*header, key)) {
        // Keep the key as spelled in the file.
        std::string& text = lines_[*line].text;
        text = std::string(*KeyOf(text)) + "=" + value;
        return;
    }
    size_t at = *header + 1;
    const size_t end = SectionEnd(*header);
    for (size_t i = *header + 1; i < end; ++i) {
        if (KeyOf(lines_[i].text)) at = i + 1;
    }
    InsertLine(at, key + "=" + value);
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    Write(section, key, value ? "1" : "0");
}

void IniFile::Save(const std::filesystem::path& path) const {
    std::string text = bom_;
    for (const Line& line : lines_) text += line.text + line.eol;
    SaveFileReplacing(path, text);
}

}  // namespace talmir
