#include "ioconf/IoConfigExchange.h"

#include <array>
#include <chrono>
#include <memory>
#include <thread>

#include "ioconf/IoConfigText.h"
#include "ioconf/ModuleKinds.h"
#include "link/PortFailureText.h"
#include "link/SerialPort.h"
#include "transfer/TThreadXModem.h"

namespace kora {
namespace {

// The two characters at `at` read as a count or range code as the read-out prints them ("%02d"):
// two digits, or -1 for one that is unset.
bool IsNumberField(const std::string& line, std::size_t at)
{
    const auto digit = [&line](std::size_t i) {
        return i < line.size() && line[i] >= '0' && line[i] <= '9';
    };
    const bool unset = at + 2 <= line.size() && line.compare(at, 2, "-1") == 0;
    return unset || (digit(at) && digit(at + 1));
}

} // namespace

DeviceOperation ReadOutOperation(IoConfigTable& table, std::uint32_t timeoutMs)
{
    // The parser's state lives as long as the operation's copies of the step.
    struct ReadOut {
        std::int32_t state = kParseIdle;
        std::array<bool, kSlotCount> slotSeen{};
        std::array<std::array<bool, kChannelCount>, kSlotCount> channelSeen{};
        bool damaged = false;
    };
    auto readOut = std::make_shared<ReadOut>();
    ConsoleStep step;
    step.command = "C:\\cfgio 1\r";
    // This message names the read-out 'scanio' rather than the command typed.
    step.sendFailureMessage = SendFailureMessageWithHead("Unable to send command 'scanio'!");
    step.checkLine = [&table, readOut](const std::string& line) -> std::optional<LineFailure> {
        const std::int32_t before = readOut->state;
        ParseIOConfig(table, readOut->state, line);
        if (readOut->state < 0 || readOut->state >= kSlotCount) {
            return std::nullopt;
        }
        const auto slot = static_cast<std::size_t>(readOut->state);
        const IoSlotConfig& config = table.SlotConfig[slot];
        if (before != readOut->state) {
            // The header of a slot with range records: a count that is no number would take
            // the slot's channels for none.
            readOut->damaged |= HasRangeRecords(config.ModuleType) && !IsNumberField(line, 10);
        }
        readOut->slotSeen[slot] = true;
        // A channel record of the open slot: "N RR -1 -1", its channel number in front. Its
        // range must read as a number, and the channel must be one the header announced: noise
        // on the line would otherwise show a range as unset or a channel the slot lacks.
        if (before == readOut->state && line.size() >= 10 && line.find('@') == std::string::npos &&
            line[0] >= '0' && line[0] < '0' + kChannelCount) {
            const std::int32_t channel = line[0] - '0';
            readOut->channelSeen[slot][static_cast<std::size_t>(channel)] = true;
            readOut->damaged |= !IsNumberField(line, 2) || channel >= config.ChannelCount;
        }
        return std::nullopt;
    };
    // A read-out cut short would show its missing slots as empty, and OK would then write that
    // to the controller: only a whole one, every slot and the end record, is taken.
    step.checkEnd = [&table, readOut,
                     initial = table](const std::string&) -> std::optional<StepFailure> {
        bool whole = readOut->state == kParseEnded && !readOut->damaged;
        for (std::size_t s = 0; s < kSlotCount && whole; ++s) {
            const IoSlotConfig& slot = table.SlotConfig[s];
            whole = readOut->slotSeen[s];
            if (HasRangeRecords(slot.ModuleType) && slot.ChannelCount >= 1 &&
                slot.ChannelCount <= kChannelCount) {
                for (std::int32_t c = 0; c < slot.ChannelCount; ++c) {
                    whole = whole && readOut->channelSeen[s][static_cast<std::size_t>(c)];
                }
            }
        }
        if (whole) {
            return std::nullopt;
        }
        *readOut = ReadOut{};
        table = initial;
        return StepFailure{kIncompleteReadOutMessage, true};
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
    } // the worker's thread has ended before the port closes
    port.Close();
    if (result != TThreadXModem::kSucceeded) {
        return {false, kTransferConfigFailed};
    }
    return {};
}

} // namespace kora
