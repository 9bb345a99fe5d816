#pragma once

#include <QDialog>

#include <string>

#include "sync/SyncPlan.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kora {

// "Synchronise with KORA-7740P": the plan of a sync before anything is changed. What is to be
// uploaded, each with why, the folders to make, the files left as they are, and the entries of
// D: the PC folder does not hold, deleted only when the box is ticked. "Synchronise" carries the
// plan out; with nothing to do it stays greyed and "Close" ends the dialog.
class TdlgKoraSync final : public QDialog {
    Q_OBJECT
public:
    // The plan must outlive the dialog; pcFolder as it is to be shown.
    TdlgKoraSync(const SyncPlan& plan, const QString& pcFolder, QWidget* parent = nullptr);
    ~TdlgKoraSync() override;

    // Whether the entries to delete are to be deleted.
    bool deleteChecked() const;

    QLabel* lblSummary() const { return lblSummary_; }
    QTreeWidget* tvPlan() const { return tvPlan_; }
    QCheckBox* chkDelete() const { return chkDelete_; }
    QPushButton* btnSync() const { return btnSync_; }
    QPushButton* btnCancel() const { return btnCancel_; }

private:
    void buildControls(const QString& pcFolder);
    void fillPlan();
    void chkDeleteClick();

    const SyncPlan& plan_;
    QLabel* lblSummary_ = nullptr;
    QTreeWidget* tvPlan_ = nullptr;
    QTreeWidgetItem* deletions_ = nullptr;
    QCheckBox* chkDelete_ = nullptr;
    QPushButton* btnSync_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
};

} // namespace kora
