#include <QCoreApplication>

#include <gtest/gtest.h>

// The terminal threads hand their pane and port work to the thread running this application's
// event loop, so every test runs with one.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
