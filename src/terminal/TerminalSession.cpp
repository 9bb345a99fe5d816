#include "terminal/TerminalSession.h"

#include "link/PortFailureText.h"
#include "link/SerialPort.h"
#include "terminal/ByteQueue.h"
#include "terminal/KoraComReceiver.h"
#include "terminal/KoraPrinterThread.h"
#include "terminal/TerminalKeys.h"

#include <QObject>

#include <thread>

namespace kora {

namespace {
// What Enter sends: on start the console answers it with a fresh prompt.
constexpr std::uint8_t kEnterKey = 13;
constexpr std::chrono::milliseconds kAroundKeystroke{1};

// Clears the keystroke guard for the length of one send.
class KeystrokeInProgress {
public:
    explicit KeystrokeInProgress(std::uint8_t& keyInputFree) : flag_(keyInputFree) { flag_ = 0; }
    ~KeystrokeInProgress() { flag_ = 1; }
    KeystrokeInProgress(const KeystrokeInProgress&) = delete;
    KeystrokeInProgress& operator=(const KeystrokeInProgress&) = delete;

private:
    std::uint8_t& flag_;
};
} // namespace

void TerminalSession::SleepWait(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

TerminalSession::TerminalSession(TerminalScreen& pane)
    : TerminalQueue(std::make_unique<ByteQueue>()),
      ComReceiver(std::make_unique<KoraComReceiver>(true)),
      PrinterThread(std::make_unique<KoraPrinterThread>(true)),
      deferred_(std::make_unique<QObject>())
{
    ComReceiver->SetQueue(TerminalQueue.get());
    ComReceiver->SetLineLostHook([this] { NoticeLineLost(); });
    PrinterThread->SetMemo(&pane);
    PrinterThread->SetQueue(TerminalQueue.get());
}

TerminalSession::~TerminalSession()
{
    StopThreads();
    ReleaseQueue();
    ClosePort();
}

void TerminalSession::StopThreads()
{
    PrinterThread.reset();
    ComReceiver.reset();
}

void TerminalSession::ReleaseQueue()
{
    TerminalQueue.reset();
}

void TerminalSession::ClosePort()
{
    if (TerminalPort) {
        TerminalPort->Close();
        TerminalPort.reset();
    }
}

bool TerminalSession::SwitchOn(const std::string& portName)
{
    return SwitchOn(portName, StartAction());
}

bool TerminalSession::SwitchOn(const std::string& portName, const StartAction& start)
{
    if (IsOn() || !PrinterThread || !ComReceiver) {
        return true;
    }
    auto port = std::make_unique<SerialPort>(portName);
    openFailureHint_.clear();
    startFailed_ = false;
    if (!port->Open()) {
        openFailureHint_ = KnownOpenFailureReason(*port);
        return false;
    }
    // Not checked: a line that refused its settings shows the user garbage or nothing.
    static_cast<void>(port->SetCommParams(57600, 8, Parity::None, StopBits::One));
    if (start) {
        const std::uint8_t lineEnd = port->LineEnd;
        if (!start(*port)) {
            startFailed_ = true;
            return false; // the port closes here
        }
        port->LineEnd = lineEnd;
    }
    port->SetTimeouts(kPortTimeoutMs);
    TerminalPort = std::move(port);
    ++session_;
    ComReceiver->SetPort(TerminalPort.get());
    // Before the receiver runs: from then on the port is its own except while it is paused.
    // After a start the console is busy with what it started: what it sends is still unread.
    if (!start) {
        Write(&kEnterKey, 1);
    }
    ComReceiver->Resume();
    PrinterThread->Resume();
    KeyInputFree = 1;
    return true;
}

void TerminalSession::SwitchOff()
{
    if (!IsOn()) {
        return;
    }
    PauseThreads();
    if (PrinterThread && ComReceiver) {
        // Otherwise a flood cut off here would leave the pane frozen while it serves as the log.
        PrinterThread->ResumeRepainting();
        ComReceiver->SetPort(nullptr);
    }
    ClosePort();
}

bool TerminalSession::TypeCharacter(std::uint8_t byte, const Wait& wait)
{
    if (!IsOn()) {
        return false;
    }
    if (KeyInputFree != 1) {
        return true; // one keystroke at a time; this one is dropped
    }
    KeystrokeInProgress sending(KeyInputFree);
    PauseThreads();
    wait(kAroundKeystroke);
    Write(&byte, 1);
    wait(kAroundKeystroke);
    ResumeThreads();
    return true;
}

bool TerminalSession::SendSpecialKey(int qtKey)
{
    if (!IsOn() || KeyInputFree != 1) {
        return false;
    }
    const auto sequence = SpecialKeyBytes(qtKey);
    if (!sequence) {
        return false;
    }
    KeystrokeInProgress sending(KeyInputFree);
    // The receive thread reads the port on its own thread: it pauses for the write (the pause
    // cuts its wait for input short). The pane needs no pause, so the printer goes on.
    if (ComReceiver) {
        ComReceiver->Pause();
    }
    Write(sequence->data(), sequence->size());
    if (ComReceiver && IsOn()) {
        ComReceiver->Resume();
    }
    return true;
}

bool TerminalSession::HandleKey(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text,
                                const Wait& wait)
{
    if (SendSpecialKey(qtKey)) {
        return true;
    }
    const auto byte = KeystrokeByte(qtKey, modifiers, text);
    return byte && TypeCharacter(*byte, wait);
}

void TerminalSession::Paste(const std::vector<PasteStep>& steps, const Wait& wait)
{
    for (const PasteStep& step : steps) {
        if (!IsOn()) {
            return;
        }
        wait(step.before);
        PauseThreads();
        wait(step.afterPause);
        Write(&step.byte, 1);
        wait(step.afterWrite);
        ResumeThreads();
        wait(step.after);
    }
}

QString TerminalSession::OpenFailureText(const QString& portName)
{
    return QStringLiteral("Unable to open ") + portName + QStringLiteral(" !");
}

QString TerminalSession::LineLostText(const QString& portName)
{
    return QStringLiteral("Lost the connection to ") + portName + QStringLiteral(".");
}

void TerminalSession::PauseThreads()
{
    // The threads are gone only during shutdown, which may close a port that is still on.
    if (PrinterThread) {
        PrinterThread->Pause();
    }
    if (ComReceiver) {
        ComReceiver->Pause();
    }
}

void TerminalSession::ResumeThreads()
{
    if (!IsOn()) {
        return;
    }
    if (ComReceiver) {
        ComReceiver->Resume();
    }
    if (PrinterThread) {
        PrinterThread->Resume();
    }
}

bool TerminalSession::Write(const std::uint8_t* bytes, std::size_t count)
{
    if (!TerminalPort) {
        return false;
    }
    if (TerminalPort->Write(count, bytes, InputPurge::Keep)) {
        return true;
    }
    // A failed write is not reported: the character is lost, as on a noisy line. A line that
    // is gone is another matter.
    const IoFailure failure = TerminalPort->lastIoFailure();
    if (failure == IoFailure::HungUp || failure == IoFailure::NotOpen) {
        NoticeLineLost();
    }
    return false;
}

void TerminalSession::NoticeLineLost()
{
    if (!IsOn() || lineLostNoticedIn_ == session_) {
        return;
    }
    lineLostNoticedIn_ = session_;
    // Not here: a read runs inside a synchronised call, a write between a pause and a resume.
    QMetaObject::invokeMethod(
        deferred_.get(), [this, session = session_] { HandleLineLost(session); },
        Qt::QueuedConnection);
}

void TerminalSession::HandleLineLost(std::uint64_t session)
{
    if (!IsOn() || session != session_) {
        return; // switched off (and maybe on again) by the user meanwhile
    }
    const std::string portName = TerminalPort->portName();
    SwitchOff();
    if (lineLost_) {
        lineLost_(portName);
    }
}

} // namespace kora
