#include "device/AdapterChoice.h"

#include <algorithm>
#include <cctype>

namespace talmir {

std::optional<std::uint32_t> FindAdapter(const std::vector<MpsseChannelInfo>& channels,
                                         const std::string& choice) {
    if (choice.empty()) return std::nullopt;
    const bool digits = choice.size() <= 9 && std::all_of(choice.begin(), choice.end(), [](char c) {
                            return std::isdigit(static_cast<unsigned char>(c)) != 0;
                        });
    if (digits) {
        const auto index = static_cast<std::uint32_t>(std::stoul(choice));
        for (const MpsseChannelInfo& c : channels)
            if (c.index == index) return index;
    }
    for (const MpsseChannelInfo& c : channels)
        if (c.serial == choice) return c.index;
    return std::nullopt;
}

}  // namespace talmir
