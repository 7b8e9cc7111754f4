#include "device/MpsseLink.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "device/DeviceError.h"
#include "device/DynamicLibrary.h"
#include "device/UsbAccess.h"

#ifndef TALMIR_INSTALL_LIBDIR
#define TALMIR_INSTALL_LIBDIR "/usr/local/lib/talmir"
#endif

namespace talmir {

using namespace mpsse;

namespace {
constexpr const char* kOwnLibrary = "libtalmirmpsse.so";
#ifdef _WIN32
constexpr const char* kSimulatorLibrary = "libtalmirsim.dll";
#else
constexpr const char* kSimulatorLibrary = "libtalmirsim.so";
#endif

// A path as the UTF-8 text every library name is here (on Windows the narrow
// string() would take only the ANSI code page).
std::string Utf8Path(const std::filesystem::path& path) {
    const std::u8string text = path.lexically_normal().u8string();
    return std::string(text.begin(), text.end());
}
}  // namespace

std::string InstalledOwnMpsseLibrary() {
    return std::string(TALMIR_INSTALL_LIBDIR "/") + kOwnLibrary;
}

std::vector<std::string> MpsseLibraryNames(const char* override, const std::string& exeDir) {
    if (override != nullptr && *override != '\0') return {override};
#ifdef _WIN32
    (void)exeDir;
    return {"libMPSSE.dll"};
#else
    std::vector<std::string> names = {"libMPSSE.so", "libmpsse.so"};
    const auto add = [&](const std::filesystem::path& file) {
        const std::string name = file.lexically_normal().string();
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    };
    if (!exeDir.empty()) {
        const std::filesystem::path lib = std::filesystem::path(exeDir) / ".." / "lib";
        add(lib / kOwnLibrary);
        add(lib / "talmir" / kOwnLibrary);
    }
    add(InstalledOwnMpsseLibrary());
    return names;
#endif
}

std::vector<std::string> DemoLibraryNames(const std::string& exeDir) {
    const std::filesystem::path dir(std::u8string(exeDir.begin(), exeDir.end()));
    const std::filesystem::path lib = dir / ".." / "lib";
#ifdef _WIN32
    // The portable folder and the installation keep the simulator beside the
    // executable.
    return {Utf8Path(dir / kSimulatorLibrary), Utf8Path(lib / kSimulatorLibrary)};
#else
    return {Utf8Path(lib / kSimulatorLibrary), Utf8Path(lib / "talmir" / kSimulatorLibrary)};
#endif
}

std::vector<std::string> MpsseLibraryNames() {
#ifdef _WIN32
    // The narrow environment holds only the ANSI code page; the wide one holds
    // any path, which is passed on as UTF-8 like every file name here.
    const std::string_view var = kLibraryEnvVar;
    const wchar_t* wide = _wgetenv(std::wstring(var.begin(), var.end()).c_str());
    const std::u8string text = wide ? std::filesystem::path(wide).u8string() : std::u8string();
    return MpsseLibraryNames(std::string(text.begin(), text.end()).c_str(), ExecutableDir());
#else
    return MpsseLibraryNames(std::getenv(kLibraryEnvVar), ExecutableDir());
#endif
}

void FillChannelConfig(mpsse::ChannelConfig& config, std::uint32_t clockRate) {
    config.ClockRate = clockRate;
    config.LatencyTimer = 1;
    config.configOptions = 0x20;
    config.Pin = 0;
    config.currentPinState = 0;
}

std::string AdapterTypeName(std::uint32_t type) {
    switch (type) {
        case 4:
            return "2232D";
        case 6:
            return "2232H";
        case 7:
            return "4232H";
        case 8:
            return "232H";
        default:
            return std::to_string(type);
    }
}

namespace {

constexpr const char* kNotBound = "библиотека MPSSE не загружена или в ней нет нужных функций";

template <typename Fn>
bool ResolveOne(void* library, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(FindSymbol(library, name));
    return slot != nullptr;
}

// A fixed-size text field, which need not be terminated within the field.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, std::find(field, field + N, '\0'));
}

void Show(const MessageSink& show, const char* text) {
    if (show) show(text);
}

}  // namespace

bool MpsseLink::LoadMPSSELibrary(const std::vector<std::string>& fileNames,
                                 const MessageSink& show) {
    for (const auto& name : fileNames) {
        library_ = OpenLibrary(name);
        if (library_ != nullptr) {
            libraryPath_ = LoadedFilePath(library_, name);
            break;
        }
    }
    if (library_ == nullptr) {
        Show(show, kMsgLibraryNotLoaded);
        return false;
    }
    if (!Resolve(show)) return false;
    ResolveOne(library_, TALMIR_READ_FRAMES_NAME, fn_.Talmir_SPI_ReadFrames);
    ResolveOne(library_, TALMIR_MIN_FRAME_PERIOD_NAME, fn_.Talmir_SPI_MinFramePeriod);
    ResolveOne(library_, TALMIR_STREAM_FRAMES_NAME, fn_.Talmir_SPI_StreamFrames);
    fn_.SPI_GetNumChannels(&channelCount_);
    return true;
}

