// Binding of the MPSSE library: the three messages, which entry points get
// resolved, whether the channel count is asked for, and the library names.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>

#include "DeviceTestSupport.h"
#include "core/TempDir.h"
#include "device/DeviceError.h"
#include "device/DynamicLibrary.h"

using namespace talmir;
using namespace talmir::test;

#ifdef _WIN32
// The C runtime's environment, which getenv reads; an empty value removes it.
static int setenv(const char* name, const char* value, int) {
    return _putenv_s(name, value);
}
static int unsetenv(const char* name) {
    return _putenv_s(name, "");
}
#endif

namespace {

struct Binding {
    bool bound = false;
    std::vector<std::string> messages;
};

Binding Bind(MpsseLink& link, const std::vector<std::string>& names) {
    Binding result;
    result.bound =
        link.LoadMPSSELibrary(names, [&](const std::string& m) { result.messages.push_back(m); });
    return result;
}

// Which of the nine entry points are resolved, in their binding order.
std::vector<bool> Resolved(const MpsseLink& link) {
    const auto& fn = link.EntryPoints();
    return {fn.SPI_GetNumChannels != nullptr, fn.SPI_GetChannelInfo != nullptr,
            fn.SPI_OpenChannel != nullptr,    fn.SPI_InitChannel != nullptr,
            fn.SPI_CloseChannel != nullptr,   fn.SPI_Read != nullptr,
            fn.SPI_Write != nullptr,          fn.SPI_IsBusy != nullptr,
            fn.FT_WriteGPIO != nullptr};
}

const std::vector<bool> kNone(9, false);

}  // namespace

TEST(Binding, MissingLibraryShowsNotLoadedOnceAndResolvesNothing) {
    MpsseLink link;
    const Binding b = Bind(link, {"/nonexistent/libMPSSE.so", "/nonexistent/libmpsse.so"});
    EXPECT_FALSE(b.bound);
    EXPECT_EQ(b.messages, std::vector<std::string>{"Библиотека не была загружена"});
    EXPECT_FALSE(link.IsLoaded());
    EXPECT_EQ(Resolved(link), kNone);
}

TEST(Binding, LaterFileNameIsTriedWhenTheFirstDoesNotLoad) {
    TalmirSim_Reset();
    MpsseLink link;
    const Binding b = Bind(link, {"/nonexistent/libMPSSE.so", kSimLibrary});
    EXPECT_TRUE(b.bound);
    EXPECT_TRUE(b.messages.empty());
}

TEST(Binding, CompleteLibraryResolvesAllNineAndAsksOnlyForTheChannelCount) {
    TalmirSim_Reset();
    MpsseLink link;
    const Binding b = Bind(link, {kSimLibrary});
    EXPECT_TRUE(b.bound);
    EXPECT_TRUE(b.messages.empty());
    EXPECT_TRUE(link.IsBound());
    EXPECT_EQ(Resolved(link), std::vector<bool>(9, true));
    EXPECT_EQ(TraceNames(), std::vector<std::string>{"SPI_GetNumChannels"});
    EXPECT_EQ(link.ChannelCount(), 1u);
    EXPECT_FALSE(link.IsChannelOpen());
}

TEST(Binding, LibraryLackingIsBusyShowsGenericMessageOnceAndSkipsChannelCount) {
    SimVariant sim("no_isbusy");
    ASSERT_TRUE(sim.Usable()) << sim.Path();
    sim.Reset();
    MpsseLink link;
    const Binding b = Bind(link, {sim.Path()});
    EXPECT_FALSE(b.bound);
    EXPECT_EQ(b.messages, std::vector<std::string>{"Функция не найдена в DLL"});
    EXPECT_TRUE(link.IsLoaded());
    EXPECT_FALSE(link.IsBound());
    EXPECT_EQ(Resolved(link),
              (std::vector<bool>{true, true, true, true, true, true, true, false, false}));
    EXPECT_TRUE(sim.TraceNames().empty()) << "SPI_GetNumChannels must not be called";
}

