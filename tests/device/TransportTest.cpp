// The SPI transport against the simulator's trace: lazy open with the channel
// configuration, reset and re-open, transfer sizes and options, GPIO, and the
// device errors of failed calls.
#include <functional>
#include <optional>

#include "DeviceTestSupport.h"
#include "device/DeviceError.h"

using namespace talmir;
using namespace talmir::test;

namespace {

void WriteNop(MpsseLink& link) {
    const std::uint8_t frame[2] = {0x00, 0x00};
    link.SPIWriteData(0, 2, frame);
}

// The DeviceError a call raises, or none.
template <typename Call>
std::optional<DeviceError> ErrorOf(Call call) {
    try {
        call();
    } catch (const DeviceError& e) {
        return e;
    }
    return std::nullopt;
}

// The call named by the DeviceError a call raises; empty when none is raised.
template <typename Call>
std::string FailedCall(Call call) {
    const auto error = ErrorOf(call);
    return error ? error->Call() : std::string();
}

}  // namespace

using ChannelLifecycle = LinkTest;

TEST_F(ChannelLifecycle, FirstTransferOpensChannelZeroWithTheToolConfiguration) {
    WriteNop(link);
    const auto calls = Trace();
    ASSERT_EQ(CallNames(calls), (Names{"SPI_OpenChannel", "SPI_InitChannel", "SPI_Write"}));
    EXPECT_EQ(calls[0].index, 0u);
    EXPECT_EQ(calls[1].clockRate, 1000000u);
    EXPECT_EQ(calls[1].latency, 1u);
    EXPECT_EQ(calls[1].configOptions, 0x20u);
    EXPECT_EQ(calls[1].pin, 0u);
    EXPECT_TRUE(link.IsChannelOpen());
    EXPECT_EQ(TalmirSim_ClockRate(), 1000000u);
}

TEST_F(ChannelLifecycle, SecondTransferMakesNoOpenOrInit) {
    WriteNop(link);
    TalmirSim_TraceClear();
    std::uint8_t buffer[2] = {};
    link.SPIReadData(0, 2, buffer);
    link.GPIOWrite(0, 0x81, 0x00);
    EXPECT_EQ(TraceNames(), (Names{"SPI_Read", "FT_WriteGPIO"}));
}

TEST_F(ChannelLifecycle, ResetThenNextTransferReopensAtTheNewClockRate) {
    WriteNop(link);
    link.ChannelConfig().ClockRate = 500000;
    TalmirSim_TraceClear();
    link.ResetChannel();
    EXPECT_EQ(TraceNames(), Names{"SPI_CloseChannel"});
    EXPECT_FALSE(link.IsChannelOpen());

    TalmirSim_TraceClear();
    WriteNop(link);
    const auto calls = Trace();
    ASSERT_EQ(CallNames(calls), (Names{"SPI_OpenChannel", "SPI_InitChannel", "SPI_Write"}));
    EXPECT_EQ(calls[1].clockRate, 500000u);
    EXPECT_EQ(calls[2].status, 0u) << "the write goes to the new handle";
    EXPECT_EQ(TalmirSim_ClockRate(), 500000u);
}

TEST_F(ChannelLifecycle, ResetWhileClosedMakesNoCall) {
    link.ResetChannel();
    WriteNop(link);
    link.ResetChannel();
    TalmirSim_TraceClear();
    link.ResetChannel();
    EXPECT_TRUE(Trace().empty());
}

class Transfers : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        WriteNop(link);
        TalmirSim_TraceClear();
    }
    TalmirSimCall OnlyCall() {
        const auto calls = Trace();
        EXPECT_EQ(calls.size(), 1u);
        return calls.empty() ? TalmirSimCall{} : calls.front();
    }
};

TEST_F(Transfers, BitReadPassesSizeInBitsWithOptionSeven) {
    std::uint8_t buffer[3] = {};
    link.SPIReadBits(0, 20, buffer);
    const auto call = OnlyCall();
    EXPECT_STREQ(call.name, "SPI_Read");
    EXPECT_EQ(call.size, 20u);
    EXPECT_EQ(call.options, 7u);
    EXPECT_EQ(call.dataLen, 3u);
}

TEST_F(Transfers, ByteReadPassesSizeInBytesWithOptionSix) {
    std::uint8_t buffer[10] = {};
    link.SPIReadData(0, 10, buffer);
    const auto call = OnlyCall();
    EXPECT_STREQ(call.name, "SPI_Read");
    EXPECT_EQ(call.size, 10u);
    EXPECT_EQ(call.options, 6u);
}

TEST_F(Transfers, ReadDeliversTheLibraryBytesIntoTheBuffer) {
    const std::uint8_t queued[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    TalmirSim_QueueRead(queued, 4);
    std::uint8_t buffer[4] = {};
    link.SPIReadData(0, 4, buffer);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + 4),
              std::vector<std::uint8_t>(queued, queued + 4));
}

