#include "app/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "app/CompanionProgram.h"
#include "app/KoraAboutDialog.h"
#include "app/KoraInitDialog.h"
#include "app/KoraRunDialog.h"
#include "app/UtilitySettings.h"
#include "app/WindowDivision.h"
#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "ioconf/IoConfigController.h"
#include "link/ComPortBox.h"
#include "link/ComPortScan.h"
#include "link/ConsoleLogFile.h"
#include "link/DeviceControls.h"
#include "link/DeviceLink.h"
#include "link/GuiDeviceOperation.h"
#include "link/SerialPort.h"
#include "local/LocalPanel.h"
#include "terminal/TerminalWindow.h"
#include "transfer/CopyToDeviceController.h"
#include "transfer/UploadAndRunController.h"
#include "ui/ToolIcons.h"
#include "ui/UserPrompts.h"

namespace kora {
namespace {

constexpr int kButtonColumnWidth = 40;
constexpr int kSplitterWidth = 3;
constexpr int kLocalPanelMinWidth = 150;
constexpr int kTerminalPaneMinHeight = 50;

} // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("KORA-7740P Utility (Ver 1.10)"));
    buildMenu();

    // The upper area over the terminal pane, with splHori between them.
    clientSplitter_ = new QSplitter(Qt::Vertical, this);
    clientSplitter_->setObjectName(QStringLiteral("pnlClient"));
    clientSplitter_->setHandleWidth(kSplitterWidth);
    clientSplitter_->setChildrenCollapsible(false);
    setCentralWidget(clientSplitter_);

    // Local panel, Splitter1, button column, Splitter2, device panel.
    pnlUpper_ = new QSplitter(Qt::Horizontal, clientSplitter_);
    pnlUpper_->setObjectName(QStringLiteral("pnlUpper"));
    pnlUpper_->setHandleWidth(kSplitterWidth);
    pnlUpper_->setChildrenCollapsible(false);
    pnlLocal_ = new LocalPanel(pnlUpper_);
    pnlLocal_->setMinimumWidth(kLocalPanelMinWidth);
    pnlUpper_->addWidget(pnlLocal_);
    pnlUpper_->addWidget(buildButtonColumn());
    pnlKora_ = new DevicePanel(pnlUpper_);
    pnlUpper_->addWidget(pnlKora_);
    pnlUpper_->handle(1)->setObjectName(QStringLiteral("Splitter1"));
    pnlUpper_->handle(2)->setObjectName(QStringLiteral("Splitter2"));
    // The device panel takes whatever the window gains or loses.
    pnlUpper_->setStretchFactor(0, 0);
    pnlUpper_->setStretchFactor(1, 0);
    pnlUpper_->setStretchFactor(2, 1);
    clientSplitter_->addWidget(pnlUpper_);

    buildTerminalPane();
    clientSplitter_->addWidget(meoDos_);
    clientSplitter_->handle(1)->setObjectName(QStringLiteral("splHori"));
    clientSplitter_->setStretchFactor(0, 1);
    clientSplitter_->setStretchFactor(1, 0);

    for (QSplitter* splitter : {pnlUpper_, clientSplitter_}) {
        connect(splitter, &QSplitter::splitterMoved, this, [this] { divideOnResize_ = false; });
    }
    connect(Exit1_, &QAction::triggered, this, &TfrmMain::Exit1Click);
    connect(About1_, &QAction::triggered, this, &TfrmMain::About1Click);
    connect(pnlLocal_->tbtnLocalRun(), &QToolButton::clicked, this, &TfrmMain::tbtnLocalRunClick);
    pnlKora_->cbxKora()->installEventFilter(this);
    deviceLink_ = std::make_unique<DeviceLink>();
    PatientTiming1_->setChecked(LoadPatientTiming());
    PatientTiming1Click(PatientTiming1_->isChecked());
    connect(PatientTiming1_, &QAction::toggled, this, [this](bool checked) {
        PatientTiming1Click(checked);
        StorePatientTiming(checked);
    });
    connect(LogConsole1_, &QAction::triggered, this, &TfrmMain::LogConsole1Click);
    FastUpload1_->setChecked(LoadFastUpload());
    FastUpload1Click(FastUpload1_->isChecked());
    connect(FastUpload1_, &QAction::toggled, this, [this](bool checked) {
        FastUpload1Click(checked);
        StoreFastUpload(checked);
    });
    createDeviceController();
    createCopyController();
    createUploadAndRunController();
    centreOnDesktop();
}

