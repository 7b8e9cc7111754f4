// The pure parts of the command-line dispatch. Which arguments make a job
// (IsCommandLineJob) is decided on Qt string lists in the program's entry
// (src/app) and is not fuzzed here; what the jobs do with their text is: the
// "-getdata" mode argument (integer text, low 8 bits, 256 acting as 0)
// choosing a record layout, and the MPSSE library file names from the
// override variable and the executable's folder. Input: arguments separated
// by NUL bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "core/AngleRecord.h"
#include "core/IntText.h"
#include "device/MpsseLink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    std::vector<std::string> args;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (true) {
        const size_t nul = rest.find('\0');
        args.emplace_back(rest.substr(0, nul));
        if (nul == std::string_view::npos) break;
        rest.remove_prefix(nul + 1);
    }

    // "-getdata MODE FILE": the mode is integer text; only its low 8 bits count.
    const std::string& modeText = args.size() > 1 ? args[1] : args[0];
    if (const std::optional<int32_t> mode = talmir::ParseInt(modeText)) {
        const auto low = static_cast<uint8_t>(*mode & 0xFF);
        // The same mode 256 higher (when it still fits) picks the same layout.
        const std::optional<int32_t> higher = talmir::ParseInt(std::to_string(*mode + 256LL));
        if (higher) FUZZ_CHECK(static_cast<uint8_t>(*higher & 0xFF) == low);
        FUZZ_CHECK(talmir::RecordHeader(low).empty() == (low > 4));
    }

    // Library names: an override is the only name; otherwise the vendor's two
    // names, then our own library beside the executable and where it is
    // installed, each once.
    const std::string& override = args[0];
    const std::string exeDir = args.size() > 2 ? args[2] : "";
    const std::vector<std::string> names = talmir::MpsseLibraryNames(override.c_str(), exeDir);
    const std::string ownInstalled = talmir::InstalledOwnMpsseLibrary();
    if (!override.empty()) {
        FUZZ_CHECK(names.size() == 1 && names[0] == override);
    } else {
        FUZZ_CHECK(names.size() >= 3 && names.size() <= 5);
        FUZZ_CHECK(names[0] == "libMPSSE.so" && names[1] == "libmpsse.so");
        for (size_t i = 2; i < names.size(); ++i) {
            FUZZ_CHECK(names[i].ends_with("libtalmirmpsse.so"));
            FUZZ_CHECK(std::count(names.begin(), names.end(), names[i]) == 1);
        }
        FUZZ_CHECK(std::find(names.begin(), names.end(),
                             std::filesystem::path(ownInstalled).lexically_normal().string()) !=
                   names.end());
        if (exeDir.empty()) FUZZ_CHECK(names.size() == 3);
    }
    return 0;
}
