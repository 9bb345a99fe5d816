#include "transfer/KoraTranDialog.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "device/KoraAskNameDialog.h"
#include "filelist/ControllerText.h"
#include "ui/ByteText.h"
#include "ui/UserPrompts.h"

namespace kora {

namespace {

constexpr int kQueueDelayMs = 150;
constexpr int kCloseDelayMs = 200;
constexpr std::chrono::milliseconds kFiguresInterval(250);

QLabel* AddLabel(const QString& objectName, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A field the dialog fills and the user only reads. Read-only rather than disabled: a disabled
// field draws its text in the palette's faint disabled colour (1.6:1 in the light palette), and
// the path would be hard to read. A click still selects the text for copying; Tab passes the
// field by, so the keyboard focus stays on Cancel.
QLineEdit* AddShownField(const QString& objectName, QLabel* label, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    // Assistive technology reads the field under its label's text.
    label->setBuddy(field);
    return field;
}

} // namespace

TdlgKoraTran::TdlgKoraTran(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgKoraTran"));
    setWindowTitle(QStringLiteral("File transfer"));
    // A title without buttons: the dialog is ended by Cancel only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    buildControls();

    Timer1_ = new QTimer(this);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(kQueueDelayMs);
    connect(Timer1_, &QTimer::timeout, this, &TdlgKoraTran::Timer1Timer);
    Timer2_ = new QTimer(this);
    Timer2_->setObjectName(QStringLiteral("Timer2"));
    Timer2_->setInterval(kCloseDelayMs);
    connect(Timer2_, &QTimer::timeout, this, &TdlgKoraTran::Timer2Timer);
    connect(btnCancel_, &QPushButton::clicked, this, &TdlgKoraTran::btnCancelClick);
}

TdlgKoraTran::~TdlgKoraTran() = default;

void TdlgKoraTran::buildControls()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);

    Bevel1_ = new QFrame(this);
    Bevel1_->setObjectName(QStringLiteral("Bevel1"));
    Bevel1_->setFrameShape(QFrame::StyledPanel);
    Bevel1_->setFrameShadow(QFrame::Sunken);
    auto* grid = new QGridLayout(Bevel1_);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);

    lblName_ = AddLabel(QStringLiteral("lblName"), QStringLiteral("Transferring:"), Bevel1_);
    edtName_ = AddShownField(QStringLiteral("edtName"), lblName_, Bevel1_);
    edtName_->setMinimumWidth(320);
    grid->addWidget(lblName_, 0, 0);
    grid->addWidget(edtName_, 0, 1, 1, 3);

    Label2_ = AddLabel(QStringLiteral("Label2"), QStringLiteral("File count:"), Bevel1_);
    edtCount_ = AddShownField(QStringLiteral("edtCount"), Label2_, Bevel1_);
    edtCount_->setFixedWidth(90);
    grid->addWidget(Label2_, 1, 0);
    grid->addWidget(edtCount_, 1, 1);

    Label1_ = AddLabel(QStringLiteral("Label1"), QStringLiteral("Progress:"), Bevel1_);
    ProgressBar1_ = new QProgressBar(Bevel1_);
    ProgressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1_->setRange(0, 100);
    ProgressBar1_->setValue(0);
    grid->addWidget(Label1_, 2, 0);
    grid->addWidget(ProgressBar1_, 2, 1, 1, 3);

    // The current file's figures under the bar, read from left to right.
    lblSent_ = AddLabel(QStringLiteral("lblSent"), {}, Bevel1_);
    lblRate_ = AddLabel(QStringLiteral("lblRate"), {}, Bevel1_);
    lblRate_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    lblTimeLeft_ = AddLabel(QStringLiteral("lblTimeLeft"), {}, Bevel1_);
    lblTimeLeft_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(lblSent_, 3, 1);
    grid->addWidget(lblRate_, 3, 2);
    grid->addWidget(lblTimeLeft_, 3, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(3, 1);
    outer->addWidget(Bevel1_);

    btnCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCancel_);
    outer->addLayout(buttons);

    // The dialog keeps the size its controls ask for.
    outer->setSizeConstraint(QLayout::SetFixedSize);
}

void TdlgKoraTran::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TdlgKoraTran::FormShow()
{
    Timer1_->start();
    Timer2_->stop();
}

