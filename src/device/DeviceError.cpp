#include "device/DeviceError.h"

#include <array>

namespace talmir {

std::string StatusName(std::uint32_t status) {
    static const std::array<const char*, 19> names = {
        "FT_OK",
        "FT_INVALID_HANDLE",
        "FT_DEVICE_NOT_FOUND",
        "FT_DEVICE_NOT_OPENED",
        "FT_IO_ERROR",
        "FT_INSUFFICIENT_RESOURCES",
        "FT_INVALID_PARAMETER",
        "FT_INVALID_BAUD_RATE",
        "FT_DEVICE_NOT_OPENED_FOR_ERASE",
        "FT_DEVICE_NOT_OPENED_FOR_WRITE",
        "FT_FAILED_TO_WRITE_DEVICE",
        "FT_EEPROM_READ_FAILED",
        "FT_EEPROM_WRITE_FAILED",
        "FT_EEPROM_ERASE_FAILED",
        "FT_EEPROM_NOT_PRESENT",
        "FT_EEPROM_NOT_PROGRAMMED",
        "FT_INVALID_ARGS",
        "FT_NOT_SUPPORTED",
        "FT_OTHER_ERROR",
    };
    if (status < names.size()) return names[status];
    return "неизвестный код";
}

DeviceError::DeviceError(const std::string& call, std::uint32_t status)
    : std::runtime_error(call + ": ошибка, статус " + std::to_string(status) + " (" +
                         StatusName(status) + ")"),
      call_(call),
      status_(status) {}

DeviceError::DeviceError(const std::string& call, const std::string& reason)
    : std::runtime_error(call + ": " + reason), call_(call) {}

DeviceError::DeviceError(Verbatim, const std::string& call, const std::string& message)
    : std::runtime_error(message), call_(call) {}

DeviceError DeviceError::WithMessage(const std::string& call, const std::string& message) {
    return DeviceError(Verbatim{}, call, message);
}

}  // namespace talmir
