// The Python module `talmir`: adapters, Chip, the register files and the
// calibration analyses, over the tool's own device and core code.
#include <dlfcn.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "Chip.h"
#include "ModuleErrors.h"
#include "core/AnalysisFiles.h"
#include "core/Files.h"
#include "core/IniFile.h"
#include "core/RegisterFile.h"
#include "device/MpsseLink.h"
#include "device/TASensDig.h"

namespace talmir::python {

namespace {

// The folder this module was loaded from, found through one of its functions.
std::filesystem::path ModuleDir() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleDir), &info) == 0 || info.dli_fname == nullptr)
        return {};
    return std::filesystem::path(info.dli_fname).parent_path();
}

// Where the tool would look from an executable folder: in the build tree the
// module's folder stands beside bin/, installed it is
// <prefix>/lib/python3/dist-packages, three levels below <prefix>/bin.
std::vector<std::string> ExecutableDirs() {
    const std::filesystem::path dir = ModuleDir();
    return {dir.string(), (dir / ".." / ".." / ".." / "bin").lexically_normal().string()};
}

void AddUnique(std::vector<std::string>& names, const std::vector<std::string>& more) {
    for (const std::string& name : more) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
}

// The files tried: `library` alone when given; the simulator with `demo`;
// else the tool's binding order (TALMIR_MPSSE_LIBRARY alone when set).
std::vector<std::string> LibraryNames(const std::optional<std::filesystem::path>& library,
                                      bool demo) {
    if (library) return {library->string()};
    std::vector<std::string> names;
    for (const std::string& dir : ExecutableDirs()) {
        AddUnique(names, demo ? DemoLibraryNames(dir)
                              : MpsseLibraryNames(std::getenv(kLibraryEnvVar), dir));
    }
    return names;
}

py::list Adapters(const std::optional<std::filesystem::path>& library) {
    const std::unique_ptr<MpsseLink> link = BindLibrary(LibraryNames(library, false));
    std::vector<MpsseChannelInfo> channels;
    {
        py::gil_scoped_release release;
        channels = link->ListChannels();
    }
    py::list list;
    for (const MpsseChannelInfo& c : channels) {
        py::dict entry;
        entry["index"] = c.index;
        entry["type"] = AdapterTypeName(c.type);
        entry["description"] = c.description;
        entry["serial"] = c.serial;
        entry["opened"] = c.opened;
        list.append(entry);
    }
    return list;
}

std::unique_ptr<Chip> Open(const py::object& adapter, long long clockKHz,
                           const std::optional<std::filesystem::path>& library, bool demo) {
    std::string choice;
    if (py::isinstance<py::str>(adapter)) {
        choice = adapter.cast<std::string>();
    } else if (py::isinstance<py::int_>(adapter) && !py::isinstance<py::bool_>(adapter)) {
        const long long index = adapter.cast<long long>();
        if (index < 0) throw py::value_error("an adapter index is 0 or above");
        choice = std::to_string(index);
    } else {
        throw py::type_error("adapter is an index (int) or a serial number (str)");
    }
    if (clockKHz <= 0 || clockKHz > 4294967)
        throw py::value_error("clock_khz " + std::to_string(clockKHz) + " is outside 1 to 4294967");
    // As "--demo": the simulator answers with a real adapter's USB latency
    // unless told otherwise.
    if (demo && !library) setenv("TALMIR_SIM_LATENCY_US", "250", 0);
    return std::make_unique<Chip>(LibraryNames(library, demo), choice,
                                  static_cast<std::uint32_t>(clockKHz * 1000));
}

std::string ReadTextFile(const std::filesystem::path& path) {
    int err = 0;
    std::optional<std::string> text = ReadFileBytes(path, &err, kMaxTextFileBytes);
    if (!text) RaiseFileError(err, path);
    return std::move(*text);
}

// As the register page's load: line i is register i, up to the table's last
// address; an empty file, a line that is not an integer and lines past the
// table are refused.
py::dict LoadRegisters(const std::filesystem::path& path) {
    const std::string text = ReadTextFile(path);
    if (text.empty()) throw py::value_error("register file " + path.string() + " is empty");
    const RegisterFileLoad load = ParseRegisterFile(text, TASensDig::kLastAddress);
    if (load.badLine)
        throw py::value_error("register file " + path.string() + ", line " +
                              std::to_string(load.values.size() + 1) + ": \"" + *load.badLine +
                              "\" is not an integer");
    if (load.ignored > 0)
        throw py::value_error("register file " + path.string() + ": " +
                              std::to_string(load.ignored) + " lines past register " +
                              std::to_string(TASensDig::kLastAddress));
    py::dict values;
    for (const auto& [address, value] : load.values) values[py::int_(address)] = value;
    return values;
}