void TdlgKoraTran::Timer1Timer()
{
    Timer1_->stop();
    if (port_ == nullptr || statusMemo_ == nullptr) {
        done(QDialog::Rejected);
        return;
    }
    std::vector<QueuedFile> files = queue_;
    files.reserve(fileList_.size());
    for (std::size_t i = 0; i < fileList_.size() && queue_.empty(); ++i) {
        QueuedFile file{fileList_[i], FileNamePart(fileList_[i])};
        if (i < checkedSizes_.size()) {
            file.checkedSize = checkedSizes_[i];
        }
        if (i < earlierEntries_.size()) {
            file.earlier = earlierEntries_[i];
        }
        files.push_back(std::move(file));
    }

    queueRunning_ = true;
    outcome_ = UploadQueue(*port_, deviceDir_, files, *statusMemo_, queueHooks(), timing_, pacing_);
    queueRunning_ = false;

    if (cancelRequested_) {
        // Cancel closes the dialog as soon as the worker has stopped, without a word.
        done(QDialog::Rejected);
        return;
    }
    if (outcome_->kind == QueueOutcome::Kind::Failed) {
        Prompts().error(this, ByteText(QueueFailureText(*outcome_)));
    }
    Timer2_->start();
}

QueueHooks TdlgKoraTran::queueHooks()
{
    QueueHooks hooks;
    hooks.poll = [this](const QueueProgress& progress) {
        showProgress(progress);
        // The worker's synchronised calls and the Cancel button get through here.
        QCoreApplication::processEvents();
    };
    hooks.cancelRequested = [this] { return cancelRequested_; };
    hooks.askNewName = [this](const std::string& invalidName) { return askNewName(invalidName); };
    return hooks;
}

void TdlgKoraTran::showProgress(const QueueProgress& progress)
{
    if (meteredFile_ != progress.index || currentPath_ != progress.localPath) {
        currentPath_ = progress.localPath;
        meteredFile_ = progress.index;
        meter_.start(CopySourceAt(currentPath_).size);
        figuresShown_.reset();
        edtName_->setText(ByteText(currentPath_));
        edtCount_->setText(QStringLiteral("%1/%2").arg(progress.index + 1).arg(progress.count));
    }
    ProgressBar1_->setValue(progress.percent);

    // The figures change on every poll; a few readings a second are all an eye can follow, and
    // repainting less leaves the machine to the transfer.
    const auto now = TransferMeter::Clock::now();
    if (!figuresShown_ || now - *figuresShown_ >= kFiguresInterval || progress.percent == 100) {
        figuresShown_ = now;
        showFigures(meter_.read(progress.percent, now));
    }
}

void TdlgKoraTran::showFigures(const TransferMeter::Reading& reading)
{
    lblSent_->setText(QString::fromStdString(TransferMeter::SentText(reading)));
    lblRate_->setText(QString::fromStdString(TransferMeter::RateText(reading)));
    const std::string left = TransferMeter::TimeLeftText(reading);
    lblTimeLeft_->setText(
        left.empty() ? QString() : QStringLiteral("%1 left").arg(QString::fromStdString(left)));
}

std::optional<std::string> TdlgKoraTran::askNewName(const std::string& invalidName)
{
    // Over this dialog, so that it stays on top of it; this dialog is centred on the main
    // window, and so is the prompt.
    // A text without the controller's bytes is refused with a warning and asked for again; the
    // queue checks a converted name (ValidFileName) and asks again itself.
    for (;;) {
        TdlgKoraAskName dialog(this);
        dialog.setWindowTitle(ByteText(InvalidFileNameCaption(invalidName)));
        dialog.setPrompt(QString::fromLatin1(kNewFileNamePrompt.data(),
                                             static_cast<qsizetype>(kNewFileNamePrompt.size())));
        dialog.setText(QString());
        dialog.setMaxLength(kNewFileNameMaxLength);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        auto typed = ControllerBytes(dialog.text());
        if (auto* name = std::get_if<std::string>(&typed)) {
            return std::move(*name);
        }
        Prompts().warning(this, std::get<TextRefusal>(typed).message);
    }
}

void TdlgKoraTran::btnCancelClick()
{
    cancelRequested_ = true;
    done(QDialog::Rejected);
}

void TdlgKoraTran::Timer2Timer()
{
    Timer2_->stop();
    done(QDialog::Accepted);
}

void TdlgKoraTran::reject()
{
    btnCancelClick();
}

void TdlgKoraTran::done(int result)
{
    if (queueRunning_) {
        // The worker is told to stop; the dialog closes once the queue has ended.
        cancelRequested_ = true;
        return;
    }
    Timer1_->stop();
    Timer2_->stop();
    QDialog::done(result);
}

} // namespace kora
