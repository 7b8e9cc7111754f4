// The failure of a transfer to the adapter: the library is not bound, an
// entry point is missing, or a library call answered a non-zero status.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace talmir {

class DeviceError : public std::runtime_error {
public:
    DeviceError(const std::string& call, std::uint32_t status);
    DeviceError(const std::string& call, const std::string& reason);

    // An error whose whole message is `message`, for causes the user can act on.
    static DeviceError WithMessage(const std::string& call, const std::string& message);

    const std::string& Call() const { return call_; }
    // The status the library answered; none when the error has no status.
    std::optional<std::uint32_t> Status() const { return status_; }

private:
    struct Verbatim {};
    DeviceError(Verbatim, const std::string& call, const std::string& message);

    std::string call_;
    std::optional<std::uint32_t> status_;
};

// Vendor name of a status code ("FT_IO_ERROR"), or "неизвестный код" when the
// vendor defines none.
std::string StatusName(std::uint32_t status);

}  // namespace talmir