void SaveRegisters(const std::filesystem::path& path, const py::object& values) {
    std::array<std::uint16_t, 73> table{};
    for (const auto& [address, value] : RegistersOneTo72(values)) table[address] = value;
    const std::string text = FormatRegisterFile(table);
    try {
        SaveFileReplacing(path, text);
    } catch (const std::runtime_error& e) {
        RaiseOSError(e.what());
    }
}

py::dict LoadRegisterIni(const std::filesystem::path& path) {
    IniFile ini;
    int err = 0;
    if (!ini.Load(path, &err)) RaiseFileError(err, path);
    // Without the section the file is not a register file.
    if (!ini.HasSection("REG_CFG"))
        throw py::value_error(path.string() + " has no [REG_CFG] section");
    py::dict values;
    for (const auto& [address, value] : ReadRegisterIni(ini)) values[py::int_(address)] = value;
    return values;
}

// The "key=value" lines of an analysis report as a dict: integers as int,
// everything else as float, exactly as printed.
py::dict ReportDict(const std::string& report) {
    py::dict result;
    const py::object toFloat = py::module_::import("builtins").attr("float");
    for (const std::string& line : SplitLines(report)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string value = line.substr(eq + 1);
        const bool integer = value.find_first_not_of("-0123456789") == std::string::npos;
        result[py::str(line.substr(0, eq))] =
            integer ? py::object(py::int_(std::stoll(value))) : toFloat(py::str(value));
    }
    return result;
}

bool IsIntegerArray(const py::array& a) {
    const char kind = a.dtype().kind();
    return kind == 'i' || kind == 'u' || kind == 'b';
}

// A one-dimensional array of `what` as numpy sees it.
py::array AsArray(const py::object& data, const char* what) {
    py::array a = py::module_::import("numpy").attr("asarray")(data);
    if (a.ndim() != 1) throw py::value_error(std::string(what) + " must be one-dimensional");
    return a;
}

template <typename T>
std::vector<T> Values(const py::array& a) {
    const auto cast = py::array_t<T, py::array::forcecast>::ensure(a);
    if (!cast) throw py::error_already_set();
    return std::vector<T>(cast.data(), cast.data() + cast.size());
}

// Integer samples are fitted as the "-xyfit" job fits a file's, others as
// floating point.
py::dict EllipseFitDict(const py::object& xData, const py::object& yData) {
    const py::array x = AsArray(xData, "x"), y = AsArray(yData, "y");
    if (x.size() != y.size()) throw py::value_error("x and y differ in length");
    EllipseFitResult result;
    if (IsIntegerArray(x) && IsIntegerArray(y)) {
        const std::vector<long long> xs = Values<long long>(x), ys = Values<long long>(y);
        std::vector<std::pair<std::int32_t, std::int32_t>> xy(xs.size());
        for (std::size_t i = 0; i < xs.size(); ++i) {
            if (xs[i] < INT32_MIN || xs[i] > INT32_MAX || ys[i] < INT32_MIN || ys[i] > INT32_MAX)
                throw py::value_error("x and y must fit 32 bits");
            xy[i] = {static_cast<std::int32_t>(xs[i]), static_cast<std::int32_t>(ys[i])};
        }
        py::gil_scoped_release release;
        result = FitEllipse(xy);
    } else {
        const std::vector<double> xs = Values<double>(x), ys = Values<double>(y);
        std::vector<std::pair<double, double>> xy(xs.size());
        for (std::size_t i = 0; i < xs.size(); ++i) xy[i] = {xs[i], ys[i]};
        py::gil_scoped_release release;
        result = FitEllipse(xy);
    }
    if (!result.fit) throw py::value_error("no ellipse fitted: " + result.refusal);
    return ReportDict(EllipseFitReport(*result.fit));
}