TfrmMain::~TfrmMain()
{
    FormDestroy();
}

void TfrmMain::centreOnDesktop()
{
    // The window opens maximised; restored, it sits in the middle of the desktop.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        resize(desktop.width() * 3 / 4, desktop.height() * 3 / 4);
        move(desktop.center() - rect().center());
    }
}

void TfrmMain::buildMenu()
{
    MainMenu1_ = menuBar();
    MainMenu1_->setObjectName(QStringLiteral("MainMenu1"));
    File1_ = MainMenu1_->addMenu(QStringLiteral("&File"));
    File1_->setObjectName(QStringLiteral("File1"));
    Exit1_ = File1_->addAction(QStringLiteral("Exit"));
    Exit1_->setObjectName(QStringLiteral("Exit1"));
    Options1_ = MainMenu1_->addMenu(QStringLiteral("&Options"));
    Options1_->setObjectName(QStringLiteral("Options1"));
    // Every Options item is a checkable setting.
    const auto option = [this](const QString& caption, const QString& objectName,
                               const QString& statusTip = QString()) {
        QAction* action = Options1_->addAction(caption);
        action->setObjectName(objectName);
        action->setCheckable(true);
        action->setStatusTip(statusTip);
        return action;
    };
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
    Help1_ = MainMenu1_->addMenu(QStringLiteral("&Help"));
    Help1_->setObjectName(QStringLiteral("Help1"));
    About1_ = Help1_->addAction(QStringLiteral("About..."));
    About1_->setObjectName(QStringLiteral("About1"));
}

QWidget* TfrmMain::buildButtonColumn()
{
    pnlBtn_ = new QWidget(pnlUpper_);
    pnlBtn_->setObjectName(QStringLiteral("pnlBtn"));
    pnlBtn_->setFixedWidth(kButtonColumnWidth);
    auto* layout = new QVBoxLayout(pnlBtn_);
    layout->setContentsMargins(2, 0, 2, 0);
    btnCopy_ = new QPushButton(pnlBtn_);
    btnCopy_->setObjectName(QStringLiteral("btnCopy"));
    btnCopy_->setToolTip(QStringLiteral("Copy file to KORA"));
    btnCopy_->setIcon(MakeToolIcon(ToolIcon::CopyToDevice));
    btnCopy_->setIconSize(QSize(24, 24));
    btnCopy_->setFixedSize(kButtonColumnWidth - 6, 40);
    layout->addStretch(1);
    layout->addWidget(btnCopy_, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return pnlBtn_;
}

void TfrmMain::buildTerminalPane()
{
    meoDos_ = new QPlainTextEdit(clientSplitter_);
    meoDos_->setObjectName(QStringLiteral("meoDos"));
    meoDos_->setReadOnly(true);
    meoDos_->setLineWrapMode(QPlainTextEdit::NoWrap);
    meoDos_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meoDos_->setMinimumHeight(kTerminalPaneMinHeight);
    meoDos_->viewport()->setCursor(Qt::IBeamCursor);
    // Its pop-up menu is the terminal's own.
    meoDos_->setContextMenuPolicy(Qt::CustomContextMenu);

    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPixelSize(17);
    meoDos_->setFont(font);

    // Green on the menu colour while it is a log; the terminal recolours it while on.
    QPalette palette = meoDos_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    palette.setColor(QPalette::Text, QColor(0, 128, 0));
    meoDos_->setPalette(palette);
}

void TfrmMain::FormCreate()
{
    auto dialog = std::make_unique<TdlgKoraInit>(this);
    connect(dialog.get(), &TdlgKoraInit::labelTextChanged, this, &TfrmMain::startupProgress);
    dialog->show();
    dialog->ChangeLabelText(QStringLiteral("Scanning local system..."));
    locateSpecialFolders();
    createIoConfigController();

    dialog->ChangeLabelText(QStringLiteral("Scanning COM port..."));
    ScanComPort();

    dialog->ChangeLabelText(QStringLiteral("Constructing local view..."));
    constructLocalView();

    dialog->ChangeLabelText(QStringLiteral("Starting COM thread..."));
    selectStartViews();
    createTerminalThreads();

    dialog->ChangeLabelText(QStringLiteral("Initialization done!!"));
    dialog->close();
}

void TfrmMain::locateSpecialFolders()
{
    // The I/O configuration file lives in the user's documents folder, which is created when
    // the desktop has not made it yet.
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        documents = QDir::homePath();
    }
    QDir().mkpath(documents);
    IOConfigPath = QDir(documents).filePath(QStringLiteral("K7740PIO.cfg"));
}

