#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ioconf/IoConfigTable.h"
#include "link/ConsoleExchange.h"
#include "link/UploadPacing.h"

namespace kora {

// The name the configuration is uploaded under; the controller's "cfgio" applies it from there.
inline constexpr const char* kDeviceConfigName = "D:\\koraio.cfg";

inline constexpr const char* kCreateConfigFailed = "Failed to create configuration!";
inline constexpr const char* kTransferConfigFailed = "Failed to transfer configuration!";

// Time-outs T of the cycle's three kinds of exchange. The controller prints its configuration
// slowly, hence the long read-out; tests shorten them all.
struct IoConfigTiming {
    std::uint32_t readOutMs = 1000;
    std::uint32_t uploadMs = 500;
    std::uint32_t commandMs = 200;
};

inline constexpr const char* kIncompleteReadOutMessage =
    "The I/O configuration read from the KORA-7740P is incomplete (a slot, a channel or its end "
    "record is missing or damaged).\n\nNothing was changed; please try again.";

inline constexpr const char* kUnconfirmedReadOutMessage =
    "The I/O configuration read from the KORA-7740P changed from one reading to the next (noise "
    "on the line).\n\nNothing was changed; please try again.";

// Reads the configuration: "C:\cfgio 1" with LF line ends, each output line parsed into the
// table as it is shown. A missing echo fails with the 'scanio' message; a read-out that is not
// whole (ReadOutCheck) is read once more, then fails with kIncompleteReadOutMessage. Given an
// earlier read-out of the same controller, one that differs from it is read once more and
// taken only when the two readings agree (or the second agrees with the earlier one), else it
// fails with kUnconfirmedReadOutMessage.
DeviceOperation ReadOutOperation(IoConfigTable& table, std::uint32_t timeoutMs,
                                 const IoConfigTable* earlier = nullptr);

// "C:\cfgio" applies the uploaded file; the delete removes it again. Plain generic commands.
DeviceOperation ApplyOperation(std::uint32_t timeoutMs);
DeviceOperation DeleteUploadOperation(std::uint32_t timeoutMs);

// Uploads the local configuration file as D:\koraio.cfg with the XMODEM worker on a port of its
// own (57600 8N1, T = timeoutMs, CR line end). While the worker runs, keepAlive is called every
// 5 ms on this thread: it must process the events that carry the worker's calls to this
// thread. The worker's status lines go to log. Fails with the open-failure message or with
// "Failed to transfer configuration!" and, as a second paragraph, the worker's reason (its
// last status line): a file the controller did not keep is not applied.
OperationResult UploadIoConfig(const std::string& portName, const std::string& localPath,
                               ConsoleLog& log, std::uint32_t timeoutMs,
                               const std::function<void()>& keepAlive,
                               ExchangeTiming timing = ExchangeTiming::Quick,
                               UploadPacing pacing = UploadPacing::Paced);

} // namespace kora
