#pragma once

#include <QString>
#include <QWidget>

#include <vector>

#include "filelist/FileListViews.h"
#include "ui/ThemeIcons.h"

class QAbstractItemModel;
class QButtonGroup;
class QComboBox;
class QLabel;
class QListView;
class QStackedWidget;
class QToolBar;
class QToolButton;
class QTreeView;

namespace kora {

class StatusPanels;

// The list's view styles, in the order of the view-style buttons.
enum class FileViewStyle { LargeIcons = 0, SmallIcons = 1, List = 2, Report = 3 };

// What tells one file panel from the other. Object names are built from the prefix, as the
// window's forms name them: "pnl" + prefix, "lbl" + prefix, "tlbar" + prefix, "cbx" + prefix,
// "lstview" + prefix (+ "Icons" for the icon styles' view), "stabar" + prefix, and
// "tbtn" + prefix + "LgIcon" / "SmIcon" / "LsIcon" / "DtIcon".
struct FilePanelLook {
    QString prefix;  // "Local" or "Kora"
    QString caption; // the title above the panel
    std::vector<int> statusWidths;
    bool pathBoxEditable = false;
    bool multiSelection = false;
    // The icon styles leave room for names this long (12: an 8.3 name).
    int iconTextCharacters = 12;
};

// The skeleton both file panels of the main window are built on: the blue title, a tool bar
// the panel fills (with the four view-style buttons among its own), the path box, the list in
// four view styles and the status bar. The report style is the tree view; the three icon styles
// show the same model and selection in a second view, which follows the report view's enabled
// state. The panel lays the controls out and keeps their look; what they do is wired by the
// panel's controller through the accessors.
class FilePanel : public QWidget {
    Q_OBJECT
public:
    FilePanel(const FilePanelLook& look, QWidget* parent);

    QLabel* title() const { return title_; }
    QToolBar* toolBar() const { return toolBar_; }
    QComboBox* pathBox() const { return pathBox_; }
    QTreeView* reportView() const { return reportView_; }
    QListView* iconView() const { return iconView_; }
    StatusPanels* statusBar() const { return statusBar_; }
    // The four view-style buttons; exactly one is pressed.
    QButtonGroup* viewStyleButtons() const { return viewStyleButtons_; }
    QToolButton* viewStyleButton(FileViewStyle style) const;

    // Puts a listing's model on both views, sharing one selection. The panel does not own the
    // model. Each time the model is reset (a new listing) and each time the report view's
    // viewport changes size, the report view's columns are fitted to it (fitColumnsToView).
    void setListModel(QAbstractItemModel* model);

    // Fits the four columns to the report view's width (FitColumnWidths): each needs the
    // widest of its header and the cells of the rows on screen, and Name, Size and Type get at
    // least their first widths where there is room for all; where there is not even room for
    // what they need, Name and Type give way together (long names elided in the middle, never
    // below an 8.3 name; Type down to its header), then Modified down to its header; a size is
    // never cut. Where there is room, the last column takes the rest of the view. Only the rows
    // on screen are asked for, so a large folder costs no more than the screen it shows.
    void fitColumnsToView();

    // Only the report style shows the sub-items.
    void setViewStyle(FileViewStyle style);
    // The selected rows in list order.
    std::vector<std::size_t> selectedRows() const;
    // The view the current style shows.
    QAbstractItemView* currentView() const;
    // Both views, report view first.
    std::vector<QAbstractItemView*> views() const;

    // Type-ahead in both views.
    void setTypeAheadFinder(const TypeAheadFinder& finder);

signals:
    // The list's context menu is to open at position (in the view's viewport). A right click
    // has made the selection the menu's target first: the row under the pointer, or no row
    // beside the rows, where the menu is for the folder shown. From the keyboard the selection
    // stays as it is.
    void listMenuRequested(QAbstractItemView* view, const QPoint& position);

protected:
    // For the panel's constructor, in tool-bar order.
    QToolButton* addToolButton(const QString& objectName, const QString& hint, ToolIcon icon);
    void addViewStyleButtons();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildViews(const FilePanelLook& look);
    void openListMenu(QAbstractItemView& view, const QPoint& position);
    // Panel 0 of the status bar takes a third of the panel's width.
    void statusBarResize();

    QString prefix_;
    int iconTextCharacters_;
    QLabel* title_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QComboBox* pathBox_ = nullptr;
    QStackedWidget* viewStack_ = nullptr;
    FileReportView* reportView_ = nullptr;
    FileIconView* iconView_ = nullptr;
    StatusPanels* statusBar_ = nullptr;
    QButtonGroup* viewStyleButtons_ = nullptr;
    FileViewStyle viewStyle_ = FileViewStyle::Report;
    bool menuFromMouse_ = false;
};

} // namespace kora
