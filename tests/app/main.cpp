// The command-line jobs' tests run under a QCoreApplication, as the jobs do:
// nothing a job runs may need a window or a display.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
