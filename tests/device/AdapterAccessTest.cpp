// Reaching a real adapter: the channel list, the sysfs probe for adapters the
// user may not open, and the message a refused open then gives.
#include <filesystem>
#include <fstream>
#include <set>

#include "DeviceTestSupport.h"
#include "device/DeviceError.h"
#include "device/UsbAccess.h"

using namespace talmir;
using namespace talmir::test;

namespace fs = std::filesystem;

namespace {

// A fake /sys/bus/usb/devices: one folder per entry with the given attributes.
class FakeSysfs {
public:
    FakeSysfs() {
        root_ = fs::temp_directory_path() /
                ("talmir-sysfs-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    ~FakeSysfs() { fs::remove_all(root_); }

    void Add(const std::string& entry,
             const std::vector<std::pair<std::string, std::string>>& attrs) {
        fs::create_directories(root_ / entry);
        for (const auto& [name, value] : attrs)
            std::ofstream(root_ / entry / name) << value << "\n";
    }
    void AddDevice(const std::string& entry, const char* vendor, const char* product, int bus,
                   int dev) {
        Add(entry, {{"idVendor", vendor},
                    {"idProduct", product},
                    {"busnum", std::to_string(bus)},
                    {"devnum", std::to_string(dev)}});
    }
    std::string Root() const { return root_.string(); }

private:
    fs::path root_;
};

using AdapterAccess = LinkTest;

}  // namespace

TEST(UsbAccess, FindsTheFirstFtdiMpsseAdapterTheUserCannotOpen) {
    struct Case {
        const char* what;
        std::set<std::string> refused;
        std::optional<std::string> node;
    };
    FakeSysfs sysfs;
    sysfs.AddDevice("usb1", "1d6b", "0002", 1, 1);       // root hub
    sysfs.AddDevice("1-1", "0403", "6001", 1, 4);        // FT232R: no MPSSE
    sysfs.AddDevice("1-2", "0403", "6014", 1, 5);        // FT232H
    sysfs.Add("1-2:1.0", {{"bInterfaceNumber", "00"}});  // its interface
    sysfs.AddDevice("2-1", "0403", "6010", 2, 17);       // FT2232H
    sysfs.AddDevice("2-2", "10c4", "6010", 2, 18);       // other vendor, same product id
    sysfs.Add("2-3", {{"idVendor", "0403"}, {"idProduct", "6011"}});  // no bus or device number
    const Case cases[] = {
        {"every node open", {}, std::nullopt},
        {"FT232H refused", {"/dev/bus/usb/001/005"}, "/dev/bus/usb/001/005"},
        {"FT2232H refused", {"/dev/bus/usb/002/017"}, "/dev/bus/usb/002/017"},
        {"both refused: sysfs order",
         {"/dev/bus/usb/002/017", "/dev/bus/usb/001/005"},
         "/dev/bus/usb/001/005"},
        {"only non-MPSSE devices refused",
         {"/dev/bus/usb/001/001", "/dev/bus/usb/001/004", "/dev/bus/usb/002/018"},
         std::nullopt},
    };
    for (const Case& c : cases) {
        const auto canOpen = [&](const std::string& node) { return c.refused.count(node) == 0; };
        EXPECT_EQ(FindInaccessibleFtdiNode(sysfs.Root(), canOpen), c.node) << c.what;
    }
    EXPECT_EQ(FindInaccessibleFtdiNode(sysfs.Root() + "/missing", [](auto&) { return false; }),
              std::nullopt);
}

// "Device not opened" with an adapter the user may not open names the node and
// the udev rule; other failures keep the library's status.
TEST_F(AdapterAccess, RefusedOpenExplainsTheMissingPermissionOnlyWhenThatIsTheCause) {
    struct Case {
        std::uint32_t status;
        std::optional<std::string> refusedNode;
        bool explained;
        const char* statusName;
    };
    const Case cases[] = {
        {3, "/dev/bus/usb/001/007", true, ""},
        {3, std::nullopt, false, "FT_DEVICE_NOT_OPENED"},
        {2, "/dev/bus/usb/001/007", false, "FT_DEVICE_NOT_FOUND"},
    };
    for (const Case& c : cases) {
        link.SetUsbAccessProbe([&] { return c.refusedNode; });
        TalmirSim_FailCall("SPI_OpenChannel", c.status, 1);
        std::string message;
        try {
            link.GPIOWrite(0, 0x81, 0x01);
        } catch (const DeviceError& e) {
            EXPECT_EQ(e.Call(), "SPI_OpenChannel");
            message = e.what();
        }
        const bool explained = message.find("нет прав на открытие адаптера") != std::string::npos;
        EXPECT_EQ(explained, c.explained) << message;
        if (c.explained) {
            EXPECT_NE(message.find("/dev/bus/usb/001/007"), std::string::npos) << message;
            EXPECT_NE(message.find("70-talmir-ftdi.rules"), std::string::npos) << message;
            EXPECT_EQ(message.find("статус"), std::string::npos) << message;
        } else {
            EXPECT_NE(message.find(c.statusName), std::string::npos) << message;
        }
        EXPECT_FALSE(link.IsChannelOpen());
    }
}

TEST_F(AdapterAccess, ChannelListGivesWhatTheLibraryReportsAndWhetherItIsOpen) {
    auto channels = link.ListChannels();
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].index, 0u);
    EXPECT_EQ(AdapterTypeName(channels[0].type), "232H");
    EXPECT_EQ(channels[0].description, "TALMIR simulated SPI");
    EXPECT_EQ(channels[0].serial, "TLM00001");
    EXPECT_FALSE(channels[0].opened);

    link.EnsureChannelOpen(0);
    EXPECT_TRUE(link.ListChannels().at(0).opened);

    TalmirSim_Unplug(1);
    EXPECT_TRUE(link.ListChannels().empty());
    TalmirSim_Unplug(0);
    TalmirSim_FailCall("SPI_GetChannelInfo", 4, 1);
    EXPECT_THROW(link.ListChannels(), DeviceError);
    EXPECT_THROW(MpsseLink().ListChannels(), DeviceError) << "unbound";
}

TEST(AdapterTypeName, NamesTheMpsseAdaptersAndNumbersTheRest) {
    const std::pair<std::uint32_t, const char*> cases[] = {{8, "232H"},  {6, "2232H"}, {7, "4232H"},
                                                           {4, "2232D"}, {5, "5"},     {0, "0"}};
    for (const auto& [type, name] : cases) EXPECT_EQ(AdapterTypeName(type), name) << type;
}
