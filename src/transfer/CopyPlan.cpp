#include "transfer/CopyPlan.h"

#include <chrono>
#include <filesystem>
#include <set>
#include <system_error>

#include "link/ConsoleExchange.h"
#include "link/DosName.h"
#include "link/PortFailureText.h"
#include "transfer/TThreadXModem.h"
#include "transfer/UploadPadding.h"

namespace kora {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(5);

bool FileNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.';
}

} // namespace

std::string TransferFailedMessage(const std::string& name)
{
    return "Fail to transfer file '" + name + "'!";
}

std::string UploadFailureReason(const std::string& workerStatus, const std::string& startCommand,
                                bool lineLost)
{
    if (lineLost) {
        return LineLostReason();
    }
    if (!startCommand.empty() && workerStatus == startCommand) {
        std::string typed = startCommand;
        if (typed.ends_with('\r')) {
            typed.pop_back();
        }
        return SendFailureMessageWithHead("Unable to send command '" + typed + "'!");
    }
    const std::string status = workerStatus == TThreadXModem::kTransferringFile
                                   ? std::string(TThreadXModem::kNoAckFromDevice)
                                   : workerStatus;
    if (status.size() <= 4 || !status.starts_with("<<") || !status.ends_with(">>")) {
        return {};
    }
    std::string sentence = TThreadXModem::ReasonText(status);
    if (!sentence.ends_with('.') && !sentence.ends_with('!')) {
        sentence += '.';
    }
    return sentence;
}

std::string QueueFailureText(const QueueOutcome& outcome)
{
    return outcome.reason.empty() ? outcome.message : outcome.message + "\n\n" + outcome.reason;
}

std::string InvalidFileNameCaption(const std::string& name)
{
    return "Invalid file name '" + name + "'";
}

bool ValidFileName(std::string_view name)
{
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        if (!FileNameChar(c)) {
            return false;
        }
    }
    return IsDosShortName(name) && !IsDosDeviceName(name);
}

