// Support of the device tests: the simulator's call trace, a link bound to the
// simulator with the tool's channel configuration, and the control interface
// of a simulator variant reached through its own loaded copy.
#pragma once

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "device/DynamicLibrary.h"
#include "device/MpsseLink.h"
#include "talmir_sim_control.h"

namespace talmir::test {

#ifdef _WIN32
// The simulator's DLLs are built beside the test program, which finds its
// folder at run time (the build folder has another name under Windows).
inline const std::string kSimDir = ExecutableDir();
inline constexpr const char* kLibrarySuffix = ".dll";
#else
inline const std::string kSimDir = TALMIR_SIM_DIR;
inline constexpr const char* kLibrarySuffix = ".so";
#endif

inline const std::string kSimLibrary = kSimDir + "/libtalmirsim" + kLibrarySuffix;

inline std::string SimVariantPath(const char* variant) {
    return kSimDir + "/libtalmirsim_" + variant + kLibrarySuffix;
}

// Every call recorded by the linked simulator since the last TraceClear.
inline std::vector<TalmirSimCall> Trace() {
    std::vector<TalmirSimCall> calls(TalmirSim_TraceCount());
    for (std::uint32_t i = 0; i < calls.size(); ++i) TalmirSim_TraceGet(i, &calls[i]);
    return calls;
}

inline std::vector<std::string> CallNames(const std::vector<TalmirSimCall>& calls) {
    std::vector<std::string> names;
    for (const auto& c : calls) names.emplace_back(c.name);
    return names;
}

inline std::vector<std::string> TraceNames() {
    return CallNames(Trace());
}

inline std::vector<std::uint8_t> Bytes(const TalmirSimCall& call) {
    return {call.data, call.data + std::min<std::uint32_t>(call.dataLen, sizeof call.data)};
}

// The bytes of every SPI_Write since the last TraceClear, one frame each.
inline std::vector<std::vector<std::uint8_t>> WrittenFrames() {
    std::vector<std::vector<std::uint8_t>> frames;
    for (const auto& c : Trace())
        if (std::string(c.name) == "SPI_Write") frames.push_back(Bytes(c));
    return frames;
}

// The channel configuration the main window fills in at 1000 kHz.
inline void SetToolConfig(MpsseLink& link, std::uint32_t clockRate = 1000000) {
    auto& config = link.ChannelConfig();
    config = {};
    config.ClockRate = clockRate;
    config.LatencyTimer = 1;
    config.configOptions = 0x20;
    config.Pin = 0;
}

// A fresh link bound to the linked simulator at power-on state, channel closed
// and trace empty.
class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        TalmirSim_Reset();
        std::string message;
        ASSERT_TRUE(link.LoadMPSSELibrary({kSimLibrary}, [&](const std::string& m) {
            message = m;
        })) << message;
        SetToolConfig(link);
        TalmirSim_TraceClear();
    }

    MpsseLink link;
};

// A link whose channel is already open, with the trace emptied after the open.
class OpenLinkTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        link.EnsureChannelOpen(0);
        TalmirSim_TraceClear();
    }
};

using Names = std::vector<std::string>;
using Frame = std::vector<std::uint8_t>;
using Frames = std::vector<Frame>;

// A path given as UTF-8 text, the way the binding takes file names.
inline std::filesystem::path Utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// A library opened through the binding's loader and released at the end of
// the scope (the link itself never releases its library).
class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::string& path) : handle_(OpenLibrary(path)) {}
    ~LoadedLibrary() {
        if (handle_ == nullptr) return;
#ifdef _WIN32
        FreeLibrary(static_cast<HMODULE>(handle_));
#else
        dlclose(handle_);
#endif
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    void* Handle() const {
        return handle_;
    }

private:
    void* handle_;
};

// The control interface of a simulator variant: its own copy of the library,
// the same one a link loads from the same path.
class SimVariant {
public:
    explicit SimVariant(const char* variant) : path_(SimVariantPath(variant)), library_(path_) {
        void* handle = library_.Handle();
        if (handle == nullptr) return;
        reset_ = reinterpret_cast<void (*)()>(FindSymbol(handle, "TalmirSim_Reset"));
        count_ = reinterpret_cast<std::uint32_t (*)()>(FindSymbol(handle, "TalmirSim_TraceCount"));
        get_ = reinterpret_cast<int (*)(std::uint32_t, TalmirSimCall*)>(
            FindSymbol(handle, "TalmirSim_TraceGet"));
    }

    bool Usable() const { return reset_ && count_ && get_; }
    const std::string& Path() const { return path_; }
    void Reset() const { reset_(); }
    std::vector<std::string> TraceNames() const {
        std::vector<TalmirSimCall> calls(count_());
        for (std::uint32_t i = 0; i < calls.size(); ++i) get_(i, &calls[i]);
        return CallNames(calls);
    }

private:
    std::string path_;
    LoadedLibrary library_;
    void (*reset_)() = nullptr;
    std::uint32_t (*count_)() = nullptr;
    int (*get_)(std::uint32_t, TalmirSimCall*) = nullptr;
};

}  // namespace talmir::test
