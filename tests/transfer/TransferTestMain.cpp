#include <QCoreApplication>

#include <gtest/gtest.h>

// The worker's synchronised calls need an event loop on the test's main thread.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
