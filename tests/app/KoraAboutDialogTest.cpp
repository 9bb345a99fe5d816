#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "ModalDialogs.h"
#include "app/KoraAboutDialog.h"
#include "app/MainWindow.h"

namespace kora {
namespace {

TEST(AboutBox, HelpAboutShowsTheProgramsNameAndVersionUntilOk)
{
    TfrmMain window;
    window.show();
    bool shown = false;
    test::WhenModal<TdlgKoraAbout>([&](TdlgKoraAbout& about) {
        shown = true;
        EXPECT_EQ(about.windowTitle(), "About KORA-7740P Utility");
        EXPECT_EQ(about.ProductName()->text(), "KORA-7740P Utility");
        EXPECT_EQ(about.Version()->text(), "Version: 1.10");
        for (const QLabel* text : {about.ProductName(), about.Version()}) {
            EXPECT_TRUE(text->font().bold());
            EXPECT_EQ(text->palette().color(QPalette::WindowText), QColor(Qt::blue));
        }
        // The built-in scalable icon, which needs Qt's SVG support at run time.
        EXPECT_FALSE(about.ProgramIcon()->pixmap().isNull());
        EXPECT_TRUE(about.OKBtn()->isDefault());
        QTest::mouseClick(about.OKBtn(), Qt::LeftButton);
    });
    window.About1()->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(window.findChild<TdlgKoraAbout*>(), nullptr) << "the box is gone after OK";
}

} // namespace
} // namespace kora
