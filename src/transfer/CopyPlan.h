#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/ConsoleExchange.h"
#include "link/ConsoleLog.h"
#include "link/SerialPort.h"
#include "link/UploadPacing.h"
#include "transfer/UploadEnd.h"

namespace kora {

// The rules of copying PC files to the controller, shared by the window's copy button and the
// command-line tool: what may be copied, where it goes, and the queue that sends the files one
// after another over one open port.

inline constexpr std::string_view kSelectFileWarning = "Please select a file.";
inline constexpr std::string_view kOnlyFileWarning = "Only file can be transferred.";
inline constexpr std::string_view kRefreshFirstWarning =
    "Please press 'Refresh folder' button in the KORA-7740P panel first.";
inline constexpr std::string_view kNoSpaceWarning = "There is no enough space on KORA-7740P.";

// "Fail to transfer file '" + name + "'!"
std::string TransferFailedMessage(const std::string& name);

// Why an upload worker failed, as a sentence for the user, from where the worker stopped:
// - the lost line's reason (LineLostReason) when the port hung up under it;
// - for a start command whose echo failed (the worker's status is still that command, its "\r"
//   left out), "Unable to send command '" + command + "'!" with the INIT-mode advice;
// - for a block the controller stopped answering (the status is still "<<Transferring
//   File...>>"), the worker's own "<<No ACK from KORA-7740P>>";
// - else the worker's last status line of its own ("<<...>>"), whatever reason it names;
// each of the worker's lines without its brackets and ending in a full stop. Empty when the
// worker left no reason (its last status is a line of the console's).
std::string UploadFailureReason(const std::string& workerStatus, const std::string& startCommand,
                                bool lineLost);

// What the rename prompt for a file whose name the controller cannot take is opened with:
// caption "Invalid file name '" + name + "'", prompt "Please input new file name:", at most
// 12 characters (an 8.3 name).
std::string InvalidFileNameCaption(const std::string& name);
inline constexpr std::string_view kNewFileNamePrompt = "Please input new file name:";
inline constexpr int kNewFileNameMaxLength = 12;

// The controller's file-name check: at least one character, each of A-Z, a-z, 0-9, "_" or ".",
// in the 8.3 form (IsDosShortName), which the controller would otherwise cut silently, and not
// the name of a DOS device (IsDosDeviceName); letter case is kept.
bool ValidFileName(std::string_view name);

// The file-name part of a PC path: the text after its last "/".
std::string FileNamePart(std::string_view path);

// The directory files are copied into, from the device path the panel shows: "D:\" for the
// root ("\"), otherwise "D:" + path + "\".
std::string DeviceDirectory(std::string_view devicePath);

// One PC item chosen for copying.
struct CopySource {
    std::string path;
    bool isFile = true;     // a regular file; anything else cannot be sent
    std::uint64_t size = 0; // bytes
};

// A PC path as the copy checks it: a folder cannot be sent; anything else counts with its size
// (one that cannot be read, or has gone meanwhile, counts nothing and is reported by the
// transfer).
CopySource CopySourceAt(const std::string& path);

// Why a selection may not be copied.
enum class CopyRefusal {
    None,
    NothingSelected,  // "Please select a file."
    NotOnlyFiles,     // "Only file can be transferred."
    FreeSpaceUnknown, // "Please press 'Refresh folder' button in the KORA-7740P panel first."
    NotEnoughSpace,   // "There is no enough space on KORA-7740P."
};

// The checks before anything is sent, in their order: something chosen, files only, the free
// space known (nothing: no listing has reported it), and a total above 0 and below the free
// space. Sizes add up in 64 bits, so large files cannot wrap around and pass.
CopyRefusal CheckCopySelection(const std::vector<CopySource>& sources,
                               std::optional<std::uint64_t> freeBytes);
// The warning the window shows for a refusal; empty for None.
std::string CopyRefusalText(CopyRefusal refusal);

// One file of the queue: the PC file and the name it is given on the controller.
struct QueuedFile {
    std::string localPath;
    std::string deviceName; // a bare name; checked with ValidFileName before it is sent
    // The size the copy's checks counted; a file of another size has changed since and fails.
    std::optional<std::uint64_t> checkedSize = std::nullopt;
    // The file of that name the destination held, as the listing before the copy showed it
    // (TThreadXModem::EarlierEntry); nothing when there was none or no listing is at hand.
    std::optional<ListedFile> earlier = std::nullopt;
    // The directory it goes into, as DeviceDirectory gives it; empty: the queue's (a sync sends
    // the files of several folders in one queue).
    std::string deviceDirectory = {};
};

// Where the queue stands, for a progress display.
struct QueueProgress {
    std::size_t index = 0; // 0-based number of the file being sent
    std::size_t count = 0;
    std::string localPath;
    std::string deviceName;
    int percent = 0; // of this file, acknowledged so far
};

struct QueueHooks {
    // Called every 5 ms while a file is being sent, on the calling thread. It must process the
    // events of that thread: the upload worker's synchronised calls arrive as events.
    std::function<void(const QueueProgress&)> poll;
    // Asked on every poll; true tells the current worker to stop, and no further file is sent.
    std::function<bool()> cancelRequested;
    // For a name ValidFileName refuses: the name to use instead, nothing to skip the file. The
    // new name is checked again. Without this hook such a file is skipped.
    std::function<std::optional<std::string>(const std::string& invalidName)> askNewName;
};

struct QueueOutcome {
    enum class Kind { Completed, Failed, Cancelled };
    Kind kind = Kind::Completed;
    std::string message;              // "Fail to transfer file '" + name + "'!" when Failed
    std::vector<QueuedFile> sent;     // the files that arrived, with their device names
    std::vector<std::string> skipped; // PC paths left out after an invalid name
    // Why, when Failed (UploadFailureReason): the lost line, the start command's echo, or the
    // worker's last status line ("KORA-7740P did not keep the file: ...", say).
    std::string reason = {};
};

// What the user is told of a failed queue: the message, then the reason as a paragraph of its
// own when there is one.
std::string QueueFailureText(const QueueOutcome& outcome);

// Sends the files in order, each into its own directory or else deviceDirectory (as
// DeviceDirectory gives them), one upload worker at a time over the open port (57600 8N1,
// T = 500 ms, CR line end, as the copy opens it). The workers' status lines go to log. A file
// counts as sent only when the controller kept it (see TThreadXModem). The first failed file
// ends the queue; a cancel ends it after the current file without a message, and one asked for
// between two files before the next file's rename prompt or start. A cancel asked for while the
// last file ended (its closing output is read on the calling thread, so a click waits until
// then) still makes the outcome Cancelled, with the file among those sent: a caller that would
// act on a whole copy (Upload and Run) does nothing.
QueueOutcome UploadQueue(SerialPort& port, const std::string& deviceDirectory,
                         const std::vector<QueuedFile>& files, ConsoleLog& log,
                         const QueueHooks& hooks, ExchangeTiming timing = ExchangeTiming::Quick,
                         UploadPacing pacing = UploadPacing::Paced);

// The port a copy sends over: opened on portName at 57600 8N1 with T = 500 ms; the
// open-failure message (with its hint) when it cannot be had.
inline constexpr std::uint32_t kCopyTimeoutMs = 500;
std::optional<std::string> OpenCopyPort(SerialPort& port);
// The copy's line settings on a port that is open already (the command-line tool holds one
// port for all its operations): 57600 8N1, T = 500 ms, lines ending at CR.
void SetCopyLineSettings(SerialPort& port);

} // namespace kora
