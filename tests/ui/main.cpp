// Widget tests run offscreen with one QApplication, the process-wide SPI link
// bound to the simulated adapter and chip.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "device/MpsseLink.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    std::string message;
    talmir::Mpsse().LoadMPSSELibrary({TALMIR_SIM_DIR "/libtalmirsim.so"},
                                     [&](const std::string& m) { message = m; });
    if (!message.empty()) {
        fprintf(stderr, "simulator not bound: %s\n", message.c_str());
        return 1;
    }
    return RUN_ALL_TESTS();
}
