// The configuration dialog with real widgets: what each module shows and what OK stores.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <utility>

#include "ioconf/KoraIOConfDialog.h"

namespace kora {
namespace {

IoSlotConfig Slot(std::int32_t type, std::int32_t count, std::vector<std::int32_t> codes)
{
    IoSlotConfig slot{type, count, {}};
    slot.RangeCode.fill(-1);
    std::copy(codes.begin(), codes.end(), slot.RangeCode.begin());
    return slot;
}

// What the user does to one box: picks an entry, or types text that is none.
struct Choice {
    int channel;
    QString text;
    bool typed = false;
};

struct DialogCase {
    const char* what;
    IoSlotConfig slot;
    QString description;
    QStringList labels; // the visible channel labels, in order; none: no channel area
    QStringList shown;  // what their boxes show
    std::vector<Choice> choices;
    std::vector<std::int32_t> stored; // the codes after OK
};

TEST(TdlgKoraIOConf, ShowsEachModuleKindAndStoresTheChoicesOnOK)
{
    const QString rtd = "KORA-7245 3-channel RTD input module";
    const std::vector<DialogCase> cases = {
        {"RTD, one list for all three channels",
         Slot(8, 3, {35, 35, 35}),
         rtd,
         {"All"},
         {"Pt(385)   0~+600'C"},
         {{0, "Ni        0~+600'C"}},
         {41, 41, 41}},
        {"type 9 is the RTD too; OK alone gives every channel channel 0's code",
         Slot(9, 3, {35, 33, 34}),
         rtd,
         {"All"},
         {"Pt(385)   0~+600'C"},
         {},
         {35, 35, 35}},
        {"thermocouple: the choice covers channels 0-6 only",
         Slot(5, 7, {16, 16, 16, 16, 16, 16, 16, 99}),
         "KORA-7257 7-channel thermocouple input module",
         {"All"},
         {"T Type -100~ 400'C"},
         {{0, "+/- 500  mV"}},
         {3, 3, 3, 3, 3, 3, 3, 99}},
        {"thermocouple with a code of the gap: no entry, and OK keeps the codes",
         Slot(5, 7, {10, 10, 10, 10, 10, 10, 10}),
         "KORA-7257 7-channel thermocouple input module",
         {"All"},
         {""},
         {},
         {10, 10, 10, 10, 10, 10, 10}},
        {"analog input confirmed unchanged keeps its range",
         Slot(4, 8, {9, 9, 9, 9, 9, 9, 9, 9}),
         "KORA-7255 8-channel analog input module",
         {"All"},
         {"+/-   5  V"},
         {},
         {9, 9, 9, 9, 9, 9, 9, 9}},
        {"analog output: four boxes of their own",
         Slot(24, 4, {48, 49, 50, 48}),
         "KORA-7259 4-channel analog output module",
         {"CH0", "CH1", "CH2", "CH3"},
         {"0~ 20  mA", "4~ 20  mA", "0~ 10   V", "0~ 20  mA"},
         {{2, "4~ 20  mA"}},
         {48, 49, 49, 48}},
        {"high speed input: eight boxes; typed text and an unknown code keep their codes",
         Slot(12, 8, {0, 1, 2, 3, 4, -1, 6, 7}),
         "KORA-7255H 8-channel high speed input module",
         {"CH0", "CH1", "CH2", "CH3", "CH4", "CH5", "CH6", "CH7"},
         {"+/-  10  V", "  0~ 10  V", "+/-   5  V", "  0~  5  V", "+/-   2.5V", "", "+/-   1  V",
          "  0~  1  V"},
         {{7, "  0~ 20 mA"}, {3, "+/- 500 mV"}, {3, "0~5 V", true}},
         {0, 1, 2, 3, 4, -1, 6, 11}},
        {"counter",
         Slot(6, 4, {1, 1, 1, 1}),
         "KORA-7263 4-ch Counter/Frequency module",
         {"All"},
         {"Up/Down counter"},
         {{0, "Frequency"}},
         {2, 2, 2, 2}},
        {"RS-232 module: no channel area",
         Slot(31, 4, {5}),
         "KORA-7297 4-port RS-232 Communication Module",
         {},
         {},
         {},
         {5}},
        {"an unknown type is no module", Slot(153, 8, {9, 9}), "No module", {}, {}, {}, {9, 9}},
        {"no module", Slot(99, -1, {}), "No module", {}, {}, {}, {}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const DialogCase& c = cases[i];
        const int s = static_cast<int>(i % kSlotCount);
        TdlgKoraIOConf dialog;
        dialog.Config.SlotConfig[static_cast<std::size_t>(s)] = c.slot;
        dialog.show();
        QWidget* page = dialog.pagectrlSlot()->widget(s);
        EXPECT_EQ(dialog.statextDsp(s)->text(), c.description) << c.what;
        EXPECT_EQ(dialog.panel(s)->isVisibleTo(page), !c.labels.isEmpty()) << c.what;
        QStringList labels;
        QStringList shown;
        for (int ch = 0; ch < kChannelCount && !c.labels.isEmpty(); ++ch) {
            const bool visible = dialog.channelLabel(s, ch)->isVisibleTo(page);
            EXPECT_EQ(dialog.rangeBox(s, ch)->isVisibleTo(page), visible) << c.what;
            if (visible) {
                labels << dialog.channelLabel(s, ch)->text();
                shown << dialog.rangeBox(s, ch)->currentText();
            }
        }
        EXPECT_EQ(labels, c.labels) << c.what;
        EXPECT_EQ(shown, c.shown) << c.what;

        for (const Choice& choice : c.choices) {
            QComboBox& box = *dialog.rangeBox(s, choice.channel);
            if (choice.typed) {
                box.setEditText(choice.text);
            } else {
                ASSERT_GE(box.findText(choice.text), 0)
                    << c.what << ": " << choice.text.toStdString();
                box.setCurrentIndex(box.findText(choice.text));
            }
        }
        QTest::mouseClick(dialog.btnOK(), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.what;
        IoSlotConfig expected = c.slot;
        std::copy(c.stored.begin(), c.stored.end(), expected.RangeCode.begin());
        EXPECT_EQ(dialog.Config.SlotConfig[static_cast<std::size_t>(s)], expected) << c.what;
    }
}

TEST(TdlgKoraIOConf, ShowsTheNodeInHexAndCancelKeepsTheTable)
{
    for (const auto& [node, text] : {std::pair{1, "01"}, {26, "1A"}, {-1, "FFFFFFFF"}}) {
        TdlgKoraIOConf dialog;
        dialog.Config.NodeID = node;
        dialog.Config.SlotConfig[1] = Slot(24, 4, {48, 49, 50, 48});
        const IoConfigTable read = dialog.Config;
        dialog.show();
        EXPECT_EQ(dialog.statextNodeID()->text(), text);
        dialog.rangeBox(1, 0)->setCurrentIndex(2);
        QTest::mouseClick(dialog.btnCancel(), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_EQ(dialog.Config, read);
    }
}

} // namespace
} // namespace kora