// Resolves the entry points in their fixed order, stopping at the first
// missing one; those before it stay resolved.
bool MpsseLink::Resolve(const MessageSink& show) {
    const auto missing = [&](const char* message) {
        Show(show, message);
        return false;
    };
    void* lib = library_;
    if (!ResolveOne(lib, "SPI_GetNumChannels", fn_.SPI_GetNumChannels))
        return missing(kMsgFunctionMissing);
    if (!ResolveOne(lib, "SPI_GetChannelInfo", fn_.SPI_GetChannelInfo))
        return missing(kMsgFunctionMissing);
    if (!ResolveOne(lib, "SPI_OpenChannel", fn_.SPI_OpenChannel))
        return missing(kMsgOpenChannelMissing);
    if (!ResolveOne(lib, "SPI_InitChannel", fn_.SPI_InitChannel))
        return missing(kMsgFunctionMissing);
    if (!ResolveOne(lib, "SPI_CloseChannel", fn_.SPI_CloseChannel))
        return missing(kMsgFunctionMissing);
    if (!ResolveOne(lib, "SPI_Read", fn_.SPI_Read)) return missing(kMsgFunctionMissing);
    if (!ResolveOne(lib, "SPI_Write", fn_.SPI_Write)) return missing(kMsgFunctionMissing);
    if (!ResolveOne(lib, "SPI_IsBusy", fn_.SPI_IsBusy)) return missing(kMsgFunctionMissing);
    if (!ResolveOne(lib, "FT_WriteGPIO", fn_.FT_WriteGPIO)) return missing(kMsgFunctionMissing);
    return true;
}

bool MpsseLink::IsBound() const {
    return library_ != nullptr && fn_.FT_WriteGPIO != nullptr;
}

// Opens and initialises the channel when none is open. A failed open or
// initialisation leaves no channel open (a handle it gave is closed), so the
// next transfer tries again.
void MpsseLink::SelectChannel(std::uint32_t index) {
    if (SPIHandle != nullptr && openChannel_ != index) ResetChannel();
    channel_ = index;
}

void MpsseLink::EnsureChannelOpen(std::uint32_t channel) {
    if (SPIHandle != nullptr && openChannel_ == channel) return;
    if (SPIHandle != nullptr) ResetChannel();
    if (!IsBound()) throw DeviceError("SPI_OpenChannel", kNotBound);
    FT_HANDLE handle = nullptr;
    const FT_STATUS opened = fn_.SPI_OpenChannel(channel, &handle);
    if (opened != kOk) {
        // A library may hand out a handle and still fail; release it.
        if (handle != nullptr) fn_.SPI_CloseChannel(handle);
        RaiseOpenFailure(opened);
    }
    // The library may adjust the record it is given; keep ours unchanged.
    mpsse::ChannelConfig config = config_;
    const FT_STATUS initialised = fn_.SPI_InitChannel(handle, &config);
    if (initialised != kOk) {
        if (handle != nullptr) fn_.SPI_CloseChannel(handle);
        throw DeviceError("SPI_InitChannel", initialised);
    }
    SPIHandle = handle;
    openChannel_ = channel;
}

FT_STATUS MpsseLink::Transfer(SPI_Read_t call, const char* name, std::uint32_t channel,
                              std::uint8_t* buffer, std::uint32_t size, std::uint32_t options) {
    if (!IsBound()) throw DeviceError(name, kNotBound);
    EnsureChannelOpen(channel);
    DWORD transferred = 0;
    const FT_STATUS status = call(SPIHandle, buffer, size, &transferred, options);
    if (status != kOk) DropChannelAndRaise(name, status);
    return status;
}

FT_STATUS MpsseLink::SPIReadData(std::uint32_t channel, std::uint8_t size, std::uint8_t* buffer) {
    return Transfer(fn_.SPI_Read, "SPI_Read", channel, buffer, size, kOptionBytesFramed);
}

FT_STATUS MpsseLink::SPIReadBits(std::uint32_t channel, std::uint8_t bits, std::uint8_t* buffer) {
    return Transfer(fn_.SPI_Read, "SPI_Read", channel, buffer, bits, kOptionBitsFramed);
}

FT_STATUS MpsseLink::SPIWriteData(std::uint32_t channel, std::uint8_t size,
                                  const std::uint8_t* buffer) {
    // The vendor's signature takes a writable buffer; hand it a copy.
    std::array<std::uint8_t, 256> copy{};
    std::copy_n(buffer, size, copy.begin());
    return Transfer(fn_.SPI_Write, "SPI_Write", channel, copy.data(), size, kOptionBytesFramed);
}

