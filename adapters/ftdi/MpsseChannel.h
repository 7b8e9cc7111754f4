// One opened MPSSE channel: its port, configuration and pin state, and the
// SPI transactions on it. Each framed transfer goes out in one USB write and
// its answer comes back through one read that waits for every byte.
#pragma once

#include <memory>
#include <mutex>

#include "FtdiChip.h"
#include "FtdiPort.h"
#include "MpsseCommands.h"
#include "mpsse_abi.h"

namespace talmirmpsse {

class MpsseChannel {
public:
    MpsseChannel(std::unique_ptr<FtdiPort> port, ChipType chip);

    ChipType chip() const { return chip_; }
    bool isOpen() const { return port_ != nullptr; }

    // Puts the port into MPSSE mode and sets clock and pins; updates Pin and
    // currentPinState in `config` as the set-up left them.
    FT_STATUS init(ChannelConfig& config);

    FT_STATUS write(const UCHAR* data, DWORD size, DWORD& transferred, DWORD options);
    FT_STATUS read(UCHAR* data, DWORD size, DWORD& transferred, DWORD options);
    FT_STATUS readWrite(UCHAR* in, const UCHAR* out, DWORD size, DWORD& transferred, DWORD options);
    FT_STATUS isBusy(BOOL& busy);
    FT_STATUS toggleChipSelect(bool active);
    FT_STATUS changeChipSelect(DWORD configOptions);
    FT_STATUS writeGpio(UCHAR dir, UCHAR value);
    FT_STATUS readGpio(UCHAR& value);
    // A burst of chip-select frames paced by the adapter's clock: see
    // Talmir_SPI_ReadFrames. The commands go out in large writes while one
    // read for the whole burst stays pending.
    FT_STATUS readFrames(UCHAR* buffer, DWORD frameBits, DWORD frameCount, DWORD periodClocks,
                         DWORD& framesDone);
    // The same frames as one unbroken run handed to `sink` as they come: see
    // Talmir_SPI_StreamFrames (which refuses a null sink before this is
    // called). One read of about 50 ms of frames stays
    // pending at a time; the next is submitted as soon as one completes,
    // while the adapter works through commands already written.
    FT_STATUS streamFrames(DWORD frameBits, DWORD frameCount, DWORD periodClocks,
                           Talmir_FrameSink_fn* sink, void* context, DWORD& framesDone);

    // Drives the closing pin state (when the channel was set up) and closes
    // the port; a failed write is ignored, the device may be gone.
    void close();

    // Held by the entry points for the whole of one call.
    std::mutex mutex;

private:
    // The commands of one paced frame (`paced`: the frame and its idle
    // clocks) and of the last frame of a run (`last`: no idle clocks after
    // it), and the frame period in seconds; kOk, or why the arguments are
    // refused.
    struct FramePlan {
        Bytes paced, last;
        std::size_t frameBytes = 0;
        double seconds = 0;
        // Appends the commands of frames first .. first + count - 1 of a run
        // of `total` frames.
        void append(Bytes& out, uint64_t first, uint64_t count, uint64_t total) const;
    };
    FT_STATUS planFrames(DWORD frameBits, DWORD periodClocks, FramePlan& plan);

    FT_STATUS setUp(const ChannelConfig& config);
    FT_STATUS sync(uint8_t badOpcode);
    void drain();
    FT_STATUS send(const Bytes& commands);
    // Sends `commands` in one write, then reads `count` bytes into `in`;
    // `received` is the number of bytes that arrived.
    FT_STATUS exchange(const Bytes& commands, uint8_t* in, std::size_t count,
                       std::size_t& received);
    FT_STATUS receive(uint8_t* in, std::size_t count, std::size_t& received);
    // The commands `body` appends, wrapped in the chip-select assert and
    // release that `options` ask for.
    template <typename Body>
    Bytes framed(DWORD options, Body&& body);

    std::unique_ptr<FtdiPort> port_;
    ChipType chip_;
    bool ready_ = false;
    DWORD configOptions_ = 0;
    DWORD clockRate_ = 0;
    DWORD pin_ = 0;
    uint16_t state_ = 0;
};

}  // namespace talmirmpsse
