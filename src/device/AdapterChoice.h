// Which adapter channel a choice names: "--adapter INDEX|SERIAL", the
// window's remembered choice and a script's adapter argument all go through
// here, so they agree on what a text means.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/MpsseLink.h"

namespace talmir {

// The index of the listed channel that `choice` names: a decimal index of a
// listed channel, else the channel whose serial number is exactly `choice`.
// None when no listed channel matches (an empty choice never does).
std::optional<std::uint32_t> FindAdapter(const std::vector<MpsseChannelInfo>& channels,
                                         const std::string& choice);

}  // namespace talmir