TEST(Binding, LibraryLackingOpenChannelNamesItAndStopsResolvingThere) {
    SimVariant sim("no_openchannel");
    ASSERT_TRUE(sim.Usable()) << sim.Path();
    sim.Reset();
    MpsseLink link;
    const Binding b = Bind(link, {sim.Path()});
    EXPECT_FALSE(b.bound);
    EXPECT_EQ(b.messages, std::vector<std::string>{"Функция SPI_OpenChannel не найдена в DLL"});
    EXPECT_EQ(Resolved(link),
              (std::vector<bool>{true, true, false, false, false, false, false, false, false}));
    EXPECT_TRUE(sim.TraceNames().empty());
}

TEST(Binding, LibraryLackingTheFirstEntryPointResolvesNothing) {
    SimVariant sim("no_getnumchannels");
    ASSERT_TRUE(sim.Usable()) << sim.Path();
    sim.Reset();
    MpsseLink link;
    const Binding b = Bind(link, {sim.Path()});
    EXPECT_EQ(b.messages, std::vector<std::string>{"Функция не найдена в DLL"});
    EXPECT_EQ(Resolved(link), kNone);
    EXPECT_TRUE(sim.TraceNames().empty());
}

TEST(Binding, IncompleteBindingRaisesOnTransferWithoutCallingTheLibrary) {
    SimVariant sim("no_isbusy");
    ASSERT_TRUE(sim.Usable()) << sim.Path();
    sim.Reset();
    MpsseLink link;
    Bind(link, {sim.Path()});
    SetToolConfig(link);
    std::uint8_t buffer[2] = {0x00, 0x01};
    EXPECT_THROW(link.SPIWriteData(0, 2, buffer), DeviceError);
    EXPECT_THROW(link.SPIReadData(0, 2, buffer), DeviceError);
    EXPECT_THROW(link.GPIOWrite(0, 0x81, 0x01), DeviceError);
    EXPECT_NO_THROW(link.ResetChannel());
    EXPECT_TRUE(sim.TraceNames().empty()) << "no open, no transfer";
    EXPECT_FALSE(link.IsChannelOpen());
}

// Sets or clears the override for one test and restores what was there.
class LibraryNames : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* v = std::getenv("TALMIR_MPSSE_LIBRARY")) saved_ = v;
        unsetenv("TALMIR_MPSSE_LIBRARY");
    }
    void TearDown() override {
        if (saved_)
            setenv("TALMIR_MPSSE_LIBRARY", saved_->c_str(), 1);
        else
            unsetenv("TALMIR_MPSSE_LIBRARY");
    }

    std::optional<std::string> saved_;
};

#ifdef _WIN32
// Windows' own search looks in the executable's folder first, so the vendor's
// DLL name is the only one tried.
TEST_F(LibraryNames, WithoutOverrideOnlyTheVendorDllIsTried) {
    EXPECT_EQ(MpsseLibraryNames(), std::vector<std::string>{"libMPSSE.dll"});
}

// The override is read from the wide environment, so a folder outside the
// ANSI code page reaches the loader intact, as UTF-8.
TEST_F(LibraryNames, OverrideWithCyrillicFolderIsPassedOnAsUtf8) {
    ASSERT_EQ(_wputenv_s(L"TALMIR_MPSSE_LIBRARY", L"C:\\Симулятор\\libtalmirsim.dll"), 0);
    const std::u8string expected = u8"C:\\Симулятор\\libtalmirsim.dll";
    EXPECT_EQ(MpsseLibraryNames(),
              std::vector<std::string>{std::string(expected.begin(), expected.end())});
}
#else
TEST(LibraryNameOrder, VendorNamesThenOurOwnBesideTheExecutableThenInstalled) {
    const std::string installed = InstalledOwnMpsseLibrary();
    // An installed executable finds the installed file beside it: tried once.
    const std::string prefix = installed.substr(0, installed.rfind("/lib/talmir/"));
    struct Case {
        std::string exeDir;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"/opt/t/bin",
         {"libMPSSE.so", "libmpsse.so", "/opt/t/lib/libtalmirmpsse.so",
          "/opt/t/lib/talmir/libtalmirmpsse.so", installed}},
        {"", {"libMPSSE.so", "libmpsse.so", installed}},
        {prefix + "/bin",
         {"libMPSSE.so", "libmpsse.so", prefix + "/lib/libtalmirmpsse.so", installed}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MpsseLibraryNames(nullptr, c.exeDir), c.names) << "exe in " << c.exeDir;
    EXPECT_EQ(MpsseLibraryNames("", "/opt/t/bin"), cases[0].names) << "empty override";
    EXPECT_EQ(MpsseLibraryNames("/x/libsim.so", "/opt/t/bin"),
              std::vector<std::string>{"/x/libsim.so"});
}

