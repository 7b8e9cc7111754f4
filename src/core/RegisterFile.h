#pragma once
// Register sets stored outside the chip: the ".rdt" register file (one
// decimal value per line for registers 1 to 72) and the register INI file
// (section "REG_CFG", keys are decimal addresses).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talmir {

class IniFile;

// Text of a register file: registers 1 to 72 of `values` (indexed by
// address), each in decimal followed by CR LF.
std::string FormatRegisterFile(const std::array<uint16_t, 73>& values);

// Lines of a text; CR LF, LF and CR each end a line, and a final line end
// adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

struct RegisterFileLoad {
    // (address, value) in file order.
    std::vector<std::pair<uint16_t, uint16_t>> values;
    // Lines past the last address of the table; they are not parsed.
    size_t ignored = 0;
    // Text of the first line that is not an integer; loading stopped there.
    std::optional<std::string> badLine;
};

// Line i of a register file is register i (low 16 bits of the integer).
// Lines for addresses above `lastAddress` are counted in `ignored`. A line
// that is not an integer (an empty one included) stops parsing; the values
// before it are kept.
RegisterFileLoad ParseRegisterFile(std::string_view text, uint16_t lastAddress = 81);

// Registers 0 to 72 of a register INI file, ascending. A key that is missing,
// not an integer or -1 leaves its register out; values keep their low 16 bits.
std::vector<std::pair<uint16_t, uint16_t>> ReadRegisterIni(const IniFile& ini);

}  // namespace talmir
