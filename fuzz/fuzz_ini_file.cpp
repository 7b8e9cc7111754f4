// The INI reader and writer. Input: a document, optionally followed by a NUL
// byte and "section|key|value" to write. Properties: a loaded document saves
// back byte for byte; a written key reads back (also after saving and
// loading again) and no other key's value changes; the typed readers agree
// with the text reader; the register INI reading stays in range.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzMemFile.h"
#include "core/IniFile.h"
#include "core/IntText.h"
#include "core/RegisterFile.h"

namespace {

using talmir::IniFile;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// (section, key) pairs to probe: every bracketed name and every text before
// a "=" found by a lenient scan of the document's lines.
std::vector<std::pair<std::string, std::string>> Probes(std::string_view doc) {
    std::vector<std::pair<std::string, std::string>> probes;
    std::string section;
    while (!doc.empty() && probes.size() < 64) {
        const size_t brk = doc.find_first_of("\r\n");
        const std::string_view line = Trim(doc.substr(0, brk));
        doc.remove_prefix(brk == std::string_view::npos ? doc.size() : brk + 1);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = std::string(Trim(line.substr(1, line.size() - 2)));
        } else if (const size_t eq = line.find('='); eq != std::string_view::npos) {
            probes.emplace_back(section, std::string(Trim(line.substr(0, eq))));
        }
    }
    return probes;
}

// Keeps the characters a section or key name may hold unchanged on a line.
std::string Name(std::string_view s) {
    std::string name;
    for (char c : s) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-';
        if (ok) name += c;
    }
    return name;
}

// Lines as the reader splits them after a byte order mark: CR LF, LF and CR
// each end one.
size_t LineCount(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    size_t count = 0;
    while (!text.empty()) {
        const size_t brk = text.find_first_of("\r\n");
        ++count;
        if (brk == std::string_view::npos) break;
        const bool crlf = text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n';
        text.remove_prefix(brk + (crlf ? 2 : 1));
    }
    return count;
}

std::string Value(std::string_view s) {
    std::string value;
    for (char c : s)
        if (c != '\r' && c != '\n') value += c;
    return value;
}

void CheckTypedReaders(const IniFile& ini, const std::string& section, const std::string& key) {
    const std::optional<std::string> text = ini.Read(section, key);
    const std::optional<int32_t> number = text ? talmir::ParseInt(*text) : std::nullopt;
    FUZZ_CHECK(ini.ReadString(section, key, "\x01") == text.value_or("\x01"));
    FUZZ_CHECK(ini.ReadInteger(section, key, -7) == number.value_or(-7));
    FUZZ_CHECK(ini.ReadBool(section, key, true) == (number ? *number != 0 : true));
    if (text) FUZZ_CHECK(Trim(*text) == *text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 16384) return 0;
    static FuzzMemFile file;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t nul = input.rfind('\0');
    const std::string_view doc = input.substr(0, nul);

    // Load and save give back the same bytes.
    file.Set(doc);
    IniFile ini;
    FUZZ_CHECK(ini.Load(file.path()));
    ini.Save(file.path());
    FUZZ_CHECK(file.Get() == doc);

    const auto probes = Probes(doc);
    std::vector<std::optional<std::string>> before;
    for (const auto& [section, key] : probes) {
        before.push_back(ini.Read(section, key));
        CheckTypedReaders(ini, section, key);
    }
    uint16_t last = 0;
    bool first = true;
    for (const auto& [address, value] : talmir::ReadRegisterIni(ini)) {
        FUZZ_CHECK(address <= 72 && (first || address > last));
        FUZZ_CHECK(value ==
                   static_cast<uint16_t>(ini.ReadInteger("REG_CFG", std::to_string(address), -1)));
        last = address;
        first = false;
    }
    if (nul == std::string_view::npos) return 0;

    // One write: section|key|value after the NUL.
    std::string_view op = input.substr(nul + 1);
    const size_t bar1 = op.find('|');
    const size_t bar2 = bar1 == std::string_view::npos ? bar1 : op.find('|', bar1 + 1);
    if (bar2 == std::string_view::npos) return 0;
    const std::string section = Name(op.substr(0, bar1));
    const std::string key = Name(op.substr(bar1 + 1, bar2 - bar1 - 1));
    const std::string value = Value(op.substr(bar2 + 1));
    const bool existed = ini.Read(section, key).has_value();
    ini.Write(section, key, value);
    const std::string expected(Trim(value));
    FUZZ_CHECK(ini.Read(section, key) == expected);
    for (size_t i = 0; i < probes.size(); ++i) {
        const auto& [s, k] = probes[i];
        if (SameNoCase(s, section) && SameNoCase(k, key)) continue;
        FUZZ_CHECK(ini.Read(s, k) == before[i]);
    }

    // Saved and loaded again, everything reads the same; the file grew by at
    // most the new lines.
    ini.Save(file.path());
    const std::string saved = file.Get();
    FUZZ_CHECK(saved.size() <= doc.size() + section.size() + key.size() + value.size() + 12);
    // Every line of the document is kept: only the written key's line changes,
    // or one key line (and a section header) is added.
    const size_t added = LineCount(saved) - LineCount(doc);
    FUZZ_CHECK(existed ? added == 0 : (added == 1 || added == 2));
    IniFile again;
    FUZZ_CHECK(again.Load(file.path()));
    FUZZ_CHECK(again.Read(section, key) == expected);
    for (size_t i = 0; i < probes.size(); ++i) {
        const auto& [s, k] = probes[i];
        if (SameNoCase(s, section) && SameNoCase(k, key)) continue;
        FUZZ_CHECK(again.Read(s, k) == before[i]);
    }
    return 0;
}
