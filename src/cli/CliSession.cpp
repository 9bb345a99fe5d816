#include "cli/CliSession.h"

#include "cli/Commands.h"
#include "cli/ErrorReport.h"
#include "link/PortFailureText.h"
#include "transfer/CopyPlan.h"

namespace kora::cli {

CliSession::CliSession(Settings settings, std::FILE* out, std::FILE* err)
    : settings_(std::move(settings)), out_(out), err_(err), log_(out, err, settings_.verbose)
{
    if (!settings_.portName.empty()) {
        port_ = settings_.portName;
    }
}

namespace {
const char kNoPortMessage[] = "no port was chosen for this command";
} // namespace

const std::optional<std::string>& CliSession::port()
{
    if (settings_.checkOnly) {
        throw ReachedController{};
    }
    return port_;
}

int CliSession::failNoPort() const
{
    return fail(QString::fromLatin1(kNoPortMessage), kExitUsage);
}

void CliSession::addPortTo(QJsonObject& document) const
{
    document.insert(QStringLiteral("port"), QString::fromLocal8Bit(settings_.portName.c_str()));
    document.insert(QStringLiteral("portName"),
                    settings_.portLabel.empty()
                        ? QJsonValue(QJsonValue::Null)
                        : QJsonValue(QString::fromStdString(settings_.portLabel)));
}

SerialPort* CliSession::openPort(std::string* failure)
{
    if (settings_.checkOnly) {
        throw ReachedController{};
    }
    if (held_ && held_->isOpen()) {
        return held_.get();
    }
    held_.reset();
    if (!port_) {
        *failure = kNoPortMessage;
        return nullptr;
    }
    auto port = std::make_unique<SerialPort>(*port_);
    if (!port->Open()) {
        *failure = OpenFailureMessage(*port);
        return nullptr;
    }
    held_ = std::move(port);
    return held_.get();
}

SerialPort* CliSession::openUploadPort(int& failedStatus)
{
    std::string openFailure;
    SerialPort* held = openPort(&openFailure);
    if (held == nullptr) {
        failedStatus = failDevice(openFailure);
        return nullptr;
    }
    SetCopyLineSettings(*held);
    return held;
}

OperationResult CliSession::run(const DeviceOperation& op)
{
    std::string openFailure;
    SerialPort* held = openPort(&openFailure);
    if (held == nullptr) {
        if (!failure_) {
            failure_ = openFailure;
        }
        return {false, openFailure};
    }
    std::vector<std::string> commands;
    for (const ConsoleStep& step : op.steps) {
        commands.push_back(step.command);
    }
    log_.beginOperation(commands);
    // Every device operation of the tool passes here: --patient reaches the exchange.
    DeviceOperation timed = op;
    timed.timing = settings_.timing;
    OperationResult result = RunDeviceOperationOnOpenPort(*held, *port_, timed, log_);
    if (!result.ok && !failure_) {
        failure_ = result.message;
    }
    // An operation on a name goes to its directory first: its own command is the last one.
    history_.push_back(
        {commands.empty() ? std::string() : commands.back(), log_.operationOutput()});
    return result;
}

std::vector<std::string> CliSession::outputOf(std::string_view commandStart) const
{
    for (auto record = history_.rbegin(); record != history_.rend(); ++record) {
        if (record->command.compare(0, commandStart.size(), commandStart) == 0) {
            return record->output;
        }
    }
    return {};
}

DeviceOperationRunner CliSession::runner()
{
    return [this](const DeviceOperation& op) -> OperationResult {
        if (failure_) {
            return {false, *failure_};
        }
        return run(op);
    };
}

int CliSession::fail(const QString& message, int status) const
{
    return ReportError(err_, {settings_.json, settings_.portName, settings_.portLabel}, message,
                       status);
}

int CliSession::failDevice(const std::string& message, int status) const
{
    return fail(QString::fromLatin1(message.data(), static_cast<qsizetype>(message.size())),
                status);
}

int CliSession::failWithExchangeFailure() const
{
    return failDevice(failure_.value_or("The exchange with KORA-7740P failed."));
}

} // namespace kora::cli
