// The link's frame bursts: found by name when the library has them, opened
// like any transfer, and a failure handed back with the frames read.
#include "DeviceTestSupport.h"
#include "device/DeviceError.h"

using namespace talmir;
using namespace talmir::test;

TEST(FrameBurstBinding, LibraryWithoutFrameBurstsBindsWithoutAMessage) {
    SimVariant sim("no_readframes");
    ASSERT_TRUE(sim.Usable()) << sim.Path();
    sim.Reset();
    MpsseLink link;
    std::vector<std::string> messages;
    EXPECT_TRUE(
        link.LoadMPSSELibrary({sim.Path()}, [&](const std::string& m) { messages.push_back(m); }));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(link.HasReadFrames());
    std::uint8_t buffer[4] = {};
    EXPECT_THROW(link.ReadFrames(0, buffer, 32, 1, 0), DeviceError);
    EXPECT_FALSE(link.IsChannelOpen());
}

TEST_F(LinkTest, FrameBurstOpensTheChannelAndReadsEveryFrame) {
    ASSERT_TRUE(link.HasReadFrames());
    const std::uint32_t period = link.MinFramePeriod(20);
    ASSERT_GE(period, 20u);
    std::vector<std::uint8_t> buffer(4 * 3);
    const FrameBurst burst = link.ReadFrames(0, buffer.data(), 20, 4, period);
    EXPECT_EQ(burst.status, 0u);
    EXPECT_EQ(burst.framesDone, 4u);
    const auto calls = Trace();
    ASSERT_EQ(CallNames(calls),
              (Names{"SPI_OpenChannel", "SPI_InitChannel", "Talmir_SPI_ReadFrames"}));
    EXPECT_EQ(calls[2].size, 20u);
    EXPECT_EQ(calls[2].index, 4u);
    EXPECT_EQ(calls[2].options, period);
    EXPECT_TRUE(link.IsChannelOpen());
}

// A refused burst sent nothing and keeps the channel; any other failure
// drops it, as a failed primitive does, without raising.
TEST_F(OpenLinkTest, FailedBurstIsReturnedAndDropsTheChannelUnlessRefused) {
    struct Case {
        std::uint32_t status;
        bool stillOpen;
    };
    for (const Case c : {Case{6, true}, Case{4, false}}) {
        link.EnsureChannelOpen(0);
        TalmirSim_FailCall("Talmir_SPI_ReadFrames", c.status, 1);
        std::uint8_t buffer[8] = {};
        const FrameBurst burst = link.ReadFrames(0, buffer, 32, 2, 0);
        EXPECT_EQ(burst.status, c.status);
        EXPECT_EQ(burst.framesDone, 0u);
        EXPECT_EQ(link.IsChannelOpen(), c.stillOpen) << c.status;
    }
}