std::string FileNamePart(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

CopySource CopySourceAt(const std::string& path)
{
    std::error_code error;
    CopySource source;
    source.path = path;
    source.isFile = !std::filesystem::is_directory(std::filesystem::status(path, error));
    if (source.isFile) {
        const auto size = std::filesystem::file_size(path, error);
        source.size = error ? 0 : size;
    }
    return source;
}

std::string DeviceDirectory(std::string_view devicePath)
{
    if (devicePath == "\\") {
        return "D:\\";
    }
    return "D:" + std::string(devicePath) + "\\";
}

CopyRefusal CheckCopySelection(const std::vector<CopySource>& sources,
                               std::optional<std::uint64_t> freeBytes)
{
    if (sources.empty()) {
        return CopyRefusal::NothingSelected;
    }
    std::uint64_t total = 0;
    for (const CopySource& source : sources) {
        if (!source.isFile) {
            return CopyRefusal::NotOnlyFiles;
        }
        // A sum past 2^64 bytes cannot fit anywhere; saturate instead of wrapping round.
        total = source.size > UINT64_MAX - total ? UINT64_MAX : total + source.size;
    }
    if (!freeBytes) {
        return CopyRefusal::FreeSpaceUnknown;
    }
    if (total == 0 || total >= *freeBytes) {
        return CopyRefusal::NotEnoughSpace;
    }
    return CopyRefusal::None;
}

std::string CopyRefusalText(CopyRefusal refusal)
{
    switch (refusal) {
    case CopyRefusal::None:
        return {};
    case CopyRefusal::NothingSelected:
        return std::string(kSelectFileWarning);
    case CopyRefusal::NotOnlyFiles:
        return std::string(kOnlyFileWarning);
    case CopyRefusal::FreeSpaceUnknown:
        return std::string(kRefreshFirstWarning);
    case CopyRefusal::NotEnoughSpace:
        return std::string(kNoSpaceWarning);
    }
    return {};
}

namespace {

// Sends one file with its own worker and waits for it: its synchronised calls are served as
// they come, the hooks polled every kPollInterval.
std::int32_t SendOne(SerialPort& port, ConsoleLog& log, const QueuedFile& file,
                     const std::string& deviceDirectory, QueueProgress& progress,
                     const QueueHooks& hooks, ExchangeTiming timing, UploadPacing pacing,
                     bool& cancelled, std::string& failureReason)
{
    TThreadXModem worker;
    worker.Timing = timing;
    worker.Pacing = pacing;
    worker.Port = &port;
    worker.StatusMemo = &log;
    worker.LocalPath = file.localPath;
    worker.DeviceName =
        (file.deviceDirectory.empty() ? deviceDirectory : file.deviceDirectory) + file.deviceName;
    worker.CheckedLength = file.checkedSize;
    worker.PadByte = PaddingForFile(file.localPath, file.deviceName);
    worker.EarlierEntry = file.earlier;
    worker.Resume();
    while (worker.TransferResult.load() == TThreadXModem::kRunning) {
        progress.percent = worker.Progress.load();
        if (hooks.poll) {
            hooks.poll(progress);
        }
        worker.ServeCallsWithin(kPollInterval);
        if (hooks.cancelRequested && hooks.cancelRequested()) {
            cancelled = true;
            worker.CancelRequested = true;
        }
    }
    progress.percent = worker.Progress.load();
    if (hooks.poll) {
        hooks.poll(progress);
    }
    // The last poll let through what the user did while the worker ended.
    if (hooks.cancelRequested && hooks.cancelRequested()) {
        cancelled = true;
    }
    const std::int32_t result = worker.TransferResult.load();
    // The worker has ended: its status is no longer written.
    failureReason = result == TThreadXModem::kSucceeded
                        ? std::string()
                        : UploadFailureReason(worker.Status, worker.Command, LineLost(port));
    return result;
}

} // namespace

QueueOutcome UploadQueue(SerialPort& port, const std::string& deviceDirectory,
                         const std::vector<QueuedFile>& files, ConsoleLog& log,
                         const QueueHooks& hooks, ExchangeTiming timing, UploadPacing pacing)
{
    QueueOutcome outcome;
    QueueProgress progress;
    progress.count = files.size();
    // Names already given to files of this batch: DOS does not tell letter cases apart, and a
    // second file of one name would silently replace the first.
    std::set<std::string> taken;
    const auto key = [&deviceDirectory](const QueuedFile& file) {
        return DosNameKey(file.deviceDirectory.empty() ? deviceDirectory : file.deviceDirectory) +
               DosNameKey(file.deviceName);
    };
    const auto usable = [&taken, &key](const QueuedFile& file) {
        return ValidFileName(file.deviceName) && !taken.contains(key(file));
    };
    for (std::size_t index = 0; index < files.size(); ++index) {
        // A cancel that came after the last file's worker was last polled.
        if (hooks.cancelRequested && hooks.cancelRequested()) {
            outcome.kind = QueueOutcome::Kind::Cancelled;
            return outcome;
        }
        QueuedFile file = files[index];
        while (!usable(file)) {
            std::optional<std::string> renamed;
            if (hooks.askNewName) {
                renamed = hooks.askNewName(file.deviceName);
            }
            if (!renamed) {
                break;
            }
            file.deviceName = std::move(*renamed);
            file.earlier.reset(); // what the listing showed was under the old name
        }
        if (!usable(file)) {
            outcome.skipped.push_back(file.localPath);
            continue;
        }
        taken.insert(key(file));
        progress.index = index;
        progress.localPath = file.localPath;
        progress.deviceName = file.deviceName;
        progress.percent = 0;
        bool cancelled = false;
        std::string failureReason;
        const std::int32_t result = SendOne(port, log, file, deviceDirectory, progress, hooks,
                                            timing, pacing, cancelled, failureReason);
        if (cancelled) {
            outcome.kind = QueueOutcome::Kind::Cancelled;
            if (result == TThreadXModem::kSucceeded) {
                outcome.sent.push_back(file);
            }
            return outcome;
        }
        if (result != TThreadXModem::kSucceeded) {
            outcome.kind = QueueOutcome::Kind::Failed;
            outcome.message = TransferFailedMessage(file.deviceName);
            outcome.reason = std::move(failureReason);
            return outcome;
        }
        outcome.sent.push_back(std::move(file));
    }
    return outcome;
}

std::optional<std::string> OpenCopyPort(SerialPort& port)
{
    if (!port.Open()) {
        return OpenFailureMessage(port);
    }
    SetCopyLineSettings(port);
    return std::nullopt;
}

void SetCopyLineSettings(SerialPort& port)
{
    port.LineEnd = 13;
    // Not checked: a line that refused its settings fails the echo check of the first command.
    static_cast<void>(port.SetCommParams(57600, 8, Parity::None, StopBits::One));
    port.SetTimeouts(kCopyTimeoutMs);
}

} // namespace kora
