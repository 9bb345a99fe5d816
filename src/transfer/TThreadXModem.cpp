#include "transfer/TThreadXModem.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

#include "device/DeviceListing.h"
#include "link/ConsoleExchange.h"
#include "link/PortFailureText.h"
#include "transfer/SendFile.h"

namespace kora {

namespace {

constexpr int kReceiverWaitAttempts = 100;
constexpr auto kReceiverWaitPause = std::chrono::milliseconds(10);
// Counts transmissions and silent response reads of one block together.
constexpr int kBlockAttempts = 10;
constexpr int kEotAttempts = 10;
// How long the first EOT waits for its answer at least. Some receivers answer an EOT only after
// a second of silence (lrzsz's rx does), which the next EOT, 2 x T later, would break: they
// would never acknowledge, and every upload would end in a listing.
constexpr auto kFirstEotAnswerWait = std::chrono::milliseconds(2000);
// Keeps the exchange at the controller's pace after each response and each EOT; fast pacing
// leaves it out after an ACK only.
constexpr auto kResponsePause = std::chrono::milliseconds(5);
constexpr std::size_t kFileChunkSize = 4096;
// Lines read after the cancel bytes; a console that never stops printing must not keep the
// worker forever.
constexpr int kCancelOutputLineLimit = kConsoleLogMaxLines;

bool ContainsPrompt(const std::string& text)
{
    return text.find("C:\\") != std::string::npos || text.find("D:\\") != std::string::npos;
}

} // namespace

TThreadXModem::TThreadXModem() = default;

TThreadXModem::~TThreadXModem()
{
    if (!thread_.joinable()) {
        return;
    }
    CancelRequested.store(true);
    const bool canServe = gui_.OnDeliveryThread();
    while (!finished_.load()) {
        if (canServe) {
            gui_.ServePending();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    thread_.join();
}

std::string TThreadXModem::ReasonText(const std::string& status)
{
    if (status.size() >= 4 && status.starts_with("<<") && status.ends_with(">>")) {
        return status.substr(2, status.size() - 4);
    }
    return status;
}

void TThreadXModem::Resume()
{
    if (thread_.joinable()) {
        return;
    }
    thread_ = std::thread([this] { Execute(); });
}

void TThreadXModem::Execute()
{
    const std::int32_t result = Transfer();
    if (Port != nullptr) {
        NoteLineState();
    }
    if (result == kFailed && lineLost_) {
        // Whatever the worker was doing when the line went, this is why it failed: the same
        // text every operation gives for a lost line, on one status line.
        std::string message = LineLostMessage(Port->portName());
        if (const std::size_t gap = message.find("\n\n"); gap != std::string::npos) {
            message.replace(gap, 2, " ");
        }
        SetStatusAndShow("<<" + message + ">>");
    }
    finished_.store(true);
    TransferResult.store(result, std::memory_order_release);
    gui_.Wake();
}

void TThreadXModem::ServeCallsWithin(std::chrono::milliseconds within)
{
    gui_.ServeWithin(within);
}

std::int32_t TThreadXModem::Transfer()
{
    if (Port == nullptr || StatusMemo == nullptr) {
        return kFailed;
    }
    const auto length = SendFile::MeasureLength(LocalPath);
    if (!length) {
        SetStatusAndShow(kCannotOpenSendFile);
        return kFailed;
    }
    if (CheckedLength && *length != *CheckedLength) {
        SetStatusAndShow(kFileChanged);
        return kFailed;
    }
    fileLength_ = *length;

    PrepareConsole(*Port, Timing);

    Command = "C:\\transfer /R " + DeviceName + "\r";
    EchoOk = true;
    Synchronize([this] { SendStartCommand(); });
    if (!EchoOk) {
        // The final carriage return went out, so the tool may be running although its echo
        // was wrong or missing; then it would take the next console command for data.
        if (startOutcome_ == StartOutcome::FailedAtLineEnd) {
            CancelReceiver();
        }
        SetStatusAndShow("<<Unable to send command '" + Command.substr(0, Command.size() - 1) +
                         "'!>>");
        return kFailed;
    }
    // From here on the controller's receiver runs: every unsuccessful end other than its own
    // cancel (or a prompt, which says it is not running) sends CAN, or it would take the next
    // console command for data.
    if (!WaitForReceiver()) {
        return kFailed;
    }

    SendFile file;
    if (!file.Open(LocalPath)) {
        SetStatusAndShow(kCannotOpenSendFile);
        CancelReceiver();
        return kFailed;
    }
    SetStatusAndShow(kTransferringFile);
    blockNumber_ = 1;
    bytesAcknowledged_ = 0;
    // Exactly the length measured is sent. A file written to meanwhile would arrive as a mix
    // of old and new bytes, or longer than the free space allowed: it is cancelled instead of
    // ended, so that the controller does not keep it.
    const bool sameLength = file.openedStamp().size == fileLength_;
    if (!sameLength || !SendFileBlocks(file)) {
        if (!sameLength || fileChanged_) {
            SetStatusAndShow(kFileChanged);
            CancelReceiver();
        }
        return kFailed;
    }
    const SendFile::Stamp opened = file.openedStamp();
    file.Close();
    if (SendFile::StampAt(LocalPath) != opened) {
        SetStatusAndShow(kFileChanged);
        CancelReceiver();
        return kFailed;
    }

    const EndAnswer end = SendEndOfTransmission();
    if (end == EndAnswer::Unanswered) {
        // The receiver may still be waiting for a block: it would take the console's next
        // command for data.
        CancelReceiver();
    }
    Synchronize([this] { ReadTrailingOutput(); });
    if (lineLost_) {
        return kFailed;
    }
    // The clean end: nothing more to ask.
    if (end == EndAnswer::Acknowledged && !receiverFailed_) {
        return kSucceeded;
    }
    if (!closingPrompt_ && end != EndAnswer::Unanswered) {
        CancelReceiver(); // no prompt came back: the receiver may still run
    }
    return CheckFileKept() ? kSucceeded : kFailed;
}

bool TThreadXModem::CheckFileKept()
{
    SetStatusAndShow(kCheckingKept);
    Synchronize([this] { ListDestination(); });
    if (lineLost_) {
        return false;
    }
    if (checkFailure_) {
        SetStatusAndShow("<<Could not check that KORA-7740P kept the file: " + *checkFailure_ +
                         ">>");
        return false;
    }
    if (notKept_) {
        SetStatusAndShow("<<KORA-7740P did not keep the file: " + *notKept_ + ">>");
        return false;
    }
    SetStatusAndShow(kKept);
    return true;
}

bool TThreadXModem::WaitForReceiver()
{
    // Only NAK starts the transfer; 'C' (a request for the CRC variant) is just another byte.
    // Other bytes are the console's text. Its lines are shown (why the tool refused the
    // destination, say); a prompt says that the tool is not running, so the wait ends at once
    // and there is nothing to cancel.
    std::string line;
    for (int attempt = 0; attempt < kReceiverWaitAttempts; ++attempt) {
        std::uint8_t byte = 0;
        const bool received = ReadAnswer(byte);
        if (received) {
            if (byte == xmodem::NAK) {
                return true;
            }
            if (byte == '\r' || byte == '\n') {
                if (!line.empty()) {
                    SetStatusAndShow(line);
                }
                line.clear();
            } else {
                line.push_back(static_cast<char>(byte));
                if (IsPrompt(line)) {
                    SetStatusAndShow(kNoAckFromDevice);
                    return false;
                }
            }
        }
        if (CancelRequested.load()) {
            SetStatusAndShow(kTransferringCancelled);
            CancelReceiver();
            return false;
        }
        // The pause spaces out reads that found nothing; after a byte of the console's text the
        // NAK may already be waiting, and each byte still counts as an attempt.
        if (!received) {
            std::this_thread::sleep_for(kReceiverWaitPause);
        }
    }
    SetStatusAndShow(kNoAckFromDevice);
    CancelReceiver();
    return false;
}

bool TThreadXModem::SendFileBlocks(SendFile& file)
{
    std::array<std::uint8_t, kFileChunkSize> chunk{};
    // After the measured length, one more read must find the end: a byte there means the file
    // has grown.
    for (std::uint64_t left = fileLength_;;) {
        std::size_t count = 0;
        const auto outcome =
            file.ReadChunk(std::span<std::uint8_t>(chunk).first(std::max<std::uint64_t>(
                               1, std::min<std::uint64_t>(left, chunk.size()))),
                           count);
        if (left == 0 && outcome == SendFile::ReadOutcome::End) {
            return true;
        }
        if (outcome == SendFile::ReadOutcome::Error) {
            SetStatusAndShow(kErrorReadingFile);
            file.Close();
            CancelReceiver();
            return false;
        }
        if (outcome == SendFile::ReadOutcome::End || left == 0) {
            // Shorter or longer than when it was measured.
            fileChanged_ = true;
            file.Close();
            return false;
        }
        left -= count;
        for (std::size_t offset = 0; offset < count;) {
            const std::size_t length = std::min(xmodem::kDataSize, count - offset);
            const auto data = std::span<const std::uint8_t>(chunk).subspan(offset, length);
            switch (ExchangeBlock(file, data)) {
            case BlockOutcome::Acknowledged:
                offset += length;
                bytesAcknowledged_ += length;
                ++blockNumber_;
                UpdateProgress();
                break;
            case BlockOutcome::Cancelled:
                return false;
            case BlockOutcome::ReceiverCancelled:
                file.Close();
                SetStatusAndShow(kCancelledByDevice);
                return false;
            case BlockOutcome::NotAcknowledged:
                file.Close();
                SetStatusAndShow(kNoAckFromDevice);
                CancelReceiver();
                return false;
            }
        }
    }
}

TThreadXModem::BlockOutcome TThreadXModem::ExchangeBlock(SendFile& file,
                                                         std::span<const std::uint8_t> data)
{
    int attempts = 0;
    const xmodem::Block block = xmodem::BuildBlock(blockNumber_, data, PadByte);
    for (;;) {
        if (CancelRequested.load()) {
            RunCancelSequence(file);
            return BlockOutcome::Cancelled;
        }
        ++attempts;
        WriteBlock(block);

        // A silent read uses up an attempt as a retransmission does.
        std::optional<std::uint8_t> response;
        for (;;) {
            std::uint8_t byte = 0;
            if (ReadAnswer(byte)) {
                response = byte;
                break;
            }
            if (attempts >= kBlockAttempts) {
                break;
            }
            ++attempts;
        }
        if (Pacing == UploadPacing::Paced || response != xmodem::ACK) {
            std::this_thread::sleep_for(kResponsePause);
        }

        if (response == xmodem::NAK && attempts < kBlockAttempts) {
            continue;
        }
        if (response == xmodem::ACK) {
            return BlockOutcome::Acknowledged;
        }
        if (response == xmodem::CAN) {
            return BlockOutcome::ReceiverCancelled;
        }
        return BlockOutcome::NotAcknowledged;
    }
}

void TThreadXModem::WriteBlock(const xmodem::Block& block)
{
    // A block that did not go out whole is not acknowledged, which the answer read shows.
    if (Pacing == UploadPacing::Fast) {
        // At the line's pace the block goes out in one write, as other senders do: each write
        // costs a wake-up of the line's reader.
        WriteUnchecked(block.size(), block.data());
        return;
    }
    // Paced: header bytes one by one, then the data, then the checksum: five writes.
    WriteUnchecked(1, &block[0]);
    WriteUnchecked(1, &block[1]);
    WriteUnchecked(1, &block[2]);
    WriteUnchecked(xmodem::kDataSize, &block[3]);
    WriteUnchecked(1, &block[xmodem::kBlockSize - 1]);
}

void TThreadXModem::WriteUnchecked(std::size_t count, const std::uint8_t* bytes)
{
    static_cast<void>(Port->Write(count, bytes));
}

void TThreadXModem::RunCancelSequence(SendFile& file)
{
    file.Close();
    CancelReceiver();
    for (int line = 0; line < kCancelOutputLineLimit; ++line) {
        std::string text;
        if (!Port->ReadLine(kConsoleLineLimit, text)) {
            break;
        }
        SetStatusAndShow(text);
    }
}

void TThreadXModem::CancelReceiver()
{
    // One write: a second one would first throw away what the console printed meanwhile.
    static constexpr auto kSequence = xmodem::CancelSequence();
    WriteUnchecked(kSequence.size(), kSequence.data());
}

TThreadXModem::EndAnswer TThreadXModem::SendEndOfTransmission()
{
    for (int attempt = 0; attempt < kEotAttempts && !lineLost_; ++attempt) {
        WriteUnchecked(1, &xmodem::EOT);
        std::this_thread::sleep_for(kResponsePause);
        std::uint8_t byte = 0;
        const auto wait = std::max<std::chrono::milliseconds>(
            std::chrono::milliseconds(2 * Port->GetTimeout()),
            attempt == 0 ? kFirstEotAnswerWait : std::chrono::milliseconds(0));
        if (!ReadAnswer(byte, wait) || byte == xmodem::NAK) {
            continue;
        }
        if (byte == xmodem::ACK) {
            SetStatusAndShow(kGetAckForEot);
            return EndAnswer::Acknowledged;
        }
        // The receiver is not answering in XMODEM any more: another EOT would be typed at the
        // console. A byte of its text starts the closing output.
        if (byte != xmodem::CAN) {
            closingStart_.push_back(static_cast<char>(byte));
        }
        SetStatusAndShow(kEndRefused);
        return EndAnswer::Refused;
    }
    SetStatusAndShow(kNoAckForEot);
    return EndAnswer::Unanswered;
}

bool TThreadXModem::ReadAnswer(std::uint8_t& byte)
{
    if (Port->Read(1, &byte)) {
        return true;
    }
    NoteLineState();
    return false;
}

bool TThreadXModem::ReadAnswer(std::uint8_t& byte, std::chrono::milliseconds within)
{
    if (Port->ReadByteWithin(byte, within)) {
        return true;
    }
    NoteLineState();
    return false;
}

void TThreadXModem::NoteLineState()
{
    lineLost_ = lineLost_ || LineLost(*Port);
}

void TThreadXModem::UpdateProgress()
{
    Progress.store(xmodem::PercentAcknowledged(bytesAcknowledged_, fileLength_),
                   std::memory_order_relaxed);
}

void TThreadXModem::SendStartCommand()
{
    if (!Command.empty()) {
        Status = Command;
    }
    startOutcome_ = TypeStartCommand();
    EchoOk = startOutcome_ == StartOutcome::Started;
    NoteLineState();
}

TThreadXModem::StartOutcome TThreadXModem::TypeStartCommand()
{
    // A failure on the final carriage return, which starts the tool, is told from one before it:
    // the tool may be running then, and nothing was erased.
    switch (SendCommand(*Port, *StatusMemo, Command, Timing)) {
    case CommandSent::Yes:
        return StartOutcome::Started;
    case CommandSent::No:
        return StartOutcome::Failed;
    case CommandSent::MayHaveRun:
        break;
    }
    return StartOutcome::FailedAtLineEnd;
}

void TThreadXModem::ShowStatus()
{
    if (Status.empty()) {
        return;
    }
    ShowConsoleLine(*StatusMemo, Status);
}

void TThreadXModem::ReadTrailingOutput()
{
    const std::uint32_t step = std::max<std::uint32_t>(Port->GetTimeout(), 1);
    std::string text = std::move(closingStart_);
    for (std::uint32_t waited = 0; waited < kPromptBudgetMs; waited += step) {
        ReadConsoleLine(*Port, text, Timing);
        // The rest of a receiver's CAN CAN.
        std::erase(text, static_cast<char>(xmodem::CAN));
        receiverFailed_ = receiverFailed_ || ReceiverReportsFailure(text);
        if (ContainsPrompt(text)) {
            closingPrompt_ = true;
            break;
        }
        Status = text;
        ShowStatus();
        text.clear();
    }
    NoteLineState();
}

void TThreadXModem::ListDestination()
{
    const std::optional<UploadDestination> destination = SplitUploadDestination(DeviceName);
    if (!destination) {
        checkFailure_ = DeviceName + " is not a place on D: that can be listed";
        return;
    }
    // The listing's own line settings for its exchange, the upload's again afterwards: the
    // port goes on to the next file of a batch.
    const std::uint8_t lineEnd = Port->LineEnd;
    const std::uint32_t timeoutMs = Port->GetTimeout();
    DirectoryListing listing;
    DeviceOperation op = ListDeviceDirectoryOperation(destination->folder, listing);
    op.timing = Timing;
    const OperationResult listed =
        RunDeviceOperationOnOpenPort(*Port, Port->portName(), op, *StatusMemo);
    Port->LineEnd = lineEnd;
    Port->SetTimeouts(timeoutMs);
    NoteLineState();
    if (!listed.ok) {
        checkFailure_ = listed.message.substr(0, listed.message.find('\n'));
        return;
    }
    notKept_ = NotKeptReason(listing.entries, *destination, fileLength_, EarlierEntry);
}

void TThreadXModem::SetStatusAndShow(const std::string& text)
{
    Status = text;
    Synchronize([this] { ShowStatus(); });
}

void TThreadXModem::Synchronize(const std::function<void()>& method)
{
    // The channel is never abandoned: the owner serves the calls until the body has ended.
    static_cast<void>(gui_.RunAndWait(method));
}

} // namespace kora
