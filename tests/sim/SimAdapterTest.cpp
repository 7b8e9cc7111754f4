// The simulated adapter's entry points: channel life cycle, handle checks,
// injected failures and the call trace.
#include <chrono>
#include <cstring>
#include <string>

#include "SimTestSupport.h"

using namespace simtest;

namespace {

TalmirSimCall traceAt(uint32_t i) {
    TalmirSimCall call{};
    EXPECT_EQ(TalmirSim_TraceGet(i, &call), 1);
    return call;
}

}  // namespace

TEST(SimChannel, OpensOnlyChannelZeroAndCountsOneChannel) {
    TalmirSim_Reset();
    uint32_t count = 0;
    EXPECT_EQ(SPI_GetNumChannels(&count), 0u);
    EXPECT_EQ(count, 1u);
    void* handle = nullptr;
    EXPECT_EQ(SPI_OpenChannel(1, &handle), 2u);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(SPI_OpenChannel(0, &handle), 0u);
    EXPECT_NE(handle, nullptr);
    EXPECT_EQ(TalmirSim_ChannelOpen(), 0) << "open but not initialised";
}

// Each listed channel has its own serial number; only the index the channel
// was opened with reads as opened; a reset lists one channel again.
TEST(SimChannel, SetCountListsThatManyChannelsEachWithItsSerialNumber) {
    TalmirSim_Reset();
    EXPECT_EQ(TalmirSim_SetChannelCount(0), 0);
    EXPECT_EQ(TalmirSim_SetChannelCount(17), 0);
    ASSERT_EQ(TalmirSim_SetChannelCount(3), 1);
    uint32_t count = 0;
    EXPECT_EQ(SPI_GetNumChannels(&count), 0u);
    EXPECT_EQ(count, 3u);
    void* handle = nullptr;
    ASSERT_EQ(SPI_OpenChannel(2, &handle), 0u);
    SimChannelConfig c = config(1000000);
    ASSERT_EQ(SPI_InitChannel(handle, &c), 0u);
    const struct {
        uint32_t index, status;
        const char* serial;
        bool opened;
    } cases[] = {{0, 0, "TLM00001", false},
                 {1, 0, "TLM00002", false},
                 {2, 0, "TLM00003", true},
                 {3, 2, "", false}};
    for (const auto& k : cases) {
        SimDeviceInfo info{};
        ASSERT_EQ(SPI_GetChannelInfo(k.index, &info), k.status) << k.index;
        EXPECT_STREQ(info.SerialNumber, k.serial) << k.index;
        EXPECT_EQ((info.Flags & 1) != 0, k.opened) << k.index;
        EXPECT_EQ(info.ftHandle, k.opened ? handle : nullptr) << k.index;
    }
    void* other = nullptr;
    EXPECT_EQ(SPI_OpenChannel(3, &other), 2u);

    TalmirSim_Reset();
    EXPECT_EQ(SPI_GetNumChannels(&count), 0u);
    EXPECT_EQ(count, 1u);
}

TEST(SimChannel, ClockAboveThirtyMegahertzOrZeroIsRefused) {
    TalmirSim_Reset();
    void* handle = nullptr;
    ASSERT_EQ(SPI_OpenChannel(0, &handle), 0u);
    SimChannelConfig tooFast = config(30000001);
    SimChannelConfig zero = config(0);
    EXPECT_EQ(SPI_InitChannel(handle, &tooFast), 6u);
    EXPECT_EQ(SPI_InitChannel(handle, &zero), 6u);
    EXPECT_EQ(TalmirSim_ChannelOpen(), 0);
    EXPECT_EQ(TalmirSim_ClockRate(), 0u);

    SimChannelConfig fastest = config(30000000);
    EXPECT_EQ(SPI_InitChannel(handle, &fastest), 0u);
    EXPECT_EQ(TalmirSim_ChannelOpen(), 1);
    EXPECT_EQ(TalmirSim_ClockRate(), 30000000u);
}

