#include <QApplication>

#include <gtest/gtest.h>

// The terminal threads hand their pane and port work to the thread running this application's
// event loop, so every test runs with one; the pane tests need widgets, shown nowhere.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
