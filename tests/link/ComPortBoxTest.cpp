#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QTest>

#include <filesystem>

#include "link/ComPortBox.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

namespace kora {
namespace {

namespace fs = std::filesystem;

// A port plugged in after start-up (a new link in the ports folder) joins the box in its place
// and one that goes away is marked, without the box's text or selection moving.
TEST(ComPortBox, PortsThatComeAndGoAreAddedAndMarked)
{
    test::TempDir ports;
    test::TempDir devices;
    test::PtyPair first;
    test::PtyPair second;
    fs::create_symlink(second.slavePath(), ports.path() / "COM3");

    ComPortScanSources sources;
    sources.portsFolder = ports.path();
    sources.deviceFolder = devices.path();
    sources.byIdFolder = devices.path() / "serial/by-id";
    QComboBox box;
    box.setEditable(true);
    box.addItem(QStringLiteral("COM3"));
    box.setCurrentIndex(0);
    ComPortBox watched(box, sources);
    const auto items = [&box] {
        QStringList texts;
        for (int i = 0; i < box.count(); ++i) {
            texts << box.itemText(i) + (ComPortBox::markedGone(box, i) ? "?" : "");
        }
        return texts;
    };
    EXPECT_TRUE(box.itemData(0, Qt::ToolTipRole)
                    .toString()
                    .contains(QString::fromStdString(second.slavePath())));

    fs::create_symlink(first.slavePath(), ports.path() / "COM1");
    QTRY_COMPARE_WITH_TIMEOUT(items(), QStringList({"COM1", "COM3"}), 5000);
    EXPECT_EQ(box.currentText(), "COM3");

    fs::remove(ports.path() / "COM3");
    QTRY_COMPARE_WITH_TIMEOUT(items(), QStringList({"COM1", "COM3?"}), 5000);
    EXPECT_EQ(box.currentText(), "COM3");
    EXPECT_TRUE(box.itemData(1, Qt::ToolTipRole).toString().contains("not there"));
    // Assistive technology reads the list item as a port that is not there.
    const auto description = [&box](int row) {
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(box.view());
        QAccessibleInterface* item = list != nullptr && list->tableInterface() != nullptr
                                         ? list->tableInterface()->cellAt(row, 0)
                                         : nullptr;
        return item != nullptr ? item->text(QAccessible::Description) : QStringLiteral("none");
    };
    EXPECT_EQ(description(1), "COM3 is not there now (unplugged?)");
    EXPECT_EQ(description(0), "");

    fs::create_symlink(second.slavePath(), ports.path() / "COM3");
    QTRY_COMPARE_WITH_TIMEOUT(items(), QStringList({"COM1", "COM3"}), 5000);
    EXPECT_EQ(description(1), "");
}

} // namespace
} // namespace kora
