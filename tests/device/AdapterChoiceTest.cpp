// Which channel a choice names: an index of a listed channel, else a serial.
#include <gtest/gtest.h>

#include "device/AdapterChoice.h"

namespace talmir {
namespace {

TEST(AdapterChoice, AnIndexOfAListedChannelElseAnExactSerial) {
    const std::vector<MpsseChannelInfo> channels = {
        {0, 8, "A", "FT1ABC", false}, {1, 8, "B", "12", false}, {2, 8, "C", "FT1ABD", true}};
    struct Case {
        const char* choice;
        std::optional<std::uint32_t> index;
    };
    for (const Case c :
         {Case{"0", 0u}, Case{"2", 2u}, Case{"FT1ABD", 2u}, Case{"12", 1u}, Case{"3", std::nullopt},
          Case{"ft1abc", std::nullopt}, Case{"", std::nullopt}, Case{"-1", std::nullopt},
          Case{"99999999999999999999", std::nullopt}, Case{" 1", std::nullopt}})
        EXPECT_EQ(FindAdapter(channels, c.choice), c.index) << c.choice;
    EXPECT_EQ(FindAdapter({}, "0"), std::nullopt);
}

}  // namespace
}  // namespace talmir