void TfrmMain::createDeviceController()
{
    // Every device operation runs on the link's port, with the hourglass, its lines in the
    // terminal pane and its error box over this window.
    DevicePanelController::Wiring wiring;
    wiring.run = [this](const DeviceOperation& op) {
        return RunGuiDeviceOperation(*deviceLink_, this, *meoDos_, op);
    };
    wiring.runProgram = [this](const QString& name) { RunDeviceProgram(name); };
    wiring.dialogParent = this;
    deviceController_ =
        std::make_unique<DevicePanelController>(*pnlKora_, *deviceLink_, std::move(wiring));
}

void TfrmMain::createIoConfigController()
{
    IoConfigController::Wiring wiring;
    wiring.link = deviceLink_.get();
    wiring.meoDos = meoDos_;
    wiring.configPath = IOConfigPath;
    wiring.dialogParent = this;
    ioConfigController_ = std::make_unique<IoConfigController>(std::move(wiring));
    connect(pnlKora_->tbtnKoraConf(), &QToolButton::clicked, ioConfigController_.get(),
            &IoConfigController::tbtnKoraConfClick);
}

void TfrmMain::createCopyController()
{
    CopyToDeviceController::Wiring wiring;
    wiring.link = deviceLink_.get();
    wiring.localPanel = pnlLocal_;
    wiring.devicePanel = pnlKora_;
    wiring.browser = &deviceController_->browser();
    wiring.meoDos = meoDos_;
    wiring.dialogParent = this;
    copyController_ = std::make_unique<CopyToDeviceController>(wiring);
    connect(btnCopy_, &QPushButton::clicked, copyController_.get(),
            &CopyToDeviceController::btnCopyClick);
}

void TfrmMain::createUploadAndRunController()
{
    // The terminal is made later in start-up; the item reaches it when it is used.
    UploadAndRunController::Wiring wiring;
    wiring.link = deviceLink_.get();
    wiring.localPanel = pnlLocal_;
    wiring.copy = copyController_.get();
    wiring.browser = &deviceController_->browser();
    wiring.meoDos = meoDos_;
    wiring.dialogParent = this;
    wiring.terminalOn = [this] { return terminal_ && terminal_->IsOn(); };
    wiring.toggleTerminal = [this] {
        if (terminal_) {
            terminal_->tbtnDOSCmdClick();
        }
    };
    wiring.switchTerminalOnWith = [this](const TerminalSession::StartAction& start) {
        return terminal_ && terminal_->SwitchOnWith(start);
    };
    uploadAndRun_ = std::make_unique<UploadAndRunController>(std::move(wiring));
}

void TfrmMain::PatientTiming1Click(bool checked)
{
    deviceLink_->setTiming(checked ? ExchangeTiming::Patient : ExchangeTiming::Quick);
}

