// Devices as the library sees them through the emulated bus: enumeration of
// each part, and USB faults turned into statuses.
#include <string>
#include <vector>

#include "EmuTestSupport.h"

using namespace emutest;

TEST_F(EmuFixture, EnumeratesTheMpsseChannelsOfEachPart) {
    struct Case {
        uint32_t kind;
        uint32_t type;
        std::vector<std::string> descriptions;
        uint32_t id;
    };
    const Case cases[] = {
        {TALMIR_EMU_232H, 8, {"Single RS232-HS"}, 0x04036014},
        {TALMIR_EMU_2232H, 6, {"Dual RS232-HS A", "Dual RS232-HS B"}, 0x04036010},
        {TALMIR_EMU_4232H, 7, {"Quad RS232-HS A", "Quad RS232-HS B"}, 0x04036011},
    };
    for (const Case& c : cases) {
        const TalmirEmuDeviceSpec d = device(c.kind);
        ASSERT_EQ(e->SetDevices(&d, 1), 0);
        uint32_t count = 0;
        ASSERT_EQ(e->GetNumChannels(&count), 0u);
        ASSERT_EQ(count, c.descriptions.size()) << c.type;
        for (uint32_t i = 0; i < count; ++i) {
            DeviceInfo info{};
            ASSERT_EQ(e->GetChannelInfo(i, &info), 0u);
            EXPECT_EQ(info.Type, c.type);
            EXPECT_EQ(info.ID, c.id);
            EXPECT_EQ(std::string(info.Description), c.descriptions[i]);
            EXPECT_EQ(info.Flags, 0x2u) << "high speed, not opened";
        }
        DeviceInfo info{};
        EXPECT_NE(e->GetChannelInfo(count, &info), 0u);
    }
}

TEST_F(EmuFixture, OpenedChannelIsFlaggedAndTheSecondOpenRefused) {
    openChannel();
    DeviceInfo info{};
    ASSERT_EQ(e->GetChannelInfo(0, &info), 0u);
    EXPECT_EQ(info.Flags, 0x3u);
    void* second = nullptr;
    EXPECT_NE(e->OpenChannel(0, &second), 0u);
}

// A failed transfer reports how much really arrived.
TEST_F(EmuFixture, UsbFaultsFailTransfersWithTheRealCount) {
    struct Case {
        const char* what;
        void (*inject)(const Api&);
        bool reading;
        uint32_t transferred;
    };
    const Case cases[] = {
        {"short read", [](const Api& a) { a.ShortRead(1); }, true, 1},
        {"read error", [](const Api& a) { a.FailUsb(1, 0, 1); }, true, 0},
        {"write error", [](const Api& a) { a.FailUsb(0, 0, 1); }, false, 0},
    };
    for (const Case& c : cases) {
        e->Reset();
        openChannel();
        c.inject(*e);
        uint8_t buffer[2] = {0x00, 0x00};
        uint32_t done = 99;
        const uint32_t status = c.reading ? e->Read(handle, buffer, 2, &done, kBytes)
                                          : e->Write(handle, buffer, 2, &done, kBytes);
        EXPECT_NE(status, 0u) << c.what;
        EXPECT_EQ(done, c.transferred) << c.what;
        e->CloseChannel(handle);
        handle = nullptr;
    }
}

// libftdi1 may hand over an answer in pieces; the library must collect them.
TEST_F(EmuFixture, AnswersSplitOverSeveralReadsArrive) {
    openChannel();
    e->SetRegister(9, 0x1357);
    e->SplitReads(1);
    uint8_t command[] = {0x00, 0x09}, value[2] = {};
    uint32_t done = 0;
    ASSERT_EQ(e->Write(handle, command, 2, &done, kBytes), 0u);
    ASSERT_EQ(e->Read(handle, value, 2, &done, kBytes), 0u);
    EXPECT_EQ(value[0] << 8 | value[1], 0x1357);
}

TEST_F(EmuFixture, OpenWithoutPermissionIsDeviceNotOpened) {
    e->FailOpen(0, -8);
    uint32_t count = 0;
    ASSERT_EQ(e->GetNumChannels(&count), 0u);
    EXPECT_EQ(e->OpenChannel(0, &handle), 3u);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(EmuFixture, UnplugFailsTheOpenChannelAndReplugServesAgain) {
    openChannel();
    ASSERT_EQ(e->Unplug(0), 0);
    uint8_t value[2] = {};
    uint32_t done = 0, count = 0;
    EXPECT_NE(e->Read(handle, value, 2, &done, kBytes), 0u);
    ASSERT_EQ(e->GetNumChannels(&count), 0u);
    EXPECT_EQ(count, 0u);

    ASSERT_EQ(e->Replug(0), 0);
    EXPECT_NE(e->Read(handle, value, 2, &done, kBytes), 0u) << "the old handle stays dead";
    e->CloseChannel(handle);
    // Opened again by index as the tool does, without listing the channels
    // first, although the device came back at another USB address.
    ASSERT_EQ(e->OpenChannel(0, &handle), 0u);
    ChannelConfig c = toolConfig(1000000, 0x20);
    ASSERT_EQ(e->InitChannel(handle, &c), 0u);
    uint8_t command[] = {0x00, 0x00};
    ASSERT_EQ(e->Write(handle, command, 2, &done, kBytes), 0u);
    ASSERT_EQ(e->Read(handle, value, 2, &done, kBytes), 0u);
    EXPECT_EQ(value[0] << 8 | value[1], 0x10F1);
}
