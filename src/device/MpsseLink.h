// The binding of the MPSSE library and the SPI transport over its one channel.
//
// The library is loaded once at start-up and never released. The channel is
// opened lazily by the first transfer with the channel configuration as it
// stands then, and re-opened after ResetChannel or after a failed transfer
// (a pulled-out adapter leaves a stale handle behind). Every primitive call is
// one chip-select frame. A primitive raises DeviceError when the library is
// not bound, its entry point is missing, or the library answers a non-zero
// status; no library call is made when the binding is missing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mpsse_abi.h"

namespace talmir {

// The three messages the binding can show.
inline constexpr const char* kMsgLibraryNotLoaded = "Библиотека не была загружена";
inline constexpr const char* kMsgOpenChannelMissing = "Функция SPI_OpenChannel не найдена в DLL";
inline constexpr const char* kMsgFunctionMissing = "Функция не найдена в DLL";

// Environment variable naming a library file to load instead of the vendor's.
inline constexpr const char* kLibraryEnvVar = "TALMIR_MPSSE_LIBRARY";

using MessageSink = std::function<void(const std::string&)>;

// File names tried in order: the environment override alone when set,
// otherwise the vendor's names for this platform and, on Linux, then our own
// libtalmirmpsse.so beside the executable's folder and where it is installed.
std::vector<std::string> MpsseLibraryNames();
// The same for a given override (null or empty: none) and executable folder
// (empty: unknown).
std::vector<std::string> MpsseLibraryNames(const char* override, const std::string& exeDir);
// Where the installation puts our own MPSSE library.
std::string InstalledOwnMpsseLibrary();
// The simulated adapter's files tried in demo mode, relative to the
// executable folder `exeDir`: ../lib/ (the build tree), then ../lib/talmir/
// (an installed or unpacked package).
std::vector<std::string> DemoLibraryNames(const std::string& exeDir);

// The SPI clock in kHz that the clock edit starts with, and runs a job.
inline constexpr std::int32_t kDefaultSpiClockKHz = 1000;
// The channel configuration the tool opens the channel with, at `clockRate` Hz.
void FillChannelConfig(mpsse::ChannelConfig& config, std::uint32_t clockRate);

// One channel as SPI_GetChannelInfo describes it.
struct MpsseChannelInfo {
    std::uint32_t index = 0;
    std::uint32_t type = 0;  // the vendor's device type (8 = FT232H, ...)
    std::string description;
    std::string serial;
    bool opened = false;  // some process holds it open
};

// The adapter name of a vendor device type ("232H"), or its number.
std::string AdapterTypeName(std::uint32_t type);

// Finds the device node of an adapter the user may not open; none when there
// is no such adapter.
using UsbAccessProbe = std::function<std::optional<std::string>()>;

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
    // Our own libraries' entry points, looked up after the nine; a library
    // without them (the vendor's) binds all the same.
    mpsse::Talmir_SPI_ReadFrames_t Talmir_SPI_ReadFrames = nullptr;
    mpsse::Talmir_SPI_MinFramePeriod_t Talmir_SPI_MinFramePeriod = nullptr;
    mpsse::Talmir_SPI_StreamFrames_t Talmir_SPI_StreamFrames = nullptr;
};

// The outcome of a frame burst: the library's status and the complete frames
// it read (all of them when the status is 0).
struct FrameBurst {
    mpsse::FT_STATUS status = 0;
    std::uint32_t framesDone = 0;
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
    // The file that was loaded; empty when none.
    const std::string& LibraryPath() const { return libraryPath_; }
    bool IsBound() const;
    const MpsseEntryPoints& EntryPoints() const { return fn_; }
    std::uint32_t ChannelCount() const { return channelCount_; }

    mpsse::ChannelConfig& ChannelConfig() { return config_; }
    bool IsChannelOpen() const { return SPIHandle != nullptr; }

    // The channel the chip's transfers go to: 0 unless another was chosen.
    std::uint32_t Channel() const { return channel_; }
    // Chooses the channel later transfers open; a channel of another index
    // that is open is closed first.
    void SelectChannel(std::uint32_t index);