py::dict AngleErrorDict(const py::object& angleData, const py::object& xData,
                        const py::object& yData) {
    const py::array angle = AsArray(angleData, "angle");
    if (!IsIntegerArray(angle)) throw py::value_error("angle codes are integers");
    const bool channels = !xData.is_none() || !yData.is_none();
    if (channels && (xData.is_none() || yData.is_none()))
        throw py::value_error("x and y are given together or not at all");
    const std::vector<long long> codes = Values<long long>(angle);
    std::vector<AngleSample> samples(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] < 0 || codes[i] > 0xFFFF) throw py::value_error("angle codes are 0 to 65535");
        samples[i].code = static_cast<std::uint16_t>(codes[i]);
    }
    if (channels) {
        const py::array x = AsArray(xData, "x"), y = AsArray(yData, "y");
        if (!IsIntegerArray(x) || !IsIntegerArray(y)) throw py::value_error("x and y are integers");
        if (x.size() != angle.size() || y.size() != angle.size())
            throw py::value_error("angle, x and y differ in length");
        const std::vector<long long> xs = Values<long long>(x), ys = Values<long long>(y);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (xs[i] < INT32_MIN || xs[i] > INT32_MAX || ys[i] < INT32_MIN || ys[i] > INT32_MAX)
                throw py::value_error("x and y must fit 32 bits");
            samples[i].x = static_cast<std::int32_t>(xs[i]);
            samples[i].y = static_cast<std::int32_t>(ys[i]);
        }
    }
    AngleErrorResult result;
    {
        py::gil_scoped_release release;
        result = AnalyseAngleError(samples);
    }
    if (!result.analysis) throw py::value_error("no angle error: " + result.refusal);
    py::dict report = ReportDict(AngleErrorReport(*result.analysis));
    // Without the channels there is nothing to hold the converter against.
    if (!channels) report["cordic_rms_error_deg"] = py::none();
    return report;
}

}  // namespace

}  // namespace talmir::python

PYBIND11_MODULE(talmir, m) {
    namespace py = pybind11;
    using namespace talmir::python;
    using talmir::python::Chip;
    m.doc() = "The TALMIR angle encoder over an MPSSE adapter, as the talmir tool drives it.";
    m.attr("__version__") = TALMIR_VERSION;
    DefineErrors(m);

    m.def("adapters", &Adapters, py::arg("library") = py::none(),
          "The channels the MPSSE library lists: dicts with index, type, description, serial "
          "and opened.");
    m.def("open", &Open, py::arg("adapter") = 0, py::arg("clock_khz") = 1000,
          py::arg("library") = py::none(), py::arg("demo") = false,
          "Binds the library and chooses the channel `adapter` names (index or serial).");
    m.def("load_registers", &LoadRegisters, py::arg("path"),
          "{address: value} of a .rdt register file, read as the register page reads it.");
    m.def("save_registers", &SaveRegisters, py::arg("path"), py::arg("values"),
          "Writes registers 1 to 72 to a .rdt register file, as the register page saves it.");
    m.def("load_register_ini", &LoadRegisterIni, py::arg("path"),
          "{address: value} of the [REG_CFG] section of a register INI file.");
    m.def("ellipse_fit", &EllipseFitDict, py::arg("x"), py::arg("y"),
          "The -xyfit job's figures for sine/cosine samples x and y.");
    m.def("angle_error", &AngleErrorDict, py::arg("angle"), py::arg("x") = py::none(),
          py::arg("y") = py::none(), "The -angleerror job's figures for angle codes.");

    py::class_<Chip>(m, "Chip", "One adapter channel and the chip behind it; see talmir.open.")
        .def_property_readonly("library", &Chip::Library, "The MPSSE library file loaded.")
        .def("close", &Chip::Close, "Releases the channel; later calls raise ValueError.")
        .def(
            "__enter__", [](Chip& chip) -> Chip& { return chip; },
            py::return_value_policy::reference)
        .def("__exit__",
             [](Chip& chip, const py::args&) {
                 chip.Close();
                 return false;
             })
        .def("identify", &Chip::Identify)
        .def("read", &Chip::Read, py::arg("addr"))
        .def("write", &Chip::Write, py::arg("addr"), py::arg("value"))
        .def("read_all", &Chip::ReadAll)
        .def("write_all", &Chip::WriteAll, py::arg("values"))
        .def_property("programming_mode", &Chip::ProgrammingMode, &Chip::SetProgrammingMode)
        .def_property("otp_supply", &Chip::OtpSupply, &Chip::SetOtpSupply)
        .def("frame", &Chip::Frame, py::arg("mode"))
        .def("capture", &Chip::Capture, py::arg("mode"), py::arg("rate_hz"), py::arg("count"));
}
