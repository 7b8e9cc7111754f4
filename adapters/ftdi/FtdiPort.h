// The USB side of the library behind a small seam: the few libftdi1 calls it
// needs, one object per opened channel. FtdiUsb.cpp implements it over
// libftdi1; a bit-level MPSSE engine emulator implements it for tests.
//
// Return values follow libftdi1: 0 (or a byte count) on success, < 0 on
// failure. read() may deliver fewer bytes than asked, or none.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace talmirmpsse {

// libftdi1's bit modes used here.
constexpr unsigned char kBitModeReset = 0x00;
constexpr unsigned char kBitModeMpsse = 0x02;

// libftdi1's error codes that mean "present but not ours to open" (no
// permission, claimed by another driver or program).
constexpr int kFtdiOpenFailed = -8;   // ftdi_usb_open_dev: unable to open device
constexpr int kFtdiClaimFailed = -5;  // ftdi_usb_open_dev: unable to claim device

// One FTDI USB device as enumeration sees it.
struct FtdiDevice {
    uint8_t bus = 0;
    uint8_t address = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t bcdDevice = 0;  // chip generation: 0x500 2232D, 0x700 2232H, 0x800 4232H, 0x900 232H
    std::string product;     // USB product string
    std::string serial;      // USB serial number string
};

// A read left pending while the caller writes; what it is belongs to the port.
struct PendingRead;

// One opened interface of a device, in MPSSE use.
class FtdiPort {
public:
    virtual ~FtdiPort() = default;  // closes the device (ftdi_usb_close, ftdi_free)

    virtual int usbReset() = 0;                                    // ftdi_usb_reset
    virtual int purge() = 0;                                       // ftdi_tcioflush
    virtual int setChunkSizes(unsigned read, unsigned write) = 0;  // ftdi_*_data_set_chunksize
    virtual int setSpecialCharsOff() = 0;                          // event and error char off
    virtual void setTimeouts(int readMs, int writeMs) = 0;         // usb_read/write_timeout
    virtual int setLatencyTimer(unsigned char ms) = 0;             // ftdi_set_latency_timer
    virtual int setBitMode(unsigned char mask, unsigned char mode) = 0;  // ftdi_set_bitmode
    virtual int write(const uint8_t* data, int size) = 0;                // ftdi_write_data
    virtual int read(uint8_t* data, int size) = 0;                       // ftdi_read_data
    virtual std::string errorString() = 0;                               // ftdi_get_error_string

    // A read of exactly `size` bytes into `data` left pending while the caller
    // writes (ftdi_read_data_submit), so the adapter hands its answers over as
    // the engine makes them and never waits for the host. Null when it could
    // not be submitted. A port keeps at most one pending; each one submitted
    // must end with finishRead or cancelRead.
    virtual PendingRead* submitRead(uint8_t* data, int size);
    // How many bytes of the pending read have arrived, in order at the start
    // of its buffer (the transfer's offset so far).
    virtual int arrivedBytes(PendingRead* read);
    // Waits until the read has all its bytes (ftdi_transfer_data_done) and
    // ends it: the byte count, or < 0 on failure.
    virtual int finishRead(PendingRead* read);
    // Gives the read up (ftdi_transfer_data_cancel) and ends it.
    virtual void cancelRead(PendingRead* read);

    // Waits between steps of the set-up and while polling for an answer.
    virtual void pauseMs(int ms) = 0;
    // How many 1 ms pauses without a byte end a read (besides 5 s on the wall
    // clock): 5000 for a real device. A port whose pauses take no time and
    // which will never answer again may say fewer.
    virtual int idlePollLimit() const { return 5000; }
};

// A port without pending reads refuses to submit one.
inline PendingRead* FtdiPort::submitRead(uint8_t*, int) {
    return nullptr;
}
inline int FtdiPort::arrivedBytes(PendingRead*) {
    return 0;
}
inline int FtdiPort::finishRead(PendingRead*) {
    return -1;
}
inline void FtdiPort::cancelRead(PendingRead*) {}

// The devices on the host and how to open one of their interfaces.
class FtdiBus {
public:
    virtual ~FtdiBus() = default;

    // FTDI devices present now, in a stable order (bus, then address).
    virtual std::vector<FtdiDevice> enumerate() = 0;

    // Opens interface `channel` (0 = A, 1 = B) of the device at bus/address.
    // On failure returns null and sets `error` to libftdi1's code.
    virtual std::unique_ptr<FtdiPort> open(const FtdiDevice& device, int channel, int& error) = 0;
};

// The bus the library uses: libftdi1 in libtalmirmpsse.so, the emulator in
// its test build. Each build links exactly one definition.
FtdiBus& DefaultBus();

}  // namespace talmirmpsse