void TfrmMain::LogConsole1Click()
{
    if (consoleLog_) {
        StopConsoleLog();
        return;
    }
    LogConsole1_->setChecked(false);
    // Appended to, never replaced: no question about overwriting.
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Log Console to File"), QDir::homePath(),
                                     QString(), nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty()) {
        StartConsoleLog(path);
    }
}

bool TfrmMain::StartConsoleLog(const QString& path)
{
    StopConsoleLog();
    std::string error;
    consoleLog_ =
        ConsoleLogFile::Open(QFile::encodeName(path).toStdString(),
                             LogRawBytes1_->isChecked() ? ConsoleLogFile::Mode::RawReceived
                                                        : ConsoleLogFile::Mode::Lines,
                             &error);
    if (!consoleLog_) {
        Prompts().error(this, QStringLiteral("Unable to log the console: ") +
                                  QString::fromLocal8Bit(error.c_str()));
        return false;
    }
    ConsoleLogFile::SetActive(consoleLog_.get());
    LogConsole1_->setChecked(true);
    if (logStatus_ == nullptr) {
        logStatus_ = new QLabel(statusBar());
        logStatus_->setObjectName(QStringLiteral("lblConsoleLog"));
        statusBar()->addPermanentWidget(logStatus_, 1);
    }
    logStatus_->setText(
        QStringLiteral("Logging the console to ") + path +
        (LogRawBytes1_->isChecked() ? QStringLiteral(" (raw bytes received)") : QString()));
    statusBar()->show();
    return true;
}

void TfrmMain::StopConsoleLog()
{
    ConsoleLogFile::SetActive(nullptr);
    consoleLog_.reset();
    LogConsole1_->setChecked(false);
    if (logStatus_ != nullptr) {
        statusBar()->hide();
    }
}

void TfrmMain::FastUpload1Click(bool checked)
{
    deviceLink_->setUploadPacing(checked ? UploadPacing::Fast : UploadPacing::Paced);
}

void TfrmMain::ScanComPort()
{
    // The ports folder follows KORA_PORT_DIR, so a test sees only the ports it made.
    deviceLink_->setPortName(deviceController_->ScanComPort(ScanComPorts(SystemComPortSources())));
    comPortBox_ = std::make_unique<ComPortBox>(*pnlKora_->cbxCOM(), SystemComPortSources());
}

void TfrmMain::constructLocalView()
{
    pnlLocal_->ShowDrivesFolder();
}

void TfrmMain::selectStartViews()
{
    QComboBox* pathBox = pnlLocal_->cbxLocal();
    pathBox->setFocus(Qt::OtherFocusReason);
    if (QLineEdit* edit = pathBox->lineEdit()) {
        edit->selectAll();
    }
    pnlLocal_->tbtnLocalDtIcon()->setChecked(true);
    pnlKora_->tbtnKoraDtIcon()->setChecked(true);
}

void TfrmMain::createTerminalThreads()
{
    // The byte queue and the receive and output threads, paused: they run only while the
    // terminal is on, which holds the port.
    TerminalWindow::Widgets widgets;
    widgets.meoDos = meoDos_;
    widgets.tbtnDOSCmd = pnlKora_->tbtnDOSCmd();
    widgets.dialogParent = this;
    terminal_ = std::make_unique<TerminalWindow>(widgets, *deviceLink_);
    TerminalReconnect1_->setChecked(LoadTerminalReconnect());
    terminal_->SetReconnect(TerminalReconnect1_->isChecked());
    connect(TerminalReconnect1_, &QAction::toggled, this, [this](bool checked) {
        terminal_->SetReconnect(checked);
        StoreTerminalReconnect(checked);
    });
    bindDeviceControls();
}

