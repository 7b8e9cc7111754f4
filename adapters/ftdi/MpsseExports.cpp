// The exported entry points: argument checks, the list of MPSSE channels on
// the host, and the table of opened channels behind the handles.
#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include "FtdiChip.h"
#include "FtdiPort.h"
#include "FtdiVersion.h"
#include "MpsseChannel.h"
#include "TalmirFramePacing.h"
#include "mpsse_abi.h"

using namespace talmirmpsse;

// Overridden by FtdiUsb.cpp in the libftdi1 build.
__attribute__((weak)) uint32_t talmirmpsse::UsbLibraryVersion() {
    return 0;
}

namespace {

// One MPSSE channel of a device: interface 0 = A, 1 = B.
struct ChannelEntry {
    FtdiDevice device;
    int interface = 0;
    ChipType chip = ChipType::Ft232H;
};

struct OpenEntry {
    std::shared_ptr<MpsseChannel> channel;
    uint8_t bus = 0;
    uint8_t address = 0;
    int interface = 0;
};

// The library's global state; never destroyed, so channels still open at
// exit do not race the destruction of the bus behind them.
struct Library {
    std::mutex mutex;
    std::vector<ChannelEntry> channels;
    bool listed = false;
    std::map<uintptr_t, OpenEntry> open;
    uintptr_t nextHandle = 1;
};

Library& library() {
    static Library& instance = *new Library;
    return instance;
}

std::vector<ChannelEntry> listChannels() {
    std::vector<FtdiDevice> devices = DefaultBus().enumerate();
    std::stable_sort(devices.begin(), devices.end(), [](const auto& a, const auto& b) {
        return std::tie(a.bus, a.address) < std::tie(b.bus, b.address);
    });
    std::vector<ChannelEntry> channels;
    for (const FtdiDevice& device : devices) {
        const auto chip = chipFromDescriptor(device.vendorId, device.productId, device.bcdDevice);
        if (!chip) continue;
        for (int i = 0; i < mpsseChannelCount(*chip); ++i) channels.push_back({device, i, *chip});
    }
    return channels;
}

// Fills the cached list on first use; SPI_GetNumChannels refreshes it.
const std::vector<ChannelEntry>& cachedChannels(Library& lib) {
    if (!lib.listed) {
        lib.channels = listChannels();
        lib.listed = true;
    }
    return lib.channels;
}

const OpenEntry* findOpen(const Library& lib, const ChannelEntry& entry, uintptr_t* handle) {
    for (const auto& [key, open] : lib.open) {
        if (open.bus == entry.device.bus && open.address == entry.device.address &&
            open.interface == entry.interface) {
            if (handle != nullptr) *handle = key;
            return &open;
        }
    }
    return nullptr;
}

void copyString(char* destination, std::size_t size, const std::string& text) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(destination, text.data(), n);
    destination[n] = '\0';
}

void fillNode(const Library& lib, const ChannelEntry& entry, FT_DEVICE_LIST_INFO_NODE& node) {
    std::memset(&node, 0, sizeof node);
    uintptr_t handle = 0;
    const bool opened = findOpen(lib, entry, &handle) != nullptr;
    const FtdiDevice& d = entry.device;
    node.Flags = (opened ? kFlagOpened : 0) | (isHighSpeed(entry.chip) ? kFlagHighSpeed : 0);
    node.Type = deviceListType(entry.chip);
    node.ID = static_cast<ULONG>(d.vendorId) << 16 | d.productId;
    // Synthesised location: bus, device address, then the interface (1 = A,
    // 2 = B), one nibble each except the address's byte.
    node.LocId = static_cast<DWORD>(d.bus) << 12 | static_cast<DWORD>(d.address) << 4 |
                 static_cast<DWORD>(entry.interface + 1);
    const bool multi = mpsseChannelCount(entry.chip) > 1;
    const char letter = static_cast<char>('A' + entry.interface);
    copyString(node.SerialNumber, sizeof node.SerialNumber, multi ? d.serial + letter : d.serial);
    copyString(node.Description, sizeof node.Description,
               multi ? d.product + ' ' + letter : d.product);
    node.ftHandle = opened ? reinterpret_cast<FT_HANDLE>(handle) : nullptr;
}

std::shared_ptr<MpsseChannel> findChannel(FT_HANDLE handle) {
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    const auto it = lib.open.find(reinterpret_cast<uintptr_t>(handle));
    return it == lib.open.end() ? nullptr : it->second.channel;
}

