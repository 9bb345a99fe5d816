#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "device/DeviceOperations.h"
#include "device/DialogActionUi.h"
#include "device/KoraAskNameDialog.h"
#include "device/KoraPropDialog.h"
#include "support/ModalAnswer.h"
#include "support/QtPrinters.h"

namespace kora {
namespace {

// The name dialog as the menu's operations run it: typed text beyond the limit is not taken,
// Cancel gives nothing, and a character the console cannot carry is refused in a warning box,
// never sent as a "?" (a wildcard to DOS).
TEST(DeviceDialogs, TheNameDialogKeepsItsLimitAndAnswers)
{
    QWidget parent;
    DialogActionUi ui(&parent);
    const auto ask = [&](const NameRequest& request, const QString& typed, bool ok) {
        test::ModalAnswer<TdlgKoraAskName> answer([&](TdlgKoraAskName& dialog) {
            EXPECT_EQ(dialog.objectName(), "dlgKoraAskName");
            EXPECT_EQ(dialog.size(), QSize(417, 109));
            EXPECT_EQ(dialog.windowTitle(), QString::fromStdString(request.caption));
            EXPECT_EQ(dialog.lblPrompt()->text(), QString::fromStdString(request.prompt));
            EXPECT_TRUE(dialog.edtFileName()->text().isEmpty());
            EXPECT_TRUE(dialog.OKBtn()->isDefault());
            EXPECT_EQ(dialog.CancelBtn()->text(), "Cancel");
            // Key clicks carry ASCII only; other characters arrive as an input method would.
            bool ascii = true;
            for (QChar c : typed) {
                ascii = ascii && c.unicode() < 0x80;
            }
            if (ascii) {
                QTest::keyClicks(dialog.edtFileName(), typed);
            } else {
                dialog.edtFileName()->insert(typed);
            }
            (ok ? dialog.OKBtn() : dialog.CancelBtn())->click();
        });
        return ui.askName(request);
    };
    EXPECT_EQ(ask(MakeDirectoryRequest(), "ABCDEFGHIJ", true), "ABCDEFGH");
    EXPECT_EQ(ask(RenameRequest("OLD.TXT"), "ABCDEFGH.TXTX", true), "ABCDEFGH.TXT");
    EXPECT_EQ(ask(RenameRequest("OLD.TXT"), "NEW.TXT", false), std::nullopt);
    EXPECT_EQ(ask(MakeDirectoryRequest(), QString::fromUtf8("D\u00c9"), true), "D\xc9");

    QString warning;
    test::ModalAnswer<QMessageBox> box([&](QMessageBox& shown) {
        warning = shown.text();
        shown.button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(ask(RenameRequest("CAFE.TXT"), QString::fromUtf8("CAF\u20ac.TXT"), true),
              std::nullopt);
    EXPECT_EQ(warning, QString::fromUtf8("'CAF\u20ac.TXT' cannot be typed on KORA-7740P: '\u20ac' "
                                         "(U+20AC) is not one of the single-byte (Latin-1) "
                                         "characters its console takes."));
}

TEST(DeviceDialogs, ThePropertiesDialogShowsItsTextsWhenShown)
{
    TdlgKoraProp dialog;
    EXPECT_EQ(dialog.objectName(), "dlgKoraProp");
    EXPECT_EQ(dialog.windowTitle(), "Properities");
    EXPECT_EQ(dialog.size(), QSize(482, 301));
    QStringList captions;
    for (const QLabel* label :
         dialog.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->objectName().isEmpty()) {
            captions << label->text();
        }
    }
    EXPECT_EQ(captions,
              QStringList({"Module:", "Name: ", "Path:", "Type:", "Size:", "Date:", "Contains:"}));
    dialog.Name = "A.EXE";
    dialog.Contain = "1 file(s), 0 folder(s)";
    EXPECT_TRUE(dialog.lblName()->text().isEmpty()) << "filled only when shown";
    dialog.show();
    EXPECT_EQ(dialog.lblName()->text(), "A.EXE");
    EXPECT_EQ(dialog.lblContain()->text(), "1 file(s), 0 folder(s)");
    EXPECT_TRUE(dialog.lblModule()->text().isEmpty());
    EXPECT_TRUE(dialog.OKBtn()->isDefault());
}

} // namespace
} // namespace kora
