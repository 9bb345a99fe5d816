#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "guicall/GuiCallChannel.h"
#include "link/ConsoleExchange.h"
#include "link/ConsoleLog.h"
#include "link/SerialPort.h"
#include "link/UploadPacing.h"
#include "transfer/UploadEnd.h"
#include "transfer/XmodemProtocol.h"

namespace kora {

class SendFile;

// Uploads one PC file to the controller over an open port: types "C:\transfer /R <name>" with
// the echo check, waits for the receiver's NAK, sends 128-byte checksum blocks, ends with EOT
// and shows what the console prints afterwards. While it waits for the NAK, lines the console
// prints (a refused destination, say) are shown, and a prompt ends the wait at once: the tool
// is not running.
//
// An upload succeeds only when the controller kept the file. An ACK to the EOT with no closing
// line of failure says so; any other end (a CAN, an EOT never acknowledged, a closing line that
// says the receiver failed) is decided by a listing of the destination's folder on the same
// port: the file must be there with the size sent, and not be the entry EarlierEntry names
// (see transfer/UploadEnd.h). Every failure leaves its reason as the last status line (Status,
// and the last line shown in StatusMemo): a lost line gives the lost line's text.
//
// Use: construct (the thread does not run yet), set Port, StatusMemo, LocalPath and DeviceName,
// call Resume(), then poll TransferResult and Progress while letting the owner's thread
// process its events: the start command, the status lines and the closing output run there,
// on the thread that constructed the worker, while the worker waits.
// Destroy the object once TransferResult has left 1.
//
// The body runs on a standard thread rather than a QThread: waiting for a QThread goes through
// Qt's own locks, which the thread checker cannot see.
class TThreadXModem {
public:
    static constexpr const char* kCannotOpenSendFile = "<<Cannot Open Send File>>";
    static constexpr const char* kTransferringCancelled = "<<Transferring cancelled...>>";
    static constexpr const char* kNoAckFromDevice = "<<No ACK from KORA-7740P>>";
    static constexpr const char* kTransferringFile = "<<Transferring File...>>";
    static constexpr const char* kErrorReadingFile = "<<Error Reading File>>";
    static constexpr const char* kGetAckForEot = "<<Get ACK for EOT>>";
    static constexpr const char* kNoAckForEot = "<<No ACK for EOT>>";
    static constexpr const char* kCancelledByDevice = "<<KORA-7740P cancelled the transfer>>";
    static constexpr const char* kFileChanged =
        "<<The file changed while it was sent; KORA-7740P did not keep it>>";
    static constexpr const char* kEndRefused = "<<KORA-7740P refused the end of the file>>";
    static constexpr const char* kCheckingKept = "<<Checking that KORA-7740P kept the file>>";
    static constexpr const char* kKept = "<<KORA-7740P kept the file>>";

    static constexpr std::int32_t kRunning = 1;
    static constexpr std::int32_t kSucceeded = 0;
    static constexpr std::int32_t kFailed = -1;

    TThreadXModem();
    // Waits for the thread body to end. Should the owner destroy a running worker, the worker
    // is asked to cancel and its pending synchronised calls are served meanwhile, so the wait
    // cannot lock up against a worker that waits for this thread.
    ~TThreadXModem();
    TThreadXModem(const TThreadXModem&) = delete;
    TThreadXModem& operator=(const TThreadXModem&) = delete;

    // A status line as a message shows it: the worker's own lines without their "<<" and
    // ">>", the console's as they are.
    static std::string ReasonText(const std::string& status);

    // Starts the thread body; a second call does nothing.
    void Resume();
    // For an owner that waits without an event loop: serves the worker's synchronised calls
    // as they come and returns when the worker has ended or within has passed.
    void ServeCallsWithin(std::chrono::milliseconds within);