    void EnsureChannelOpen(std::uint32_t channel);
    mpsse::FT_STATUS SPIReadData(std::uint32_t channel, std::uint8_t size, std::uint8_t* buffer);
    mpsse::FT_STATUS SPIReadBits(std::uint32_t channel, std::uint8_t bits, std::uint8_t* buffer);
    mpsse::FT_STATUS SPIWriteData(std::uint32_t channel, std::uint8_t size,
                                  const std::uint8_t* buffer);
    mpsse::FT_STATUS GPIOWrite(std::uint32_t channel, std::uint8_t direction, std::uint8_t value);
    void ResetChannel();

    // Whether the library reads frame bursts paced by the adapter's clock
    // (Talmir_SPI_ReadFrames). Without it a caller takes one framed read per
    // sample.
    bool HasReadFrames() const { return IsBound() && fn_.Talmir_SPI_ReadFrames != nullptr; }
    // Reads frameCount frames of frameBits bits into buffer
    // (ceil(frameBits / 8) bytes each), periodClocks SK clocks apart (0:
    // back to back), opening the channel first when needed. A failed burst
    // is returned, not raised, so the frames read before the failure can be
    // used; it closes the channel like a failed primitive, unless the library
    // refused the arguments (invalid parameter) and sent nothing. Raises
    // DeviceError when the library lacks the entry point or the channel does
    // not open.
    FrameBurst ReadFrames(std::uint32_t channel, std::uint8_t* buffer, std::uint32_t frameBits,
                          std::uint32_t frameCount, std::uint32_t periodClocks);
    // Whether the library reads a paced run of any length in one call,
    // handing the frames over as they come (Talmir_SPI_StreamFrames).
    bool HasStreamFrames() const { return IsBound() && fn_.Talmir_SPI_StreamFrames != nullptr; }
    // Reads frameCount frames as ReadFrames does, as one unbroken run, giving
    // each next run of frames to `sink` on this thread (the bytes valid during
    // the call); `sink` answers false to stop the run, and must not throw.
    // framesDone counts the frames given to `sink`. Failures as ReadFrames.
    using FrameSink = std::function<bool(const std::uint8_t* frames, std::uint32_t count)>;
    FrameBurst StreamFrames(std::uint32_t channel, std::uint32_t frameBits,
                            std::uint32_t frameCount, std::uint32_t periodClocks,
                            const FrameSink& sink);
    // The shortest periodClocks the library accepts for frames of frameBits
    // bits at the configured clock rate; 0 when it cannot say.
    std::uint32_t MinFramePeriod(std::uint32_t frameBits) const;

    // The channels the library reports, in index order. Raises DeviceError
    // when the binding is missing or a call fails.
    std::vector<MpsseChannelInfo> ListChannels() const;

    // Replaces the check made when the library cannot open the channel with
    // "device not opened" (a test hands it a fake adapter).
    void SetUsbAccessProbe(UsbAccessProbe probe) { usbAccessProbe_ = std::move(probe); }

private:
    bool Resolve(const MessageSink& show);
    mpsse::FT_STATUS Transfer(mpsse::SPI_Read_t call, const char* name, std::uint32_t channel,
                              std::uint8_t* buffer, std::uint32_t size, std::uint32_t options);
    // Closes a channel whose call failed (status ignored) and raises for it.
    [[noreturn]] void DropChannelAndRaise(const char* call, mpsse::FT_STATUS status);
    // Before a frame call: raises DeviceError when the library is not bound
    // or lacks the entry point (`present` false), and opens the channel.
    void OpenForFrames(const char* call, bool present, std::uint32_t channel);
    // After it: a failed call drops the channel, unless the library only
    // refused its arguments (invalid parameter) and sent nothing.
    FrameBurst AfterFrames(FrameBurst burst);
    [[noreturn]] void RaiseOpenFailure(mpsse::FT_STATUS status) const;

    void* library_ = nullptr;
    std::string libraryPath_;
    UsbAccessProbe usbAccessProbe_;
    MpsseEntryPoints fn_;
    std::uint32_t channelCount_ = 0;
    std::uint32_t channel_ = 0;
    std::uint32_t openChannel_ = 0;  // the index SPIHandle belongs to
    mpsse::FT_HANDLE SPIHandle = nullptr;
    mpsse::ChannelConfig config_{};
};

}  // namespace talmir
