#include "app/MainMenu.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

#include "app/UtilitySettings.h"
#include "link/ConsoleLogFile.h"
#include "link/DeviceLink.h"
#include "terminal/TerminalWindow.h"
#include "ui/UserPrompts.h"

namespace kora {

MainMenu::MainMenu(QMainWindow& window, DeviceLink& link) : window_(window), link_(link)
{
    QMenuBar* bar = window_.menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    Exit1_ = file->addAction(QStringLiteral("Exit"));
    Exit1_->setObjectName(QStringLiteral("Exit1"));
    Options1_ = bar->addMenu(QStringLiteral("&Options"));
    Options1_->setObjectName(QStringLiteral("Options1"));
    PatientTiming1_ = option(
        QStringLiteral("Patient Timing (wait for silence)"), QStringLiteral("PatientTiming1"),
        QStringLiteral("Wait for the console to fall silent after each command instead of "
                       "ending at its prompt"));
    TerminalReconnect1_ =
        option(QStringLiteral("Reconnect Terminal"), QStringLiteral("TerminalReconnect1"));
    LogConsole1_ = option(QStringLiteral("Log Console to File..."), QStringLiteral("LogConsole1"));
    LogRawBytes1_ =
        option(QStringLiteral("Log Raw Received Bytes"), QStringLiteral("LogRawBytes1"));
    FastUpload1_ = option(
        QStringLiteral("Fast Upload (no pause between blocks)"), QStringLiteral("FastUpload1"),
        QStringLiteral("Send each block of an upload as soon as the previous one is acknowledged"));
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    About1_ = help->addAction(QStringLiteral("About..."));
    About1_->setObjectName(QStringLiteral("About1"));

    const auto applyTiming = [this](bool patient) {
        link_.setTiming(patient ? ExchangeTiming::Patient : ExchangeTiming::Quick);
    };
    PatientTiming1_->setChecked(LoadPatientTiming());
    applyTiming(PatientTiming1_->isChecked());
    connect(PatientTiming1_, &QAction::toggled, this, [applyTiming](bool checked) {
        applyTiming(checked);
        StorePatientTiming(checked);
    });
    const auto applyPacing = [this](bool fast) {
        link_.setUploadPacing(fast ? UploadPacing::Fast : UploadPacing::Paced);
    };
    FastUpload1_->setChecked(LoadFastUpload());
    applyPacing(FastUpload1_->isChecked());
    connect(FastUpload1_, &QAction::toggled, this, [applyPacing](bool checked) {
        applyPacing(checked);
        StoreFastUpload(checked);
    });
    connect(LogConsole1_, &QAction::triggered, this, &MainMenu::LogConsole1Click);
}

MainMenu::~MainMenu()
{
    StopConsoleLog();
}

QAction* MainMenu::option(const QString& caption, const QString& objectName,
                          const QString& statusTip)
{
    // Every Options item is a checkable setting.
    QAction* action = Options1_->addAction(caption);
    action->setObjectName(objectName);
    action->setCheckable(true);
    action->setStatusTip(statusTip);
    return action;
}

void MainMenu::bindTerminal(TerminalWindow& terminal)
{
    TerminalReconnect1_->setChecked(LoadTerminalReconnect());
    terminal.SetReconnect(TerminalReconnect1_->isChecked());
    connect(TerminalReconnect1_, &QAction::toggled, this, [&terminal](bool checked) {
        terminal.SetReconnect(checked);
        StoreTerminalReconnect(checked);
    });
}

void MainMenu::LogConsole1Click()
{
    if (consoleLog_) {
        StopConsoleLog();
        return;
    }
    LogConsole1_->setChecked(false);
    // Appended to, never replaced: no question about overwriting.
    const QString path = QFileDialog::getSaveFileName(
        &window_, QStringLiteral("Log Console to File"), QDir::homePath(), QString(), nullptr,
        QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty()) {
        StartConsoleLog(path);
    }
}

bool MainMenu::StartConsoleLog(const QString& path)
{
    StopConsoleLog();
    std::string error;
    consoleLog_ =
        ConsoleLogFile::Open(QFile::encodeName(path).toStdString(),
                             LogRawBytes1_->isChecked() ? ConsoleLogFile::Mode::RawReceived
                                                        : ConsoleLogFile::Mode::Lines,
                             &error);
    if (!consoleLog_) {
        Prompts().error(&window_, QStringLiteral("Unable to log the console: ") +
                                      QString::fromLocal8Bit(error.c_str()));
        return false;
    }
    ConsoleLogFile::SetActive(consoleLog_.get());
    LogConsole1_->setChecked(true);
    QStatusBar* status = window_.statusBar();
    if (logStatus_ == nullptr) {
        logStatus_ = new QLabel(status);
        logStatus_->setObjectName(QStringLiteral("lblConsoleLog"));
        status->addPermanentWidget(logStatus_, 1);
    }
    logStatus_->setText(
        QStringLiteral("Logging the console to ") + path +
        (LogRawBytes1_->isChecked() ? QStringLiteral(" (raw bytes received)") : QString()));
    status->show();
    return true;
}

void MainMenu::StopConsoleLog()
{
    ConsoleLogFile::SetActive(nullptr);
    consoleLog_.reset();
    LogConsole1_->setChecked(false);
    if (logStatus_ != nullptr) {
        window_.statusBar()->hide();
    }
}

} // namespace kora
