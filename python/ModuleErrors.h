// How the module's failures reach Python: talmir.DeviceError and
// talmir.NotIdentified (defined in Python at import), OSError for files and
// ValueError for arguments.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace talmir::python {

namespace py = pybind11;

// Raises talmir.DeviceError(message, call, status); an empty call and a
// missing status become None.
[[noreturn]] void RaiseDeviceError(const std::string& message, const std::string& call,
                                   std::optional<std::uint32_t> status);
// Raises talmir.NotIdentified(value).
[[noreturn]] void RaiseNotIdentified(std::uint16_t value);
// Raises OSError(err, strerror(err), path): FileNotFoundError and its kin.
[[noreturn]] void RaiseFileError(int err, const std::filesystem::path& path);

// Raises OSError(message).
[[noreturn]] void RaiseOSError(const std::string& message);

// Defines the two exception classes in the module and maps talmir::DeviceError
// raised by the device code to talmir.DeviceError.
void DefineErrors(py::module_& m);

}  // namespace talmir::python
