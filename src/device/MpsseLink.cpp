#include "device/MpsseLink.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "device/DeviceError.h"
#include "device/DynamicLibrary.h"

namespace talmir {

using namespace mpsse;

std::vector<std::string> MpsseLibraryNames() {
    const char* env = std::getenv(kLibraryEnvVar);
    if (env != nullptr && *env != '\0') return {env};
#ifdef _WIN32
    return {"libMPSSE.dll"};
#else
    return {"libMPSSE.so", "libmpsse.so"};
#endif
}

MpsseLink& Mpsse() {
    static MpsseLink link;
    return link;
}

namespace {

constexpr const char* kNotBound = "the MPSSE library is not loaded or lacks an entry point";

template <typename Fn>
bool ResolveOne(void* library, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(FindSymbol(library, name));
    return slot != nullptr;
}

void Show(const MessageSink& show, const char* text) {
    if (show) show(text);
}

}  // namespace

bool MpsseLink::LoadMPSSELibrary(const std::vector<std::string>& fileNames,
                                 const MessageSink& show) {
    for (const auto& name : fileNames) {
        library_ = OpenLibrary(name);
        if (library_ != nullptr) break;
    }
    if (library_ == nullptr) {
        Show(show, kMsgLibraryNotLoaded);
        return false;
    }
    if (!Resolve(show)) return false;
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
// initialisation leaves no channel open, so the next transfer tries again.
void MpsseLink::EnsureChannelOpen(std::uint32_t channel) {
    if (SPIHandle != nullptr) return;
    if (!IsBound()) throw DeviceError("SPI_OpenChannel", kNotBound);
    FT_HANDLE handle = nullptr;
    const FT_STATUS opened = fn_.SPI_OpenChannel(channel, &handle);
    if (opened != FT_OK) throw DeviceError("SPI_OpenChannel", opened);
    // The library may adjust the record it is given; keep ours unchanged.
    mpsse::ChannelConfig config = config_;
    const FT_STATUS initialised = fn_.SPI_InitChannel(handle, &config);
    if (initialised != FT_OK) {
        if (handle != nullptr) fn_.SPI_CloseChannel(handle);
        throw DeviceError("SPI_InitChannel", initialised);
    }
    SPIHandle = handle;
}

FT_STATUS MpsseLink::Transfer(SPI_Read_t call, const char* name, std::uint32_t channel,
                              std::uint8_t* buffer, std::uint32_t size, std::uint32_t options) {
    if (!IsBound()) throw DeviceError(name, kNotBound);
    EnsureChannelOpen(channel);
    DWORD transferred = 0;
    const FT_STATUS status = call(SPIHandle, buffer, size, &transferred, options);
    if (status != FT_OK) throw DeviceError(name, status);
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
    if (status != FT_OK) throw DeviceError("FT_WriteGPIO", status);
    return status;
}

void MpsseLink::ResetChannel() {
    if (SPIHandle != nullptr && fn_.SPI_CloseChannel != nullptr) fn_.SPI_CloseChannel(SPIHandle);
    SPIHandle = nullptr;
}

}  // namespace talmir
