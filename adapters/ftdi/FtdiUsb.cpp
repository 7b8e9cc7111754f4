// The USB seam over libftdi1: enumeration of FTDI devices and one
// ftdi_context per opened interface.
#include <ftdi.h>
#include <libusb.h>

#include <chrono>
#include <thread>

#include "FtdiPort.h"
#include "FtdiVersion.h"

namespace talmirmpsse {

namespace {

// libftdi1's "device not found" code, used when bus/address no longer match.
constexpr int kFtdiNotFound = -3;

class LibftdiPort final : public FtdiPort {
public:
    explicit LibftdiPort(ftdi_context* ctx) : ctx_(ctx) {}
    ~LibftdiPort() override {
        ftdi_usb_close(ctx_);
        ftdi_free(ctx_);
    }
    LibftdiPort(const LibftdiPort&) = delete;
    LibftdiPort& operator=(const LibftdiPort&) = delete;

    int usbReset() override { return ftdi_usb_reset(ctx_); }
    int purge() override { return ftdi_tcioflush(ctx_); }
    int setChunkSizes(unsigned read, unsigned write) override {
        const int r = ftdi_read_data_set_chunksize(ctx_, read);
        return r < 0 ? r : ftdi_write_data_set_chunksize(ctx_, write);
    }
    int setSpecialCharsOff() override {
        const int r = ftdi_set_event_char(ctx_, 0, 0);
        return r < 0 ? r : ftdi_set_error_char(ctx_, 0, 0);
    }
    void setTimeouts(int readMs, int writeMs) override {
        ctx_->usb_read_timeout = readMs;
        ctx_->usb_write_timeout = writeMs;
    }
    int setLatencyTimer(unsigned char ms) override { return ftdi_set_latency_timer(ctx_, ms); }
    int setBitMode(unsigned char mask, unsigned char mode) override {
        return ftdi_set_bitmode(ctx_, mask, mode);
    }
    int write(const uint8_t* data, int size) override { return ftdi_write_data(ctx_, data, size); }
    int read(uint8_t* data, int size) override { return ftdi_read_data(ctx_, data, size); }
    PendingRead* submitRead(uint8_t* data, int size) override {
        return reinterpret_cast<PendingRead*>(ftdi_read_data_submit(ctx_, data, size));
    }
    int arrivedBytes(PendingRead* read) override { return control(read)->offset; }
    // libftdi1 1.5 polls libusb without a timeout here, so this spins until
    // the last answers are in; the caller's writes before it block properly.
    int finishRead(PendingRead* read) override { return ftdi_transfer_data_done(control(read)); }
    void cancelRead(PendingRead* read) override {
        timeval limit{0, 200000};
        ftdi_transfer_data_cancel(control(read), &limit);
    }
    std::string errorString() override {
        const char* text = ftdi_get_error_string(ctx_);
        return text != nullptr ? text : "";
    }
    void pauseMs(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    static ftdi_transfer_control* control(PendingRead* read) {
        return reinterpret_cast<ftdi_transfer_control*>(read);
    }

    ftdi_context* ctx_;
};

// Owns an ftdi_context and the device list found with it.
struct Enumeration {
    ftdi_context* ctx = ftdi_new();
    ftdi_device_list* list = nullptr;
    int count = ctx != nullptr ? ftdi_usb_find_all(ctx, &list, 0, 0) : -1;

    Enumeration() = default;
    Enumeration(const Enumeration&) = delete;
    Enumeration& operator=(const Enumeration&) = delete;
    ~Enumeration() {
        if (list != nullptr) ftdi_list_free(&list);
        if (ctx != nullptr) ftdi_free(ctx);
    }
};

FtdiDevice describe(libusb_device* dev, ftdi_context* scratch) {
    FtdiDevice device;
    device.bus = libusb_get_bus_number(dev);
    device.address = libusb_get_device_address(dev);
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(dev, &descriptor) == 0) {
        device.vendorId = descriptor.idVendor;
        device.productId = descriptor.idProduct;
        device.bcdDevice = descriptor.bcdDevice;
    }
    // Fails without permission to open the device: it is listed anyway, so
    // opening it can say "not opened".
    char product[128] = {};
    char serial[64] = {};
    if (scratch != nullptr && ftdi_usb_get_strings(scratch, dev, nullptr, 0, product,
                                                   sizeof product, serial, sizeof serial) == 0) {
        device.product = product;
        device.serial = serial;
    }
    return device;
}

class LibftdiBus final : public FtdiBus {
public:
    std::vector<FtdiDevice> enumerate() override {
        std::vector<FtdiDevice> devices;
        Enumeration found;
        if (found.count <= 0) return devices;
        // ftdi_usb_get_strings closes the device it reads, so it gets its own context.
        ftdi_context* scratch = ftdi_new();
        for (ftdi_device_list* node = found.list; node != nullptr; node = node->next) {
            devices.push_back(describe(node->dev, scratch));
        }
        if (scratch != nullptr) ftdi_free(scratch);
        return devices;
    }

    std::unique_ptr<FtdiPort> open(const FtdiDevice& device, int channel, int& error) override {
        ftdi_context* ctx = ftdi_new();
        if (ctx == nullptr) {
            error = -1;
            return nullptr;
        }
        // The interface must be chosen before the device is opened.
        error = ftdi_set_interface(ctx, channel == 0 ? INTERFACE_A : INTERFACE_B);
        if (error == 0) error = openAt(ctx, device);
        if (error < 0) {
            ftdi_free(ctx);
            return nullptr;
        }
        return std::make_unique<LibftdiPort>(ctx);
    }

private:
    // Finds the device again by bus and address and opens it with `ctx`.
    static int openAt(ftdi_context* ctx, const FtdiDevice& device) {
        ftdi_device_list* list = nullptr;
        if (ftdi_usb_find_all(ctx, &list, 0, 0) < 0) return kFtdiNotFound;
        int result = kFtdiNotFound;
        for (ftdi_device_list* node = list; node != nullptr; node = node->next) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_bus_number(node->dev) != device.bus ||
                libusb_get_device_address(node->dev) != device.address ||
                libusb_get_device_descriptor(node->dev, &descriptor) != 0 ||
                descriptor.idVendor != device.vendorId ||
                descriptor.idProduct != device.productId) {
                continue;
            }
            result = ftdi_usb_open_dev(ctx, node->dev);
            break;
        }
        ftdi_list_free(&list);
        return result;
    }
};

}  // namespace

FtdiBus& DefaultBus() {
    static LibftdiBus bus;
    return bus;
}

uint32_t UsbLibraryVersion() {
    const ftdi_version_info v = ftdi_get_library_version();
    return static_cast<uint32_t>(v.major) << 16 | static_cast<uint32_t>(v.minor) << 8 |
           static_cast<uint32_t>(v.micro);
}

}  // namespace talmirmpsse
