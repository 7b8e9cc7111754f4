#include "core/RegisterFile.h"

#include "core/IniFile.h"
#include "core/IntText.h"

namespace talmir {

std::string FormatRegisterFile(const std::array<uint16_t, 73>& values) {
    std::string text;
    for (size_t addr = 1; addr < values.size(); ++addr) {
        text += std::to_string(values[addr]);
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t brk = text.find_first_of("\r\n");
        if (brk == std::string_view::npos) {
            lines.emplace_back(text);
            break;
        }
        lines.emplace_back(text.substr(0, brk));
        const bool crlf = text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n';
        text.remove_prefix(brk + (crlf ? 2 : 1));
    }
    return lines;
}

RegisterFileLoad ParseRegisterFile(std::string_view text, uint16_t lastAddress) {
    RegisterFileLoad load;
    const std::vector<std::string> lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t addr = i + 1;
        if (addr > lastAddress) {
            load.ignored = lines.size() - i;
            break;
        }
        const auto value = ParseInt(lines[i]);
        if (!value) {
            load.badLine = lines[i];
            break;
        }
        load.values.emplace_back(static_cast<uint16_t>(addr), static_cast<uint16_t>(*value));
    }
    return load;
}

std::vector<std::pair<uint16_t, uint16_t>> ReadRegisterIni(const IniFile& ini) {
    std::vector<std::pair<uint16_t, uint16_t>> values;
    for (uint16_t addr = 0; addr <= 72; ++addr) {
        const int32_t value = ini.ReadInteger("REG_CFG", std::to_string(addr), -1);
        if (value != -1) values.emplace_back(addr, static_cast<uint16_t>(value));
    }
    return values;
}

}  // namespace talmir