    // Set by the owner before Resume(); not owned.
    SerialPort* Port = nullptr;
    ConsoleLog* StatusMemo = nullptr;
    std::string LocalPath;
    std::string DeviceName;
    // The size the copy checked (against the free space, say). A file of another size when
    // the worker starts has changed since: it fails at once, before anything is typed.
    std::optional<std::uint64_t> CheckedLength;
    // The destination as a listing showed it before the upload, if the owner has one: after an
    // end that was not clean, a listing that still shows this very entry means the controller
    // kept the earlier file, not this one.
    std::optional<ListedFile> EarlierEntry;
    // How the drain before the start command and the read of the closing output decide that
    // the console has finished.
    ExchangeTiming Timing = ExchangeTiming::Quick;
    // Whether the next block waits 5 ms after an ACK or follows it at once.
    UploadPacing Pacing = UploadPacing::Paced;
    // What fills the last block up to 128 bytes (transfer/UploadPadding).
    std::uint8_t PadByte = 0x00;

    // Written by the owner only.
    std::atomic<bool> CancelRequested{false};
    // Written by the worker only: 1 while running, 0 on success, -1 on failure or cancel. It
    // leaves 1 once, at the worker's end.
    std::atomic<std::int32_t> TransferResult{kRunning};
    // Written by the worker only: the percentage of the file acknowledged so far.
    std::atomic<std::int32_t> Progress{0};

    // Written by the worker, read by the synchronised calls while the worker waits. Status is
    // the last status line shown; after a failure, its reason.
    std::string Command;
    std::string Status;
    bool EchoOk = false;

protected:
    // The thread body; its outcome is TransferResult.
    void Execute();

    // The synchronised calls: run on the GUI side while the worker waits.
    void SendStartCommand();
    void ShowStatus();
    void ReadTrailingOutput();
    void ListDestination();

private:
    enum class BlockOutcome { Acknowledged, Cancelled, ReceiverCancelled, NotAcknowledged };
    enum class StartOutcome { Started, Failed, FailedAtLineEnd };
    // How the receiver answered the EOT: ACK; CAN or the console's text (it has given up on
    // the file, or noise spoilt its ACK); nothing but NAKs and silence.
    enum class EndAnswer { Acknowledged, Refused, Unanswered };

    std::int32_t Transfer();
    StartOutcome TypeStartCommand();
    bool WaitForReceiver();
    bool SendFileBlocks(SendFile& file);
    BlockOutcome ExchangeBlock(SendFile& file, std::span<const std::uint8_t> data);
    void WriteBlock(const xmodem::Block& block);
    void RunCancelSequence(SendFile& file);
    void CancelReceiver();
    // A write whose failure shows in the answer read next (or in none), so its result is not
    // looked at.
    void WriteUnchecked(std::size_t count, const std::uint8_t* bytes);
    EndAnswer SendEndOfTransmission();
    // After an end that was not clean: the listing decides.
    bool CheckFileKept();
    // One byte of the receiver's answer under the port's time-out, or within the given wait;
    // notes a lost line.
    bool ReadAnswer(std::uint8_t& byte);
    bool ReadAnswer(std::uint8_t& byte, std::chrono::milliseconds within);
    void NoteLineState();
    void UpdateProgress();

    void Synchronize(const std::function<void()>& method);
    void SetStatusAndShow(const std::string& text);

    std::uint64_t fileLength_ = 0;
    std::uint64_t bytesAcknowledged_ = 0;
    bool fileChanged_ = false; // the file ended before its measured length
    std::uint32_t blockNumber_ = 1;
    // Where the echo check of the start command stopped: on its final carriage return the
    // tool may have started all the same.
    StartOutcome startOutcome_ = StartOutcome::Failed;
    // The end, as the synchronised calls saw it: the byte of console text that answered the
    // EOT, whether a closing line said the receiver failed, whether the console's prompt came
    // back, and what the listing of the destination said.
    std::string closingStart_;
    bool receiverFailed_ = false;
    bool closingPrompt_ = false;
    std::optional<std::string> checkFailure_;
    std::optional<std::string> notKept_;
    // Once the line hung up under the worker, it stays lost for this upload: a port that opened
    // again since must not make the rest look fine.
    bool lineLost_ = false;
    GuiCallChannel gui_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

} // namespace kora
