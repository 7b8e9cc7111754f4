// Register file (.rdt) reading. Properties: the parse of arbitrary text keeps
// the lines' values in address order up to the first bad line and counts the
// lines past the last address; a written register file reads back the same.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "core/IntText.h"
#include "core/RegisterFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 16384) return 0;
    const uint16_t lastAddress = data[0];
    // The text in a heap buffer of exactly its size, so a read past it is caught.
    const std::vector<char> bytes(data + 1, data + size);
    const std::string_view text(bytes.data(), bytes.size());

    const std::vector<std::string> lines = talmir::SplitLines(text);
    size_t total = 0;
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        total += line.size();
    }
    // Each line ends with one or two bytes, the last possibly with none.
    FUZZ_CHECK(text.size() <= total + 2 * lines.size());
    FUZZ_CHECK(total + lines.size() <= text.size() + 1);

    const talmir::RegisterFileLoad load = talmir::ParseRegisterFile(text, lastAddress);
    for (size_t i = 0; i < load.values.size(); ++i) {
        FUZZ_CHECK(load.values[i].first == i + 1);
        FUZZ_CHECK(load.values[i].first <= lastAddress);
        FUZZ_CHECK(load.values[i].second == static_cast<uint16_t>(*talmir::ParseInt(lines[i])));
    }
    const size_t parsed = load.values.size();
    if (load.badLine) {
        FUZZ_CHECK(parsed < lines.size() && *load.badLine == lines[parsed]);
        FUZZ_CHECK(!talmir::ParseInt(lines[parsed]).has_value());
        FUZZ_CHECK(load.ignored == 0);
    } else {
        FUZZ_CHECK(parsed + load.ignored == lines.size());
        FUZZ_CHECK(load.ignored == 0 || parsed == lastAddress);
    }

    // Registers 1 to 72 from the input bytes, written and read back.
    std::array<uint16_t, 73> values{};
    for (size_t a = 1; a < values.size(); ++a) {
        const size_t at = (2 * a) % size;
        values[a] = static_cast<uint16_t>(data[at] << 8 | data[(at + 1) % size]);
    }
    const std::string file = talmir::FormatRegisterFile(values);
    const talmir::RegisterFileLoad back = talmir::ParseRegisterFile(file, 72);
    FUZZ_CHECK(!back.badLine && back.ignored == 0 && back.values.size() == 72);
    for (size_t a = 1; a <= 72; ++a) FUZZ_CHECK(back.values[a - 1].second == values[a]);
    // Past address 72 the default table's extra lines are counted, not read.
    FUZZ_CHECK(talmir::ParseRegisterFile(file + file, 72).ignored == 72);
    return 0;
}
