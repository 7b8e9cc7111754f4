#include "ModuleErrors.h"

#include <pybind11/eval.h>

#include <cstring>

#include "device/DeviceError.h"

namespace talmir::python {

namespace {

constexpr const char* kErrorClasses = R"(
class DeviceError(Exception):
    """A transfer to the adapter failed, the library is not bound or lacks an
    entry point, or the adapter asked for is not there. `call` names the
    library call (None when there is none), `status` is the status it answered
    (None when it answered none); str() is the tool's message."""

    def __init__(self, message, call=None, status=None):
        super().__init__(message)
        self.call = call
        self.status = status


class NotIdentified(Exception):
    """Register 0 did not read 0x10F1 in six attempts; `value` is what it read
    last."""

    def __init__(self, value):
        super().__init__("the chip was not identified: register 0 reads 0x%04X" % value)
        self.value = value
)";

py::module_ Module() {
    return py::module_::import("talmir");
}

// Raises an instance of `cls` made from `args`.
template <typename... Args>
[[noreturn]] void RaiseInstance(const py::object& cls, Args&&... args) {
    const py::object error = cls(std::forward<Args>(args)...);
    // OSError makes the subclass its errno names.
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
}

void SetDeviceError(const DeviceError& e) {
    const py::object cls = Module().attr("DeviceError");
    const py::object call = e.Call().empty() ? py::none() : py::object(py::str(e.Call()));
    const py::object status = e.Status() ? py::object(py::int_(*e.Status())) : py::none();
    const py::object error = cls(py::str(e.what()), call, status);
    PyErr_SetObject(cls.ptr(), error.ptr());
}

}  // namespace

void RaiseDeviceError(const std::string& message, const std::string& call,
                      std::optional<std::uint32_t> status) {
    RaiseInstance(Module().attr("DeviceError"), py::str(message),
                  call.empty() ? py::none() : py::object(py::str(call)),
                  status ? py::object(py::int_(*status)) : py::none());
}

void RaiseNotIdentified(std::uint16_t value) {
    RaiseInstance(Module().attr("NotIdentified"), py::int_(value));
}

void RaiseFileError(int err, const std::filesystem::path& path) {
    RaiseInstance(py::module_::import("builtins").attr("OSError"), py::int_(err),
                  py::str(std::strerror(err)), py::str(path.string()));
}

void RaiseOSError(const std::string& message) {
    RaiseInstance(py::module_::import("builtins").attr("OSError"), py::str(message));
}

void DefineErrors(py::module_& m) {
    py::exec(kErrorClasses, m.attr("__dict__"));
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const DeviceError& e) {
            SetDeviceError(e);
        }
    });
}

}  // namespace talmir::python
