// Widget tests run offscreen with one QApplication, the process-wide SPI link
// bound to the simulated adapter and chip.
#include <gtest/gtest.h>

#include <QApplication>

#include "device/MpsseLink.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    std::string message;
    talmir::Mpsse().LoadMPSSELibrary({TALMIR_SIM_LIBRARY},
                                     [&](const std::string& m) { message = m; });
    if (!message.empty()) {
        fprintf(stderr, "simulator not bound: %s\n", message.c_str());
        return 1;
    }
    return RUN_ALL_TESTS();
}