TEST(SimChannel, InitTraceHoldsTheRecordAsReceived) {
    TalmirSim_Reset();
    void* handle = nullptr;
    ASSERT_EQ(SPI_OpenChannel(0, &handle), 0u);
    SimChannelConfig c{500000, 1, 0x20, 0, 0};
    ASSERT_EQ(SPI_InitChannel(handle, &c), 0u);
    ASSERT_EQ(TalmirSim_TraceCount(), 2u);
    const TalmirSimCall init = traceAt(1);
    EXPECT_STREQ(init.name, "SPI_InitChannel");
    EXPECT_EQ(init.clockRate, 500000u);
    EXPECT_EQ(init.latency, 1u);
    EXPECT_EQ(init.configOptions, 0x20u);
    EXPECT_EQ(init.pin, 0u);
}

TEST_F(SimFixture, TransfersOnStaleOrForeignHandleAreInvalidHandle) {
    uint8_t buffer[2] = {0xAA, 0xAA};
    uint32_t done = 99;
    int dummy = 0;
    EXPECT_EQ(SPI_Read(&dummy, buffer, 2, &done, kBytes), 1u);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(buffer[0], 0xAA);

    ASSERT_EQ(SPI_CloseChannel(handle), 0u);
    EXPECT_EQ(TalmirSim_ChannelOpen(), 0);
    EXPECT_EQ(SPI_Write(handle, buffer, 2, &done, kBytes), 1u);
    EXPECT_EQ(FT_WriteGPIO(handle, 0x81, 0x01), 1u);

    void* reopened = nullptr;
    ASSERT_EQ(SPI_OpenChannel(0, &reopened), 0u);
    EXPECT_EQ(SPI_Read(reopened, buffer, 2, &done, kBytes), 1u) << "not initialised yet";
}

TEST_F(SimFixture, GpioWriteKeepsDirectionAndValue) {
    EXPECT_EQ(FT_WriteGPIO(handle, 0x81, 0x80), 0u);
    EXPECT_EQ(TalmirSim_GpioDir(), 0x81);
    EXPECT_EQ(TalmirSim_GpioValue(), 0x80);
    const TalmirSimCall call = traceAt(0);
    EXPECT_STREQ(call.name, "FT_WriteGPIO");
    EXPECT_EQ(call.dir, 0x81);
    EXPECT_EQ(call.value, 0x80);
}

TEST_F(SimFixture, TraceRecordsWrittenAndDeliveredBytes) {
    writeRegister(5, 0x1234);
    TalmirSim_QueueRead(std::array<uint8_t, 3>{0xAB, 0xCD, 0x0E}.data(), 3);
    read(20, kBits);

    ASSERT_EQ(TalmirSim_TraceCount(), 3u);
    const TalmirSimCall command = traceAt(0);
    EXPECT_STREQ(command.name, "SPI_Write");
    EXPECT_EQ(command.size, 2u);
    EXPECT_EQ(command.options, kBytes);
    EXPECT_EQ(command.dataLen, 2u);
    EXPECT_EQ(command.data[0], 0x00);
    EXPECT_EQ(command.data[1], 0x85);
    const TalmirSimCall value = traceAt(1);
    EXPECT_EQ(value.data[0], 0x12);
    EXPECT_EQ(value.data[1], 0x34);
    const TalmirSimCall frame = traceAt(2);
    EXPECT_STREQ(frame.name, "SPI_Read");
    EXPECT_EQ(frame.size, 20u);
    EXPECT_EQ(frame.options, kBits);
    EXPECT_EQ(frame.dataLen, 3u);
    EXPECT_EQ(frame.data[2], 0x0E);

    TalmirSimCall none{};
    EXPECT_EQ(TalmirSim_TraceGet(3, &none), 0);
    TalmirSim_TraceClear();
    EXPECT_EQ(TalmirSim_TraceCount(), 0u);
}

TEST_F(SimFixture, InjectedFailureTransfersNothingForTheGivenCount) {
    TalmirSim_FailCall("SPI_Read", 4, 2);
    std::array<uint8_t, 2> buffer{0x5A, 0x5A};
    uint32_t done = 7;
    write({0x00, 0x00});
    EXPECT_EQ(SPI_Read(handle, buffer.data(), 2, &done, kBytes), 4u);
    EXPECT_EQ(SPI_Read(handle, buffer.data(), 2, &done, kBytes), 4u);
    EXPECT_EQ(buffer[0], 0x5A) << "a failed read leaves the buffer alone";
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(traceAt(1).status, 4u);

    // The failed reads did not consume the armed read of register 0.
    EXPECT_EQ(word(read(2), 0), 0x10F1);
}

