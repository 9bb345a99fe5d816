#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

#include "link/ConsoleExchange.h"
#include "transfer/CopyPlan.h"
#include "transfer/TransferMeter.h"

class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kora {

class ConsoleLog;
class SerialPort;

// "File transfer": sends the copy's files one after another over the port the copy opened,
// each by its own upload worker, and shows which file goes, how many there are and how far the
// current one has come. The queue starts 150 ms after the dialog appears and the dialog closes
// 200 ms after it ends. Cancel stops the file being sent and sends no further one; the dialog
// then closes at once. A failed file is reported and ends the queue. A file whose name the
// controller cannot take is offered for renaming; cancelling the rename skips it.
class TdlgKoraTran final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgKoraTran(QWidget* parent = nullptr);
    ~TdlgKoraTran() override;

    // Set before the dialog is shown; the port and the log must outlive it.
    void setPort(SerialPort* port) { port_ = port; }
    void setStatusMemo(ConsoleLog* statusMemo) { statusMemo_ = statusMemo; }
    // Where the files go, as DeviceDirectory gives it ("D:\", "D:\BIN\").
    void setDeviceDir(std::string deviceDir) { deviceDir_ = std::move(deviceDir); }
    // The PC files, by full path, in the order they are sent.
    void setFileList(std::vector<std::string> fileList) { fileList_ = std::move(fileList); }
    // The sizes the copy's checks counted, one per file of the list: a file that has another
    // size when its turn comes has changed and fails.
    void setCheckedSizes(std::vector<std::uint64_t> sizes) { checkedSizes_ = std::move(sizes); }
    // What the destination held under each file's name, as the device panel's listing showed
    // it (QueuedFile::earlier), one per file of the list.
    void setEarlierEntries(std::vector<std::optional<ListedFile>> entries)
    {
        earlierEntries_ = std::move(entries);
    }
    // The files with their names and directories on the controller, for a queue whose files go
    // to several directories (a sync); used instead of the file list when set.
    void setQueue(std::vector<QueuedFile> queue) { queue_ = std::move(queue); }
    // How each upload's drain and closing read decide that the console has finished.
    void setTiming(ExchangeTiming timing) { timing_ = timing; }
    // Whether each upload waits 5 ms after a block's ACK.
    void setUploadPacing(UploadPacing pacing) { pacing_ = pacing; }

    bool CancelRequested() const { return cancelRequested_; }
    // The PC path of the file being handled.
    const std::string& CurrentPath() const { return currentPath_; }
    // What the queue did; nothing before it ran.
    const std::optional<QueueOutcome>& outcome() const { return outcome_; }

    QFrame* Bevel1() const { return Bevel1_; }
    QLabel* lblName() const { return lblName_; }
    QLineEdit* edtName() const { return edtName_; }
    QLabel* Label2() const { return Label2_; }
    QLineEdit* edtCount() const { return edtCount_; }
    QLabel* Label1() const { return Label1_; }
    QProgressBar* ProgressBar1() const { return ProgressBar1_; }
    // The current file's bytes sent, rate and time left.
    QLabel* lblSent() const { return lblSent_; }
    QLabel* lblRate() const { return lblRate_; }
    QLabel* lblTimeLeft() const { return lblTimeLeft_; }
    QPushButton* btnCancel() const { return btnCancel_; }
    QTimer* Timer1() const { return Timer1_; }
    QTimer* Timer2() const { return Timer2_; }

    // The handlers.
    void FormShow();
    // The whole queue, run once.
    void Timer1Timer();
    void btnCancelClick();
    void Timer2Timer();

    // Esc and closing the window act as Cancel: while a file is being sent the dialog stays
    // until the worker has stopped.
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    QueueHooks queueHooks();
    void showProgress(const QueueProgress& progress);
    void showFigures(const TransferMeter::Reading& reading);
    std::optional<std::string> askNewName(const std::string& invalidName);

    SerialPort* port_ = nullptr;
    ConsoleLog* statusMemo_ = nullptr;
    std::string deviceDir_;
    ExchangeTiming timing_ = ExchangeTiming::Quick;
    UploadPacing pacing_ = UploadPacing::Paced;
    std::vector<std::string> fileList_;
    std::vector<std::uint64_t> checkedSizes_;
    std::vector<std::optional<ListedFile>> earlierEntries_;
    std::vector<QueuedFile> queue_;
    std::string currentPath_;
    bool cancelRequested_ = false;
    bool queueRunning_ = false;
    std::optional<QueueOutcome> outcome_;
    TransferMeter meter_;
    std::optional<std::size_t> meteredFile_;
    std::optional<TransferMeter::Clock::time_point> figuresShown_;

    QFrame* Bevel1_ = nullptr;
    QLabel* lblName_ = nullptr;
    QLineEdit* edtName_ = nullptr;
    QLabel* Label2_ = nullptr;
    QLineEdit* edtCount_ = nullptr;
    QLabel* Label1_ = nullptr;
    QProgressBar* ProgressBar1_ = nullptr;
    QLabel* lblSent_ = nullptr;
    QLabel* lblRate_ = nullptr;
    QLabel* lblTimeLeft_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QTimer* Timer1_ = nullptr;
    QTimer* Timer2_ = nullptr;
};

} // namespace kora
