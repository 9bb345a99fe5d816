#include "ioconf/IoConfigExchange.h"

#include <chrono>
#include <memory>
#include <thread>

#include "ioconf/IoConfigText.h"
#include "ioconf/ReadOutCheck.h"
#include "link/PortFailureText.h"
#include "link/SerialPort.h"
#include "transfer/TThreadXModem.h"

namespace kora {

DeviceOperation ReadOutOperation(IoConfigTable& table, std::uint32_t timeoutMs,
                                 const IoConfigTable* earlier)
{
    // The check's state lives as long as the operation's copies of the step. A digit noise
    // changed into another digit leaves a read-out of good shape: one that differs from the
    // earlier read-out is taken only when the next reading agrees with it (or with the earlier
    // one after all).
    struct Reading {
        ReadOutCheck check;
        std::optional<IoConfigTable> earlier;
        std::optional<IoConfigTable> unconfirmed;
    };
    auto reading = std::make_shared<Reading>();
    if (earlier) {
        reading->earlier = *earlier;
    }
    ConsoleStep step;
    step.command = "C:\\cfgio 1\r";
    // This message names the read-out 'scanio' rather than the command typed.
    step.sendFailureMessage = SendFailureMessageWithHead("Unable to send command 'scanio'!");
    step.checkLine = [&table, reading](const std::string& line) -> std::optional<LineFailure> {
        reading->check.take(table, line);
        return std::nullopt;
    };
    // Only a whole read-out is taken: read once more, then fail.
    step.checkEnd = [&table, reading,
                     initial = table](const std::string&) -> std::optional<StepFailure> {
        std::optional<std::string> fault;
        if (!reading->check.whole(table)) {
            fault = kIncompleteReadOutMessage;
        } else if (reading->earlier && table != *reading->earlier &&
                   table != reading->unconfirmed) {
            fault = kUnconfirmedReadOutMessage;
            reading->unconfirmed = table;
        }
        if (!fault) {
            return std::nullopt;
        }
        reading->check = ReadOutCheck{};
        table = initial;
        return StepFailure{std::move(*fault), true};
    };
    DeviceOperation op;
    op.steps.push_back(std::move(step));
    op.lineEnd = 10;
    op.timeoutMs = timeoutMs;
    return op;
}

DeviceOperation ApplyOperation(std::uint32_t timeoutMs)
{
    DeviceOperation op = GenericCommand("C:\\cfgio\r");
    op.timeoutMs = timeoutMs;
    return op;
}

DeviceOperation DeleteUploadOperation(std::uint32_t timeoutMs)
{
    DeviceOperation op = GenericCommand(std::string("del ") + kDeviceConfigName + "\r");
    op.timeoutMs = timeoutMs;
    return op;
}

OperationResult UploadIoConfig(const std::string& portName, const std::string& localPath,
                               ConsoleLog& log, std::uint32_t timeoutMs,
                               const std::function<void()>& keepAlive, ExchangeTiming timing,
                               UploadPacing pacing)
{
    SerialPort port(portName);
    if (!port.Open()) {
        return {false, OpenFailureMessage(port)};
    }
    // Not checked: a line that refused its settings fails the echo check of the start command.
    static_cast<void>(port.SetCommParams(57600, 8, Parity::None, StopBits::One));
    port.SetTimeouts(timeoutMs);
    std::int32_t result = TThreadXModem::kFailed;
    std::string reason;
    {
        TThreadXModem worker;
        worker.Timing = timing;
        worker.Pacing = pacing;
        worker.Port = &port;
        worker.StatusMemo = &log;
        worker.LocalPath = localPath;
        worker.DeviceName = kDeviceConfigName;
        worker.Resume();
        while (worker.TransferResult.load() == TThreadXModem::kRunning) {
            keepAlive();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        result = worker.TransferResult.load();
        reason = TThreadXModem::ReasonText(worker.Status);
    } // the worker's thread has ended before the port closes
    port.Close();
    if (result != TThreadXModem::kSucceeded) {
        return {false, reason.empty() ? std::string(kTransferConfigFailed)
                                      : std::string(kTransferConfigFailed) + "\n\n" + reason};
    }
    return {};
}

} // namespace kora
