#include "app/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>

#include "app/KoraAboutDialog.h"
#include "app/KoraInitDialog.h"
#include "app/KoraRunDialog.h"
#include "app/TransferWiring.h"
#include "app/UtilitySettings.h"
#include "app/WindowDivision.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "ioconf/IoConfigController.h"
#include "link/ComPortBox.h"
#include "link/ComPortScan.h"
#include "link/DeviceControls.h"
#include "link/DeviceLink.h"
#include "link/GuiDeviceOperation.h"
#include "local/LocalPanel.h"
#include "terminal/TerminalPane.h"
#include "terminal/TerminalWindow.h"
#include "transfer/CopyToDeviceController.h"
#include "ui/UserPrompts.h"

namespace kora {
namespace {

constexpr int kButtonColumnWidth = 40;
constexpr int kSplitterWidth = 3;
constexpr int kLocalPanelMinWidth = 150;

} // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QMainWindow(parent), deviceLink_(std::make_unique<DeviceLink>()),
      menu_(std::make_unique<MainMenu>(*this, *deviceLink_))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("KORA-7740P Utility (Ver 1.10)"));

    // The upper area over the terminal pane, with splHori between them; in the upper area the
    // local panel, Splitter1, the button column, Splitter2 and the device panel.
    clientSplitter_ = addSplitter(Qt::Vertical, QStringLiteral("pnlClient"), this);
    setCentralWidget(clientSplitter_);
    pnlUpper_ = addSplitter(Qt::Horizontal, QStringLiteral("pnlUpper"), clientSplitter_);
    pnlLocal_ = new LocalPanel(pnlUpper_);
    pnlLocal_->setMinimumWidth(kLocalPanelMinWidth);
    pnlUpper_->addWidget(pnlLocal_);
    const CopyButtonColumn column = MakeCopyButtonColumn(pnlUpper_, kButtonColumnWidth);
    btnCopy_ = column.btnCopy;
    pnlUpper_->addWidget(column.pnlBtn);
    pnlKora_ = new DevicePanel(pnlUpper_);
    pnlUpper_->addWidget(pnlKora_);
    pnlUpper_->handle(1)->setObjectName(QStringLiteral("Splitter1"));
    pnlUpper_->handle(2)->setObjectName(QStringLiteral("Splitter2"));
    // The device panel takes whatever the window gains or loses.
    pnlUpper_->setStretchFactor(0, 0);
    pnlUpper_->setStretchFactor(1, 0);
    pnlUpper_->setStretchFactor(2, 1);
    clientSplitter_->addWidget(pnlUpper_);
    meoDos_ = MakeTerminalPane(clientSplitter_);
    clientSplitter_->addWidget(meoDos_);
    clientSplitter_->handle(1)->setObjectName(QStringLiteral("splHori"));
    clientSplitter_->setStretchFactor(0, 1);
    clientSplitter_->setStretchFactor(1, 0);

    connect(Exit1(), &QAction::triggered, this, &TfrmMain::Exit1Click);
    connect(About1(), &QAction::triggered, this, &TfrmMain::About1Click);
    connect(pnlLocal_->tbtnLocalRun(), &QToolButton::clicked, this, &TfrmMain::tbtnLocalRunClick);
    createDeviceController();
    createTransferWiring();

    // The window opens maximised; restored, it sits in the middle of the desktop.
    CentreOnDesktop(*this);
}

TfrmMain::~TfrmMain()
{
    FormDestroy();
}

QSplitter* TfrmMain::addSplitter(Qt::Orientation orientation, const QString& objectName,
                                 QWidget* parent)
{
    auto* splitter = new QSplitter(orientation, parent);
    splitter->setObjectName(objectName);
    splitter->setHandleWidth(kSplitterWidth);
    splitter->setChildrenCollapsible(false);
    connect(splitter, &QSplitter::splitterMoved, this, [this] { divideOnResize_ = false; });
    return splitter;
}

void TfrmMain::FormCreate()
{
    auto dialog = std::make_unique<TdlgKoraInit>(this);
    connect(dialog.get(), &TdlgKoraInit::labelTextChanged, this, &TfrmMain::startupProgress);
    dialog->show();
    dialog->ChangeLabelText(QStringLiteral("Scanning local system..."));
    IOConfigPath = IoConfigFilePath();
    createIoConfigController();

    dialog->ChangeLabelText(QStringLiteral("Scanning COM port..."));
    ScanComPort();

    dialog->ChangeLabelText(QStringLiteral("Constructing local view..."));
    pnlLocal_->ShowDrivesFolder();

    dialog->ChangeLabelText(QStringLiteral("Starting COM thread..."));
    selectStartViews();
    createTerminalThreads();

    dialog->ChangeLabelText(QStringLiteral("Initialization done!!"));
    dialog->close();
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

void TfrmMain::createTransferWiring()
{
    transfers_ = std::make_unique<TransferWiring>(
        TransferWiring::Parts{deviceLink_.get(), pnlLocal_, pnlKora_, deviceController_.get(),
                              btnCopy_, meoDos_, this, [this] { return terminal_.get(); }});
}

CopyFromDeviceController* TfrmMain::copyFromController() const
{
    return transfers_->copyFromController();
}

void TfrmMain::ScanComPort()
{
    // The ports folder follows KORA_PORT_DIR, so a test sees only the ports it made.
    deviceLink_->setPortName(deviceController_->ScanComPort(ScanComPorts(SystemComPortSources())));
    comPortBox_ = std::make_unique<ComPortBox>(*pnlKora_->cbxCOM(), SystemComPortSources());
}

void TfrmMain::selectStartViews()
{
    QComboBox* pathBox = pnlLocal_->pathBox();
    pathBox->setFocus(Qt::OtherFocusReason);
    if (QLineEdit* edit = pathBox->lineEdit()) {
        edit->selectAll();
    }
    pnlLocal_->viewStyleButton(FileViewStyle::Report)->setChecked(true);
    pnlKora_->viewStyleButton(FileViewStyle::Report)->setChecked(true);
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
    menu_->bindTerminal(*terminal_);

    // While the terminal, a copy or the I/O configuration holds the port, nothing else that
    // works on the controller can be started.
    deviceControls_ = std::make_unique<DeviceControls>(*deviceLink_);
    for (QWidget* control : pnlKora_->portControls()) {
        deviceControls_->add(control);
    }
    deviceControls_->add(btnCopy_);
    deviceControls_->add(pnlKora_->tbtnDOSCmd(), PortHolder::Terminal);
}

void TfrmMain::RunDeviceProgram(const QString& name)
{
    transfers_->RunDeviceProgram(name.toLatin1().toStdString());
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
    DivideWindow(*pnlUpper_, *clientSplitter_, size(), kButtonColumnWidth, kSplitterWidth);
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
    // The companion program may want the serial port: a running terminal lets go of it first.
    RunCompanionProgram(this, [this] {
        if (terminal_ && terminal_->IsOn()) {
            terminal_->tbtnDOSCmdClick();
        }
    });
}

void TfrmMain::About1Click()
{
    const auto dialog = std::make_unique<TdlgKoraAbout>(this);
    dialog->exec();
}

void TfrmMain::FormDestroy()
{
    StopConsoleLog();
    // A running thread is asked to end and waited for before anything it uses is released; a
    // paused one is deleted without waiting. The queue goes once both have ended.
    if (terminal_) {
        terminal_->ShutdownThreads();
        terminal_->ShutdownQueue();
        terminal_->ShutdownPort();
        terminal_.reset();
    }
}

} // namespace kora