FT_STATUS MpsseLink::GPIOWrite(std::uint32_t channel, std::uint8_t direction, std::uint8_t value) {
    if (!IsBound()) throw DeviceError("FT_WriteGPIO", kNotBound);
    EnsureChannelOpen(channel);
    const FT_STATUS status = fn_.FT_WriteGPIO(SPIHandle, direction, value);
    if (status != kOk) DropChannelAndRaise("FT_WriteGPIO", status);
    return status;
}

void MpsseLink::OpenForFrames(const char* call, bool present, std::uint32_t channel) {
    if (!IsBound()) throw DeviceError(call, kNotBound);
    if (!present) throw DeviceError(call, "нет в библиотеке MPSSE");
    EnsureChannelOpen(channel);
}

FrameBurst MpsseLink::AfterFrames(FrameBurst burst) {
    constexpr FT_STATUS kInvalidParameter = 6;
    if (burst.status != kOk && burst.status != kInvalidParameter) ResetChannel();
    return burst;
}

FrameBurst MpsseLink::ReadFrames(std::uint32_t channel, std::uint8_t* buffer,
                                 std::uint32_t frameBits, std::uint32_t frameCount,
                                 std::uint32_t periodClocks) {
    OpenForFrames(TALMIR_READ_FRAMES_NAME, HasReadFrames(), channel);
    FrameBurst burst;
    burst.status = fn_.Talmir_SPI_ReadFrames(SPIHandle, buffer, frameBits, frameCount, periodClocks,
                                             &burst.framesDone);
    return AfterFrames(burst);
}

namespace {

DWORD TALMIR_MPSSE_CALL CallFrameSink(void* context, const UCHAR* frames, DWORD count) {
    return (*static_cast<const MpsseLink::FrameSink*>(context))(frames, count) ? 0 : 1;
}

}  // namespace

FrameBurst MpsseLink::StreamFrames(std::uint32_t channel, std::uint32_t frameBits,
                                   std::uint32_t frameCount, std::uint32_t periodClocks,
                                   const FrameSink& sink) {
    OpenForFrames(TALMIR_STREAM_FRAMES_NAME, HasStreamFrames(), channel);
    FrameBurst burst;
    burst.status =
        fn_.Talmir_SPI_StreamFrames(SPIHandle, frameBits, frameCount, periodClocks, &CallFrameSink,
                                    const_cast<FrameSink*>(&sink), &burst.framesDone);
    return AfterFrames(burst);
}

std::uint32_t MpsseLink::MinFramePeriod(std::uint32_t frameBits) const {
    if (!IsBound() || fn_.Talmir_SPI_MinFramePeriod == nullptr) return 0;
    return fn_.Talmir_SPI_MinFramePeriod(frameBits, config_.ClockRate);
}

// A failed call most often means the adapter went away: its handle is stale
// even once the adapter is back, so the next primitive opens the channel anew.
void MpsseLink::DropChannelAndRaise(const char* call, FT_STATUS status) {
    ResetChannel();
    throw DeviceError(call, status);
}

// "Device not opened" on Linux is what the vendor's library answers for an
// adapter whose device node the user may not open; say so when that is the
// case instead of the bare status.
void MpsseLink::RaiseOpenFailure(FT_STATUS status) const {
    if (status == kDeviceNotOpened) {
        std::optional<std::string> node;
        if (usbAccessProbe_) {
            node = usbAccessProbe_();
        } else {
#ifndef _WIN32
            node = FindInaccessibleFtdiNode();
#endif
        }
        if (node)
            throw DeviceError::WithMessage("SPI_OpenChannel",
                                           "SPI_OpenChannel: " + NoPermissionMessage(*node));
    }
    throw DeviceError("SPI_OpenChannel", status);
}

std::vector<MpsseChannelInfo> MpsseLink::ListChannels() const {
    if (!IsBound()) throw DeviceError("SPI_GetNumChannels", kNotBound);
    DWORD count = 0;
    const FT_STATUS counted = fn_.SPI_GetNumChannels(&count);
    if (counted != kOk) throw DeviceError("SPI_GetNumChannels", counted);
    std::vector<MpsseChannelInfo> channels;
    for (DWORD index = 0; index < count; ++index) {
        FT_DEVICE_LIST_INFO_NODE node{};
        const FT_STATUS status = fn_.SPI_GetChannelInfo(index, &node);
        if (status != kOk) throw DeviceError("SPI_GetChannelInfo", status);
        MpsseChannelInfo info;
        info.index = index;
        info.type = node.Type;
        info.serial = FieldText(node.SerialNumber);
        info.description = FieldText(node.Description);
        info.opened = (node.Flags & 0x1) != 0;
        channels.push_back(std::move(info));
    }
    return channels;
}

void MpsseLink::ResetChannel() {
    if (SPIHandle != nullptr && fn_.SPI_CloseChannel != nullptr) fn_.SPI_CloseChannel(SPIHandle);
    SPIHandle = nullptr;
}

}  // namespace talmir