TEST_F(SimFixture, InjectedFailureWithoutCountLastsUntilReset) {
    TalmirSim_FailCall("SPI_Write", 18, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(write({0x00, 0x85}), 18u);
    TalmirSim_FailCall("FT_WriteGPIO", 4, 0);
    EXPECT_EQ(FT_WriteGPIO(handle, 0x81, 0x81), 4u);
    EXPECT_EQ(TalmirSim_GpioDir(), 0u);

    TalmirSim_Reset();
    void* h = nullptr;
    ASSERT_EQ(SPI_OpenChannel(0, &h), 0u);
    SimChannelConfig c = config(1000000);
    ASSERT_EQ(SPI_InitChannel(h, &c), 0u);
    uint8_t bytes[2] = {0x00, 0x00};
    uint32_t done = 0;
    EXPECT_EQ(SPI_Write(h, bytes, 2, &done, kBytes), 0u);
    EXPECT_EQ(done, 2u);
}

TEST_F(SimFixture, ChannelInfoOfMissingChannelIsDeviceNotFound) {
    SimDeviceInfo info{};
    EXPECT_EQ(SPI_GetChannelInfo(1, &info), 2u);
    EXPECT_EQ(SPI_GetChannelInfo(0, &info), 0u);
    EXPECT_EQ(info.ftHandle, handle);
    EXPECT_GT(std::strlen(info.Description), 0u);
    int32_t busy = 1;
    EXPECT_EQ(SPI_IsBusy(handle, &busy), 0u);
    EXPECT_EQ(busy, 0);
}

TEST(SimUnplug, CallsFailWhileOutAndTheChannelOpensAfreshAfterTheReplug) {
    TalmirSim_Reset();
    void* handle = nullptr;
    ASSERT_EQ(SPI_OpenChannel(0, &handle), 0u);
    SimChannelConfig cfg = config(1000000);
    ASSERT_EQ(SPI_InitChannel(handle, &cfg), 0u);

    TalmirSim_Unplug(1);
    uint8_t buffer[2] = {};
    uint32_t done = 0, count = 7;
    EXPECT_EQ(SPI_Read(handle, buffer, 2, &done, 6), 4u);
    EXPECT_EQ(FT_WriteGPIO(handle, 0x81, 1), 4u);
    EXPECT_EQ(SPI_GetNumChannels(&count), 0u);
    EXPECT_EQ(count, 0u);
    void* other = nullptr;
    EXPECT_EQ(SPI_OpenChannel(0, &other), 2u);
    EXPECT_EQ(SPI_CloseChannel(handle), 0u);

    TalmirSim_Unplug(0);
    EXPECT_EQ(SPI_Read(handle, buffer, 2, &done, 6), 1u) << "the old handle stays stale";
    ASSERT_EQ(SPI_OpenChannel(0, &other), 0u);
    ASSERT_EQ(SPI_InitChannel(other, &cfg), 0u);
    EXPECT_EQ(SPI_Read(other, buffer, 2, &done, 6), 0u);
}

TEST(SimWireTime, EachCallCostsTheLatencyPlusItsBitsAtTheClock) {
    TalmirSim_Reset();
    void* handle = nullptr;
    ASSERT_EQ(SPI_OpenChannel(0, &handle), 0u);
    SimChannelConfig cfg = config(100000);  // 100 kHz: 80 bits take 800 us
    ASSERT_EQ(SPI_InitChannel(handle, &cfg), 0u);
    TalmirSim_SetLatency(2000);
    uint8_t buffer[10] = {};
    uint32_t done = 0;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(SPI_Read(handle, buffer, 10, &done, 6), 0u);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::microseconds(2800));
    EXPECT_LT(took, std::chrono::seconds(1));
    TalmirSim_Reset();
}