// Runs `body` with the channel behind `handle` locked; unknown and closed
// handles answer "invalid handle".
template <typename Body>
FT_STATUS withChannel(FT_HANDLE handle, Body&& body) {
    const std::shared_ptr<MpsseChannel> channel = findChannel(handle);
    if (!channel) return kInvalidHandle;
    std::lock_guard lock(channel->mutex);
    if (!channel->isOpen()) return kInvalidHandle;
    return body(*channel);
}

// Keeps exceptions (allocation failures, mostly) inside the library.
template <typename Body>
FT_STATUS guarded(Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kInsufficientResources;
    } catch (...) {
        return kOtherError;
    }
}

void closeChannel(const std::shared_ptr<MpsseChannel>& channel) {
    std::lock_guard lock(channel->mutex);
    channel->close();
}

}  // namespace

extern "C" {

FT_STATUS SPI_GetNumChannels(DWORD* numChannels) {
    if (numChannels == nullptr) return kInvalidParameter;
    return guarded([&] {
        Library& lib = library();
        std::lock_guard lock(lib.mutex);
        lib.channels = listChannels();
        lib.listed = true;
        *numChannels = static_cast<DWORD>(lib.channels.size());
        return kOk;
    });
}

FT_STATUS SPI_GetChannelInfo(DWORD index, FT_DEVICE_LIST_INFO_NODE* chanInfo) {
    if (chanInfo == nullptr) return kInvalidParameter;
    return guarded([&] {
        Library& lib = library();
        std::lock_guard lock(lib.mutex);
        const auto& channels = cachedChannels(lib);
        if (index >= channels.size()) return kInvalidHandle;
        fillNode(lib, channels[index], *chanInfo);
        return kOk;
    });
}

FT_STATUS SPI_OpenChannel(DWORD index, FT_HANDLE* handle) {
    if (handle == nullptr) return kInvalidParameter;
    return guarded([&] {
        Library& lib = library();
        std::lock_guard lock(lib.mutex);
        // A device that was pulled out and plugged back in has a new USB
        // address: when the listed channel is missing or gone, list the
        // channels again once.
        std::unique_ptr<FtdiPort> port;
        int error = 0;
        for (int attempt = 0; attempt < 2 && !port; ++attempt) {
            if (attempt == 1) {
                if (error == kFtdiOpenFailed || error == kFtdiClaimFailed) break;
                lib.listed = false;
            }
            const auto& channels = cachedChannels(lib);
            if (index >= channels.size()) {
                if (attempt == 1) return kInvalidHandle;
                continue;
            }
            const ChannelEntry& entry = channels[index];
            if (findOpen(lib, entry, nullptr) != nullptr) return kDeviceNotOpened;
            port = DefaultBus().open(entry.device, entry.interface, error);
        }
        if (!port) {
            return error == kFtdiOpenFailed || error == kFtdiClaimFailed ? kDeviceNotOpened
                                                                         : kDeviceNotFound;
        }
        const ChannelEntry& entry = lib.channels[index];
        const uintptr_t key = lib.nextHandle++;
        lib.open[key] = {std::make_shared<MpsseChannel>(std::move(port), entry.chip),
                         entry.device.bus, entry.device.address, entry.interface};
        *handle = reinterpret_cast<FT_HANDLE>(key);
        return kOk;
    });
}

FT_STATUS SPI_InitChannel(FT_HANDLE handle, ChannelConfig* config) {
    if (config == nullptr) return kInvalidParameter;
    return guarded([&] { return withChannel(handle, [&](auto& c) { return c.init(*config); }); });
}

FT_STATUS SPI_CloseChannel(FT_HANDLE handle) {
    return guarded([&] {
        std::shared_ptr<MpsseChannel> channel;
        {
            Library& lib = library();
            std::lock_guard lock(lib.mutex);
            const auto it = lib.open.find(reinterpret_cast<uintptr_t>(handle));
            if (it == lib.open.end()) return kInvalidHandle;
            channel = std::move(it->second.channel);
            lib.open.erase(it);
        }
        closeChannel(channel);
        return kOk;
    });
}

FT_STATUS SPI_Read(FT_HANDLE handle, UCHAR* buffer, DWORD sizeToTransfer, DWORD* sizeTransferred,
                   DWORD options) {
    if (buffer == nullptr || sizeTransferred == nullptr) return kInvalidParameter;
    *sizeTransferred = 0;
    return guarded([&] {
        return withChannel(handle, [&](auto& c) {
            return c.read(buffer, sizeToTransfer, *sizeTransferred, options);
        });
    });
}

FT_STATUS SPI_Write(FT_HANDLE handle, UCHAR* buffer, DWORD sizeToTransfer, DWORD* sizeTransferred,
                    DWORD options) {
    if (buffer == nullptr || sizeTransferred == nullptr) return kInvalidParameter;
    *sizeTransferred = 0;
    return guarded([&] {
        return withChannel(handle, [&](auto& c) {
            return c.write(buffer, sizeToTransfer, *sizeTransferred, options);
        });
    });
}

FT_STATUS SPI_ReadWrite(FT_HANDLE handle, UCHAR* inBuffer, UCHAR* outBuffer, DWORD sizeToTransfer,
                        DWORD* sizeTransferred, DWORD options) {
    if (inBuffer == nullptr || outBuffer == nullptr || sizeTransferred == nullptr) {
        return kInvalidParameter;
    }
    *sizeTransferred = 0;
    return guarded([&] {
        return withChannel(handle, [&](auto& c) {
            return c.readWrite(inBuffer, outBuffer, sizeToTransfer, *sizeTransferred, options);
        });
    });
}

FT_STATUS SPI_IsBusy(FT_HANDLE handle, BOOL* state) {
    if (state == nullptr) return kInvalidParameter;
    *state = 0;
    return guarded([&] { return withChannel(handle, [&](auto& c) { return c.isBusy(*state); }); });
}

FT_STATUS SPI_ToggleCS(FT_HANDLE handle, BOOL state) {
    return guarded([&] {
        return withChannel(handle, [&](auto& c) { return c.toggleChipSelect(state != 0); });
    });
}

FT_STATUS SPI_ChangeCS(FT_HANDLE handle, DWORD configOptions) {
    return guarded([&] {
        return withChannel(handle, [&](auto& c) { return c.changeChipSelect(configOptions); });
    });
}

FT_STATUS FT_WriteGPIO(FT_HANDLE handle, UCHAR dir, UCHAR value) {
    return guarded(
        [&] { return withChannel(handle, [&](auto& c) { return c.writeGpio(dir, value); }); });
}

FT_STATUS FT_ReadGPIO(FT_HANDLE handle, UCHAR* value) {
    if (value == nullptr) return kInvalidParameter;
    return guarded(
        [&] { return withChannel(handle, [&](auto& c) { return c.readGpio(*value); }); });
}

// Our own entry points beside the vendor's.

FT_STATUS Talmir_SPI_ReadFrames(FT_HANDLE handle, UCHAR* buffer, DWORD frameBits, DWORD frameCount,
                                DWORD periodClocks, DWORD* framesDone) {
    if (framesDone == nullptr) return kInvalidParameter;
    *framesDone = 0;
    if (buffer == nullptr) return kInvalidParameter;
    return guarded([&] {
        return withChannel(handle, [&](auto& c) {
            return c.readFrames(buffer, frameBits, frameCount, periodClocks, *framesDone);
        });
    });
}

FT_STATUS Talmir_SPI_StreamFrames(FT_HANDLE handle, DWORD frameBits, DWORD frameCount,
                                  DWORD periodClocks, Talmir_FrameSink_fn* sink, void* context,
                                  DWORD* framesDone) {
    if (framesDone == nullptr) return kInvalidParameter;
    *framesDone = 0;
    if (sink == nullptr) return kInvalidParameter;
    return guarded([&] {
        return withChannel(handle, [&](auto& c) {
            return c.streamFrames(frameBits, frameCount, periodClocks, sink, context, *framesDone);
        });
    });
}

DWORD Talmir_SPI_MinFramePeriod(DWORD frameBits, DWORD clockRate) {
    return talmirframes::minPeriodClocks(frameBits, clockRate);
}

void Init_libMPSSE(void) {}

// Closes every channel still open.
void Cleanup_libMPSSE(void) {
    guarded([] {
        std::map<uintptr_t, OpenEntry> open;
        {
            Library& lib = library();
            std::lock_guard lock(lib.mutex);
            open.swap(lib.open);
            lib.listed = false;
        }
        for (auto& [key, entry] : open) closeChannel(entry.channel);
        return kOk;
    });
}

// Reports 1.0.0 for the interface generation this library implements, as
// major << 16 | minor << 8 | micro, and the USB library's version in place of
// the vendor driver's.
FT_STATUS Ver_libMPSSE(DWORD* libmpsse, DWORD* libftd2xx) {
    if (libmpsse == nullptr || libftd2xx == nullptr) return kInvalidParameter;
    *libmpsse = 0x00010000;
    *libftd2xx = UsbLibraryVersion();
    return kOk;
}

}  // extern "C"
