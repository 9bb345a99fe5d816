#include <QApplication>

#include <gtest/gtest.h>

// A widget application for the whole run, for the tests that need widgets or an event loop on
// the main thread. It runs offscreen, also when CTest lists the tests without the test
// environment.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
