#include "device/UsbAccess.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace talmir {

namespace {

namespace fs = std::filesystem;

constexpr unsigned kFtdiVendor = 0x0403;
constexpr std::array<unsigned, 3> kMpsseProducts = {0x6010, 0x6011, 0x6014};

// The number in a one-line sysfs attribute, in the given base.
std::optional<unsigned> ReadNumber(const fs::path& file, int base) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text)) return std::nullopt;
    try {
        std::size_t used = 0;
        const unsigned long value = std::stoul(text, &used, base);
        if (used != text.size()) return std::nullopt;
        return static_cast<unsigned>(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string NodePath(unsigned bus, unsigned device) {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", bus % 1000, device % 1000);
    return node;
}

}  // namespace

bool CanOpenReadWrite(const std::string& node) {
    std::FILE* f = std::fopen(node.c_str(), "r+b");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

std::optional<std::string> FindInaccessibleFtdiNode(const std::string& sysfsRoot,
                                                    const NodeAccessCheck& canOpen) {
    std::error_code error;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(sysfsRoot, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) {
        // Interfaces and hubs without these attributes are skipped.
        const auto vendor = ReadNumber(entry / "idVendor", 16);
        const auto product = ReadNumber(entry / "idProduct", 16);
        if (vendor != kFtdiVendor || !product ||
            std::find(kMpsseProducts.begin(), kMpsseProducts.end(), *product) ==
                kMpsseProducts.end())
            continue;
        const auto bus = ReadNumber(entry / "busnum", 10);
        const auto device = ReadNumber(entry / "devnum", 10);
        if (!bus || !device) continue;
        const std::string node = NodePath(*bus, *device);
        if (!canOpen(node)) return node;
    }
    return std::nullopt;
}

std::string NoPermissionMessage(const std::string& node) {
    return "нет прав на открытие адаптера " + node + ". Установите правило udev " + kUdevRuleFile +
           " в /etc/udev/rules.d или /lib/udev/rules.d (пользователь в группе plugdev) и "
           "переподключите адаптер";
}

}  // namespace talmir
