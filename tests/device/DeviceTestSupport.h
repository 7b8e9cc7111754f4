// Support of the device tests: the simulator's call trace, a link bound to the
// simulator with the tool's channel configuration, and the control interface
// of a simulator variant reached through its own loaded copy.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/MpsseLink.h"
#include "talmir_sim_control.h"

namespace talmir::test {

inline const std::string kSimLibrary = TALMIR_SIM_DIR "/libtalmirsim.so";

inline std::string SimVariantPath(const char* variant) {
    return std::string(TALMIR_SIM_DIR "/libtalmirsim_") + variant + ".so";
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

// The control interface of a simulator variant: its own copy of the library,
// the same one a link loads from the same path.
class SimVariant {
public:
    explicit SimVariant(const char* variant) : path_(SimVariantPath(variant)) {
        handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) return;
        reset_ = reinterpret_cast<void (*)()>(dlsym(handle_, "TalmirSim_Reset"));
        count_ = reinterpret_cast<std::uint32_t (*)()>(dlsym(handle_, "TalmirSim_TraceCount"));
        get_ = reinterpret_cast<int (*)(std::uint32_t, TalmirSimCall*)>(
            dlsym(handle_, "TalmirSim_TraceGet"));
    }
    ~SimVariant() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    SimVariant(const SimVariant&) = delete;
    SimVariant& operator=(const SimVariant&) = delete;

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
    void* handle_ = nullptr;
    void (*reset_)() = nullptr;
    std::uint32_t (*count_)() = nullptr;
    int (*get_)(std::uint32_t, TalmirSimCall*) = nullptr;
};

}  // namespace talmir::test
