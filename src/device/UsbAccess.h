// Finds FTDI MPSSE adapters on the USB bus that the user may not open: the
// vendor's library then fails to open the channel with a bare "device not
// opened", while the real cause is the permission of the device node.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace talmir {

// The udev rule file that grants the users of group plugdev the adapters.
inline constexpr const char* kUdevRuleFile = "70-talmir-ftdi.rules";

inline constexpr const char* kSysfsUsbDevices = "/sys/bus/usb/devices";

// Whether the user can open a device node for reading and writing.
using NodeAccessCheck = std::function<bool(const std::string& node)>;

// Opens the node read/write and closes it again.
bool CanOpenReadWrite(const std::string& node);

// The node (/dev/bus/usb/BBB/DDD) of the first FTDI FT2232H, FT4232H or
// FT232H listed under `sysfsRoot` (one folder per device, with idVendor,
// idProduct, busnum and devnum) that `canOpen` refuses; none when every such
// adapter can be opened or there is none.
std::optional<std::string> FindInaccessibleFtdiNode(
    const std::string& sysfsRoot = kSysfsUsbDevices,
    const NodeAccessCheck& canOpen = CanOpenReadWrite);

// The message for an adapter the user has no permission to open.
std::string NoPermissionMessage(const std::string& node);

}  // namespace talmir