TEST_F(Transfers, WritePassesTheBytesInOrderWithOptionSix) {
    const std::uint8_t frame[3] = {0x01, 0x80, 0xFF};
    link.SPIWriteData(0, 3, frame);
    const auto call = OnlyCall();
    EXPECT_STREQ(call.name, "SPI_Write");
    EXPECT_EQ(call.size, 3u);
    EXPECT_EQ(call.options, 6u);
    EXPECT_EQ(Bytes(call), (std::vector<std::uint8_t>{0x01, 0x80, 0xFF}));
}

TEST_F(Transfers, GpioWritePassesDirectionAndValue) {
    link.GPIOWrite(0, 0x81, 0x80);
    const auto call = OnlyCall();
    EXPECT_STREQ(call.name, "FT_WriteGPIO");
    EXPECT_EQ(call.dir, 0x81u);
    EXPECT_EQ(call.value, 0x80u);
    EXPECT_EQ(TalmirSim_GpioDir(), 0x81u);
    EXPECT_EQ(TalmirSim_GpioValue(), 0x80u);
}

TEST(DeviceErrors, UnboundLinkRaisesFromEveryPrimitiveWithoutAnyCall) {
    TalmirSim_Reset();
    MpsseLink link;
    std::uint8_t buffer[4] = {0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(FailedCall([&] { link.SPIReadData(0, 4, buffer); }), "SPI_Read");
    EXPECT_EQ(FailedCall([&] { link.SPIReadBits(0, 20, buffer); }), "SPI_Read");
    EXPECT_EQ(FailedCall([&] { link.SPIWriteData(0, 2, buffer); }), "SPI_Write");
    EXPECT_EQ(FailedCall([&] { link.GPIOWrite(0, 0x81, 1); }), "FT_WriteGPIO");
    EXPECT_NO_THROW(link.ResetChannel());
    EXPECT_EQ(buffer[0], 0x11);
    EXPECT_EQ(buffer[3], 0x44);
    EXPECT_TRUE(Trace().empty());
}

using DeviceErrorsBound = Transfers;

TEST_F(DeviceErrorsBound, FailedReadNamesTheCallAndStatusAndLeavesTheBuffer) {
    TalmirSim_FailCall("SPI_Read", 4, 1);
    std::uint8_t buffer[2] = {0x5A, 0xA5};
    const auto error = ErrorOf([&] { link.SPIReadData(0, 2, buffer); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Call(), "SPI_Read");
    EXPECT_NE(std::string(error->what()).find("SPI_Read"), std::string::npos);
    EXPECT_NE(std::string(error->what()).find("4"), std::string::npos);
    EXPECT_NE(std::string(error->what()).find("FT_IO_ERROR"), std::string::npos);
    EXPECT_EQ(buffer[0], 0x5A);
    EXPECT_EQ(buffer[1], 0xA5);
}

TEST_F(DeviceErrorsBound, FailedWriteNamesTheCallAndStatus) {
    TalmirSim_FailCall("SPI_Write", 18, 1);
    const auto error = ErrorOf([&] { WriteNop(link); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Call(), "SPI_Write");
    EXPECT_NE(std::string(error->what()).find("FT_OTHER_ERROR"), std::string::npos);
}

TEST_F(DeviceErrorsBound, FailedGpioWriteNamesTheCallAndStatus) {
    TalmirSim_FailCall("FT_WriteGPIO", 1, 1);
    const auto error = ErrorOf([&] { link.GPIOWrite(0, 0x81, 0x01); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Call(), "FT_WriteGPIO");
    EXPECT_NE(std::string(error->what()).find("FT_INVALID_HANDLE"), std::string::npos);
    EXPECT_EQ(TalmirSim_GpioValue(), 0u);
}

TEST_F(DeviceErrorsBound, UnknownStatusIsShownByNumber) {
    TalmirSim_FailCall("SPI_Write", 99, 1);
    const auto error = ErrorOf([&] { WriteNop(link); });
    ASSERT_TRUE(error);
    EXPECT_NE(std::string(error->what()).find("статус 99 (неизвестный код)"), std::string::npos);
}

// A failed call leaves a handle that may be stale (the adapter was pulled
// out): the channel is closed, and the next call opens it with the
// configuration as it then stands.
TEST_F(DeviceErrorsBound, FailedCallClosesTheChannelAndTheNextReopensWithTheCurrentConfig) {
    struct Case {
        const char* call;
        std::function<void()> run;
    };
    std::uint8_t buffer[3] = {};
    const Case cases[] = {
        {"SPI_Read", [&] { link.SPIReadData(0, 2, buffer); }},
        {"SPI_Read", [&] { link.SPIReadBits(0, 20, buffer); }},
        {"SPI_Write", [&] { WriteNop(link); }},
        {"FT_WriteGPIO", [&] { link.GPIOWrite(0, 0x81, 0x01); }},
    };
    std::uint32_t clockRate = 1000000;
    for (const Case& c : cases) {
        TalmirSim_TraceClear();
        TalmirSim_FailCall(c.call, 4, 1);
        EXPECT_EQ(FailedCall(c.run), c.call);
        EXPECT_EQ(TraceNames(), (Names{c.call, "SPI_CloseChannel"})) << c.call;
        EXPECT_FALSE(link.IsChannelOpen()) << c.call;

        clockRate -= 100000;
        link.ChannelConfig().ClockRate = clockRate;
        TalmirSim_TraceClear();
        c.run();
        const auto calls = Trace();
        ASSERT_EQ(CallNames(calls), (Names{"SPI_OpenChannel", "SPI_InitChannel", c.call}))
            << c.call;
        EXPECT_EQ(calls[1].clockRate, clockRate) << c.call;
        EXPECT_EQ(calls[2].status, 0u) << c.call;
    }
}

TEST_F(DeviceErrorsBound, PulledOutAdapterFailsUntilPluggedBackThenWorksWithoutAReset) {
    TalmirSim_Unplug(1);
    const auto lost = ErrorOf([&] { WriteNop(link); });
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->Call(), "SPI_Write");
    EXPECT_NE(std::string(lost->what()).find("FT_IO_ERROR"), std::string::npos);
    const auto absent = ErrorOf([&] { WriteNop(link); });
    ASSERT_TRUE(absent);
    EXPECT_EQ(absent->Call(), "SPI_OpenChannel");
    EXPECT_NE(std::string(absent->what()).find("FT_DEVICE_NOT_FOUND"), std::string::npos);

    TalmirSim_Unplug(0);
    TalmirSim_TraceClear();
    WriteNop(link);
    EXPECT_EQ(TraceNames(), (Names{"SPI_OpenChannel", "SPI_InitChannel", "SPI_Write"}));
    EXPECT_EQ(TalmirSim_ChannelOpen(), 1);
}

TEST_F(ChannelLifecycle, FailedOpenLeavesTheChannelClosedAndTheNextTransferRetries) {
    TalmirSim_FailCall("SPI_OpenChannel", 2, 1);
    const auto error = ErrorOf([&] { WriteNop(link); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Call(), "SPI_OpenChannel");
    EXPECT_NE(std::string(error->what()).find("FT_DEVICE_NOT_FOUND"), std::string::npos);
    EXPECT_EQ(TraceNames(), Names{"SPI_OpenChannel"}) << "no init, no transfer";
    EXPECT_FALSE(link.IsChannelOpen());

    TalmirSim_TraceClear();
    WriteNop(link);
    EXPECT_EQ(TraceNames(), (Names{"SPI_OpenChannel", "SPI_InitChannel", "SPI_Write"}));
    EXPECT_TRUE(link.IsChannelOpen());
}

TEST_F(ChannelLifecycle, FailedOpenThatGaveAHandleClosesIt) {
    TalmirSim_FailOpenWithHandle(4);
    const auto error = ErrorOf([&] { WriteNop(link); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Call(), "SPI_OpenChannel");
    const auto calls = Trace();
    ASSERT_EQ(CallNames(calls), (Names{"SPI_OpenChannel", "SPI_CloseChannel"}));
    EXPECT_EQ(calls[1].status, 0u) << "the handle the open gave";
    EXPECT_FALSE(link.IsChannelOpen());
}

TEST_F(ChannelLifecycle, FailedInitClosesTheChannelAndTheNextTransferRetries) {
    TalmirSim_FailCall("SPI_InitChannel", 4, 1);
    const auto error = ErrorOf([&] { WriteNop(link); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Call(), "SPI_InitChannel");
    EXPECT_EQ(TraceNames(), (Names{"SPI_OpenChannel", "SPI_InitChannel", "SPI_CloseChannel"}));
    EXPECT_FALSE(link.IsChannelOpen());

    TalmirSim_TraceClear();
    WriteNop(link);
    EXPECT_EQ(TraceNames(), (Names{"SPI_OpenChannel", "SPI_InitChannel", "SPI_Write"}));
}

TEST_F(ChannelLifecycle, ClockAboveTheAdapterLimitFailsInitAsInvalidParameter) {
    link.ChannelConfig().ClockRate = 40000000;
    const auto error = ErrorOf([&] { WriteNop(link); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Call(), "SPI_InitChannel");
    EXPECT_NE(std::string(error->what()).find("FT_INVALID_PARAMETER"), std::string::npos);
    EXPECT_FALSE(link.IsChannelOpen());
    EXPECT_EQ(TalmirSim_ChannelOpen(), 0);
}
