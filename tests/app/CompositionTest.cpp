#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitterHandle>
#include <QStandardItemModel>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <set>

#include "app/MainWindow.h"
#include "device/DevicePanel.h"
#include "filelist/FileColumns.h"
#include "local/LocalPanel.h"
#include "support/TempDir.h"
#include "ui/StatusPanels.h"
#include "ui/ThemeIcons.h"

namespace kora {
namespace {

struct Component {
    const char* name;
    const char* kind; // class the component must be
    const char* caption = nullptr;
    const char* hint = nullptr;
};

const Component kComponents[] = {
    {"MainMenu1", "QMenuBar"},
    {"File1", "QMenu", "&File"},
    {"Exit1", "QAction", "Exit"},
    {"Help1", "QMenu", "&Help"},
    {"About1", "QAction", "About..."},
    {"pnlUpper", "QSplitter"},
    {"pnlLocal", "kora::LocalPanel"},
    {"lblLocal", "QLabel", "Local System:"},
    {"tlbarLocal", "QToolBar"},
    {"tbtnLocalOpenDir", "QToolButton", nullptr, "Open directory"},
    {"tbtnLocalUp", "QToolButton", nullptr, "Move up"},
    {"tbtnLocalRefresh", "QToolButton", nullptr, "Refresh folder"},
    {"tbtnLocalLgIcon", "QToolButton", nullptr, "Large Icons"},
    {"tbtnLocalSmIcon", "QToolButton", nullptr, "Small Icons"},
    {"tbtnLocalLsIcon", "QToolButton", nullptr, "List View"},
    {"tbtnLocalDtIcon", "QToolButton", nullptr, "Report View"},
    {"tbtnLocalRun", "QToolButton", nullptr, "Run KORA Utility"},
    {"cbxLocal", "QComboBox"},
    {"lstviewLocal", "QTreeView"},
    {"stabarLocal", "kora::StatusPanels"},
    {"Splitter1", "QSplitterHandle"},
    {"pnlBtn", "QWidget"},
    {"btnCopy", "QPushButton", nullptr, "Copy file to KORA"},
    {"Splitter2", "QSplitterHandle"},
    {"pnlKora", "kora::DevicePanel"},
    {"lblKora", "QLabel", "KORA-7740P:"},
    {"tlbarKora", "QToolBar"},
    {"tbtnKoraUp", "QToolButton", nullptr, "Move up"},
    {"tbtnRefresh", "QToolButton", nullptr, "Refresh folder"},
    {"tbtnKoraLgIcon", "QToolButton", nullptr, "Large Icons"},
    {"tbtnKoraSmIcon", "QToolButton", nullptr, "Small Icons"},
    {"tbtnKoraLsIcon", "QToolButton", nullptr, "List View"},
    {"tbtnKoraDtIcon", "QToolButton", nullptr, "Report View"},
    {"tbtnKoraConf", "QToolButton", nullptr, "Config KORA"},
    {"tbtnDOSCmd", "QToolButton", nullptr, "Launch Terminal"},
    {"cbxCOM", "QComboBox"},
    {"pnlKoraCbx", "QWidget"},
    {"cbxKora", "QComboBox"},
    {"lstviewKora", "QTreeView"},
    {"stabarKora", "kora::StatusPanels"},
    {"splHori", "QSplitterHandle"},
    {"meoDos", "QPlainTextEdit"},
};

QString CaptionOf(const QObject* object)
{
    if (const auto* label = qobject_cast<const QLabel*>(object)) {
        return label->text();
    }
    if (const auto* action = qobject_cast<const QAction*>(object)) {
        return action->text();
    }
    if (const auto* menu = qobject_cast<const QMenu*>(object)) {
        return menu->title();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(object)) {
        return button->text();
    }
    return {};
}

class Composition : public ::testing::Test {
protected:
    TfrmMain window;
};

TEST_F(Composition, EveryComponentHasItsNameKindCaptionAndHint)
{
    EXPECT_EQ(window.objectName(), "frmMain");
    EXPECT_EQ(window.windowTitle(), "KORA-7740P Utility (Ver 1.10)");
    std::set<QString> seen;
    for (const Component& c : kComponents) {
        SCOPED_TRACE(c.name);
        const QList<QObject*> found = window.findChildren<QObject*>(QString::fromLatin1(c.name));
        ASSERT_EQ(found.size(), 1) << "exactly one component of this name";
        const QObject* object = found.front();
        EXPECT_TRUE(object->inherits(c.kind)) << object->metaObject()->className();
        if (c.caption) {
            EXPECT_EQ(CaptionOf(object), QString::fromLatin1(c.caption));
        }
        if (c.hint) {
            const auto* widget = qobject_cast<const QWidget*>(object);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->toolTip(), QString::fromLatin1(c.hint));
        }
        if (const auto* button = qobject_cast<const QToolButton*>(object)) {
            EXPECT_FALSE(button->icon().isNull()) << "every tool button shows a picture";
        }
        EXPECT_TRUE(seen.insert(QString::fromLatin1(c.name)).second);
    }
}

TEST_F(Composition, BothFileListsShowTheFourColumns)
{
    for (const char* name : {"lstviewLocal", "lstviewKora"}) {
        SCOPED_TRACE(name);
        auto* list = window.findChild<QTreeView*>(QString::fromLatin1(name));
        ASSERT_NE(list, nullptr);
        const QAbstractItemModel* model = list->model();
        ASSERT_NE(model, nullptr);
        ASSERT_GE(model->columnCount(list->rootIndex()), 4);
        const QStringList titles{"Name", "Size", "Type", "Modified"};
        const int widths[] = {140, 60, 90};
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(model->headerData(column, Qt::Horizontal).toString(), titles[column]);
        }
        // At least their first widths, wider for what the first screen shows; the last column
        // takes the rest.
        for (int column = 0; column < 3; ++column) {
            EXPECT_GE(list->columnWidth(column), widths[column]);
        }
        EXPECT_TRUE(list->header()->stretchLastSection());
        const auto sizeAlignment =
            model->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_TRUE(sizeAlignment & Qt::AlignRight);
    }
    auto* device = window.findChild<QTreeView*>("lstviewKora");
    auto* local = window.findChild<QTreeView*>("lstviewLocal");
    EXPECT_EQ(device->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(local->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(device->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(device->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(Composition, TheDeviceListKeepsItsColumnWidthsWithANewModel)
{
    QStandardItemModel listing(0, kFileColumnCount);
    DevicePanel& panel = *window.devicePanel();
    panel.reportView()->setColumnWidth(0, 10);
    panel.setListModel(&listing);
    EXPECT_EQ(panel.reportView()->model(), &listing);
    EXPECT_EQ(panel.reportView()->columnWidth(0), 140);
    EXPECT_EQ(panel.reportView()->columnWidth(2), 90);
}

TEST_F(Composition, StatusBarsHaveTheirPanels)
{
    const auto* device = window.findChild<StatusPanels*>("stabarKora");
    ASSERT_EQ(device->panelCount(), 2);
    EXPECT_EQ(device->panelWidth(0), 150);
    EXPECT_EQ(device->panelWidth(1), 50);
    EXPECT_NE(window.findChild<QLabel*>("stabarKora_panel1"), nullptr);
    const auto* local = window.findChild<StatusPanels*>("stabarLocal");
    ASSERT_EQ(local->panelCount(), 2);
    EXPECT_EQ(local->panelWidth(0), 150);
    EXPECT_EQ(local->panelWidth(1), 100);
}

TEST_F(Composition, TheTerminalPaneIsAReadOnlyGreenLog)
{
    const QPlainTextEdit* pane = window.meoDos();
    EXPECT_TRUE(pane->isReadOnly());
    EXPECT_EQ(pane->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(pane->font().bold());
    EXPECT_TRUE(QFontInfo(pane->font()).fixedPitch()) << "a monospace face stands in for Courier";
    EXPECT_EQ(pane->palette().color(QPalette::Text), QColor(0, 128, 0));
    EXPECT_EQ(pane->palette().color(QPalette::Base), window.palette().color(QPalette::Window));
    EXPECT_EQ(pane->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_GE(pane->minimumHeight(), 50);
}

TEST_F(Composition, ViewStyleButtonsAreOneExclusiveGroupPerPanel)
{
    DevicePanel& device = *window.devicePanel();
    LocalPanel& local = *window.localPanel();
    for (QButtonGroup* group : {device.viewStyleButtons(), local.viewStyleButtons()}) {
        EXPECT_TRUE(group->exclusive());
        EXPECT_EQ(group->buttons().size(), 4);
    }
    device.viewStyleButton(FileViewStyle::Report)->setChecked(true);
    local.viewStyleButton(FileViewStyle::Report)->setChecked(true);
    QTest::mouseClick(device.viewStyleButton(FileViewStyle::LargeIcons), Qt::LeftButton);
    EXPECT_TRUE(device.viewStyleButton(FileViewStyle::LargeIcons)->isChecked());
    EXPECT_FALSE(device.viewStyleButton(FileViewStyle::Report)->isChecked());
    EXPECT_TRUE(local.viewStyleButton(FileViewStyle::Report)->isChecked())
        << "the panels' groups are separate";
    EXPECT_TRUE(device.tbtnDOSCmd()->isCheckable());
    EXPECT_FALSE(device.viewStyleButtons()->buttons().contains(device.tbtnDOSCmd()));
}

TEST_F(Composition, ThePathBoxOfTheDevicePanelTakesNoTyping)
{
    QComboBox* box = window.devicePanel()->pathBox();
    box->addItems({"\\", "\\BIN", "\\DATA"});
    box->setCurrentIndex(0);
    int activations = 0;
    QObject::connect(box, &QComboBox::activated, [&] { ++activations; });
    QTest::keyClicks(box, "\\BD");
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(activations, 0);
}

// Sets the icon theme for one test and puts the desktop's back afterwards.
class IconThemeScope {
public:
    IconThemeScope(const QString& name, const QStringList& searchPaths)
        : name_(QIcon::themeName()), searchPaths_(QIcon::themeSearchPaths())
    {
        QIcon::setThemeSearchPaths(searchPaths);
        QIcon::setThemeName(name);
    }
    ~IconThemeScope()
    {
        QIcon::setThemeSearchPaths(searchPaths_);
        QIcon::setThemeName(name_);
    }

private:
    QString name_;
    QStringList searchPaths_;
};

constexpr ToolIcon kToolIcons[] = {
    ToolIcon::MoveUp,     ToolIcon::Refresh,    ToolIcon::LargeIcons,   ToolIcon::SmallIcons,
    ToolIcon::ListView,   ToolIcon::ReportView, ToolIcon::ConfigDevice, ToolIcon::Terminal,
    ToolIcon::OpenFolder, ToolIcon::RunUtility, ToolIcon::CopyToDevice};

TEST(ToolIcons, WithoutAThemeEveryBuiltInPictureIsShownAndDistinct)
{
    const IconThemeScope noTheme(QStringLiteral("kora-no-such-theme"), {});
    std::vector<QImage> images;
    for (ToolIcon kind : kToolIcons) {
        const QImage image = ThemeIcon(kind).pixmap(24, 24).toImage();
        ASSERT_EQ(image.size(), QSize(24, 24));
        int painted = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                painted += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
            }
        }
        EXPECT_GT(painted, 24) << "icon " << static_cast<int>(kind) << " is nearly empty";
        for (const QImage& other : images) {
            EXPECT_NE(image, other) << "icon " << static_cast<int>(kind) << " repeats another";
        }
        images.push_back(image);
    }
}

TEST(ToolIcons, TheThemesPictureWinsWhereItHasOne)
{
    const test::TempDir themes;
    const QString root = QString::fromStdString((themes / "kora-test").string());
    QDir().mkpath(root + QStringLiteral("/24x24/actions"));
    QFile index(root + QStringLiteral("/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=kora-test\nDirectories=24x24/actions\n\n"
                "[24x24/actions]\nSize=24\nType=Fixed\n");
    index.close();
    QImage red(24, 24, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(root + QStringLiteral("/24x24/actions/preferences-system.png")));

    const IconThemeScope theme(QStringLiteral("kora-test"),
                               {QString::fromStdString(themes.path().string())});
    // The second name stands in where the theme lacks the first ("configure").
    EXPECT_EQ(ThemeIcon(ToolIcon::ConfigDevice).pixmap(24, 24).toImage().pixel(12, 12),
              QColor(Qt::red).rgb());
    EXPECT_NE(ThemeIcon(ToolIcon::MoveUp).pixmap(24, 24).toImage().pixel(12, 12),
              QColor(Qt::red).rgb());
    EXPECT_FALSE(ThemeIcon(ToolIcon::MoveUp).pixmap(24, 24).isNull());
}

} // namespace
} // namespace kora
