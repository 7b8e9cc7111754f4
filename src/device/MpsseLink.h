// The binding of the MPSSE library and the SPI transport over its one channel.
//
// The library is loaded once at start-up and never released. The channel is
// opened lazily by the first transfer with the channel configuration as it
// stands then, and re-opened only after ResetChannel. Every primitive call is
// one chip-select frame. A primitive raises DeviceError when the library is
// not bound, its entry point is missing, or the library answers a non-zero
// status; no library call is made when the binding is missing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/MpsseAbi.h"

namespace talmir {

// The three messages the binding can show.
inline constexpr const char* kMsgLibraryNotLoaded = "Библиотека не была загружена";
inline constexpr const char* kMsgOpenChannelMissing = "Функция SPI_OpenChannel не найдена в DLL";
inline constexpr const char* kMsgFunctionMissing = "Функция не найдена в DLL";

// Environment variable naming a library file to load instead of the vendor's.
inline constexpr const char* kLibraryEnvVar = "TALMIR_MPSSE_LIBRARY";

using MessageSink = std::function<void(const std::string&)>;

// File names tried in order: the environment override alone when set,
// otherwise the vendor's names for this platform.
std::vector<std::string> MpsseLibraryNames();

struct MpsseEntryPoints {
    mpsse::SPI_GetNumChannels_t SPI_GetNumChannels = nullptr;
    mpsse::SPI_GetChannelInfo_t SPI_GetChannelInfo = nullptr;
    mpsse::SPI_OpenChannel_t SPI_OpenChannel = nullptr;
    mpsse::SPI_InitChannel_t SPI_InitChannel = nullptr;
    mpsse::SPI_CloseChannel_t SPI_CloseChannel = nullptr;
    mpsse::SPI_Read_t SPI_Read = nullptr;
    mpsse::SPI_Write_t SPI_Write = nullptr;
    mpsse::SPI_IsBusy_t SPI_IsBusy = nullptr;
    mpsse::FT_WriteGPIO_t FT_WriteGPIO = nullptr;
};

class MpsseLink {
public:
    // Loads the first of `fileNames` that loads, resolves the nine entry
    // points in order and asks for the channel count. Shows at most one
    // message through `show`; returns true when fully bound.
    bool LoadMPSSELibrary(const std::vector<std::string>& fileNames, const MessageSink& show);
    bool LoadMPSSELibrary(const MessageSink& show) {
        return LoadMPSSELibrary(MpsseLibraryNames(), show);
    }

    bool IsLoaded() const { return library_ != nullptr; }
    bool IsBound() const;
    const MpsseEntryPoints& EntryPoints() const { return fn_; }
    std::uint32_t ChannelCount() const { return channelCount_; }

    mpsse::ChannelConfig& ChannelConfig() { return config_; }
    bool IsChannelOpen() const { return SPIHandle != nullptr; }

    void EnsureChannelOpen(std::uint32_t channel);
    mpsse::FT_STATUS SPIReadData(std::uint32_t channel, std::uint8_t size, std::uint8_t* buffer);
    mpsse::FT_STATUS SPIReadBits(std::uint32_t channel, std::uint8_t bits, std::uint8_t* buffer);
    mpsse::FT_STATUS SPIWriteData(std::uint32_t channel, std::uint8_t size,
                                  const std::uint8_t* buffer);
    mpsse::FT_STATUS GPIOWrite(std::uint32_t channel, std::uint8_t direction, std::uint8_t value);
    void ResetChannel();

private:
    bool Resolve(const MessageSink& show);
    mpsse::FT_STATUS Transfer(mpsse::SPI_Read_t call, const char* name, std::uint32_t channel,
                              std::uint8_t* buffer, std::uint32_t size, std::uint32_t options);

    void* library_ = nullptr;
    MpsseEntryPoints fn_;
    std::uint32_t channelCount_ = 0;
    mpsse::FT_HANDLE SPIHandle = nullptr;
    mpsse::ChannelConfig config_{};
};

// The process-wide link that the tool uses.
MpsseLink& Mpsse();

}  // namespace talmir
