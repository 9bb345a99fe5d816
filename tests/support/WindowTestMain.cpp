#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

// main() for tests of the whole main window. The window creates the documents folder and
// browses the home folder: give the whole run a home of its own so nothing lands in the real one.
int main(int argc, char* argv[])
{
    QTemporaryDir home;
    if (!home.isValid()) {
        return 2;
    }
    setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