TEST_F(LibraryNames, WithoutOverrideOurOwnIsLookedForInTheLibraryFolderBesideTheExecutable) {
    const auto names = MpsseLibraryNames();
    ASSERT_GE(names.size(), 3u);
    // The tests run from the build's bin folder; its lib folder holds the simulator.
    EXPECT_EQ(names[2], TALMIR_SIM_DIR "/libtalmirmpsse.so");
}
#endif

TEST_F(LibraryNames, OverrideFromTheEnvironmentIsTheOnlyNameTried) {
    setenv("TALMIR_MPSSE_LIBRARY", "/opt/sim/libtalmirsim.so", 1);
    EXPECT_EQ(MpsseLibraryNames(), std::vector<std::string>{"/opt/sim/libtalmirsim.so"});
}

TEST(LoadedLibrary, IsNamedByTheFileTheLoaderFound) {
    TalmirSim_Reset();
    MpsseLink link;
    EXPECT_TRUE(link.LibraryPath().empty());
    Bind(link, {"/nonexistent/libMPSSE.so", kSimLibrary});
    EXPECT_EQ(Utf8Path(link.LibraryPath()), Utf8Path(kSimLibrary)) << link.LibraryPath();

    // A bare name found through the search is reported with its folder.
#ifdef _WIN32
    const std::string bare = "kernel32.dll";
#else
    const std::string bare = "libc.so.6";
#endif
    const LoadedLibrary system(bare);
    ASSERT_NE(system.Handle(), nullptr);
    const std::filesystem::path path = Utf8Path(LoadedFilePath(system.Handle(), bare));
    EXPECT_TRUE(path.is_absolute()) << path;
    std::string name = path.filename().string();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_EQ(name, bare) << path;
}

// A folder named in letters outside the ANSI code page loads on Windows too,
// and the loader's answer names it in the same UTF-8 text.
TEST(LoadedLibrary, CopyInFolderWithCyrillicNameLoadsAndIsNamedAsGiven) {
    const TempDir dir;
    const std::filesystem::path folder = Utf8Path(dir.File("")) / u8"Симулятор";
    std::filesystem::create_directories(folder);
    const std::filesystem::path copy = folder / Utf8Path(kSimLibrary).filename();
    std::filesystem::copy_file(Utf8Path(kSimLibrary), copy);
    const std::u8string text = copy.u8string();
    const std::string utf8(text.begin(), text.end());

    const LoadedLibrary library(utf8);
    ASSERT_NE(library.Handle(), nullptr) << utf8;
    EXPECT_NE(FindSymbol(library.Handle(), "SPI_OpenChannel"), nullptr);
    EXPECT_EQ(Utf8Path(LoadedFilePath(library.Handle(), utf8)), copy);
}

TEST_F(LibraryNames, OverrideNamingAMissingFileShowsNotLoaded) {
    setenv("TALMIR_MPSSE_LIBRARY", "/nonexistent/libtalmirsim.so", 1);
    MpsseLink link;
    std::vector<std::string> messages;
    EXPECT_FALSE(link.LoadMPSSELibrary([&](const std::string& m) { messages.push_back(m); }));
    EXPECT_EQ(messages, std::vector<std::string>{"Библиотека не была загружена"});
}