void TfrmMain::bindDeviceControls()
{
    // While the terminal, a copy or the I/O configuration holds the port, nothing else that
    // works on the controller can be started.
    deviceControls_ = std::make_unique<DeviceControls>(*deviceLink_);
    DevicePanel& device = *pnlKora_;
    for (QWidget* control : std::initializer_list<QWidget*>{
             device.tbtnKoraConf(), device.tbtnKoraUp(), device.tbtnRefresh(),
             device.tbtnKoraLgIcon(), device.tbtnKoraSmIcon(), device.tbtnKoraLsIcon(),
             device.tbtnKoraDtIcon(), device.cbxCOM(), device.cbxKora(), device.lstviewKora(),
             btnCopy_}) {
        deviceControls_->add(control);
    }
    deviceControls_->add(device.tbtnDOSCmd(), PortHolder::Terminal);
}

void TfrmMain::RunDeviceProgram(const QString& name)
{
    if (terminal_) {
        terminal_->RunProgram(name);
    }
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        divideOnResize_ = true;
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    const WindowDivision division =
        DivideWindowSpace(width(), height(), kButtonColumnWidth, kSplitterWidth);
    const int upperWidth = pnlUpper_->width();
    const int deviceWidth = std::max(0, upperWidth - division.localPanelWidth - kButtonColumnWidth -
                                            2 * kSplitterWidth);
    pnlUpper_->setSizes({division.localPanelWidth, kButtonColumnWidth, deviceWidth});
    const int clientHeight = clientSplitter_->height();
    const int upperHeight =
        std::max(0, clientHeight - division.terminalPaneHeight - kSplitterWidth);
    clientSplitter_->setSizes({upperHeight, division.terminalPaneHeight});
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (divideOnResize_) {
        FormShow();
    }
}

bool TfrmMain::ConfirmExit()
{
    Prompts().beep();
    return Prompts().confirm(this, QStringLiteral("Are you sure to exit?"));
}

void TfrmMain::Exit1Click()
{
    if (!ConfirmExit()) {
        return;
    }
    exitConfirmed_ = true;
    close();
    QCoreApplication::quit();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    FormClose(*event);
}

void TfrmMain::FormClose(QCloseEvent& event)
{
    // After "Exit" was confirmed the window closes without asking again.
    if (exitConfirmed_ || ConfirmExit()) {
        exitConfirmed_ = true;
        event.accept();
    } else {
        event.ignore();
    }
}

void TfrmMain::tbtnLocalRunClick()
{
    const auto dialog = std::make_unique<TdlgKoraRun>(this);
    if (dialog->exec() != QDialog::Accepted) {
        return;
    }
    // The companion program may want the serial port: a running terminal lets go of it first.
    if (terminal_ && terminal_->IsOn()) {
        terminal_->tbtnDOSCmdClick();
    }
    const QString commandLine = dialog->ConfirmedCommandLine();
    if (!StartCommandLine(commandLine)) {
        Prompts().error(this, RunFailedMessage(commandLine));
    }
}

void TfrmMain::About1Click()
{
    const auto dialog = std::make_unique<TdlgKoraAbout>(this);
    dialog->exec();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pnlKora_->cbxKora() && event->type() == QEvent::KeyPress) {
        return cbxKoraKeyPress(static_cast<QKeyEvent&>(*event));
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TfrmMain::cbxKoraKeyPress(QKeyEvent& event)
{
    // Typed characters are discarded; navigation keys still work.
    return !event.text().isEmpty() && event.text().at(0).isPrint();
}

void TfrmMain::FormDestroy()
{
    StopConsoleLog();
    stopTerminalThreads();
    releaseTerminalQueue();
    closeTerminalPort();
}

void TfrmMain::stopTerminalThreads()
{
    // The output thread, then the receive thread: a running one is asked to end and waited
    // for before anything it uses is released; a paused one is deleted without waiting.
    if (terminal_) {
        terminal_->ShutdownThreads();
    }
}

void TfrmMain::releaseTerminalQueue()
{
    // The byte queue between the two terminal threads goes once both have ended.
    if (terminal_) {
        terminal_->ShutdownQueue();
    }
}

void TfrmMain::closeTerminalPort()
{
    if (terminal_) {
        terminal_->ShutdownPort();
        terminal_.reset();
    }
}

} // namespace kora
