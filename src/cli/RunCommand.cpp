// run: the programmer's loop in one command. Uploads a program with put's checks, starts it in
// the directory it went to (the place confirmed first, as every operation on a bare name) and
// prints its output until the console is back at its prompt and stays quiet there.
#include <chrono>
#include <cmath>
#include <optional>
#include <variant>

#include "cli/Commands.h"
#include "cli/DeviceArgs.h"
#include "cli/ProgramOutput.h"
#include "cli/StopSignals.h"
#include "cli/Upload.h"
#include "device/DeviceOperations.h"
#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "device/ProgramStart.h"
#include "filelist/LocalPath.h"
#include "link/ConsoleLogFile.h"
#include "link/DosName.h"
#include "link/PortFailureText.h"

namespace kora::cli {

namespace {

using Clock = std::chrono::steady_clock;

// Exit status after Ctrl-C, as a shell reports a program that SIGINT ended.
constexpr int kExitInterrupted = 130;
// How long the line must stay quiet after the prompt before run takes it as the program's end:
// a program may print a line that looks like the prompt and go on.
constexpr std::chrono::milliseconds kDefaultSettle(500);

// A number of seconds from an option: at least 0 (above 0 when zeroAllowed is false), at most
// 1e6. Nothing when the text is no such number.
std::optional<std::chrono::milliseconds> Seconds(const QString& text, bool zeroAllowed)
{
    bool number = false;
    const double seconds = text.toDouble(&number);
    if (!number || !std::isfinite(seconds) || seconds < 0 || (seconds == 0 && !zeroAllowed) ||
        seconds > 1e6) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(std::llround(seconds * 1000));
}

struct RunRequest {
    QString file; // the PC program, or its name on the controller with --no-upload
    std::string folder = std::string(kDeviceRoot);
    std::string name; // on the controller
    std::string line; // typed on the console
    std::optional<std::chrono::milliseconds> timeout;
    std::chrono::milliseconds settle = kDefaultSettle;
};

// The program's name, its directory and its arguments from the command line; an exit status
// (reported) for wrong usage.
std::variant<RunRequest, int> ReadRequest(CommandContext& context)
{
    CliSession& session = context.session;
    const QCommandLineParser& options = context.options;
    const QStringList own = context.args.mid(0, context.args.size() - context.trailing.size());
    if (own.isEmpty()) {
        return session.fail(QStringLiteral("run: the program is missing"), kExitUsage);
    }
    if (own.size() > 2) {
        return session.fail(
            QStringLiteral("run: too many arguments; the program's own go after --"), kExitUsage);
    }
    RunRequest request;
    request.file = own.front();
    const bool upload = !options.isSet(QStringLiteral("no-upload"));
    const auto devicePath = [&](const QString& typed) -> std::optional<std::string> {
        const auto path = DevicePathArgument(typed);
        if (const auto* error = std::get_if<PathError>(&path)) {
            session.fail(error->message, kExitUsage);
            return std::nullopt;
        }
        return std::get<std::string>(path);
    };
    if (own.size() == 2) {
        if (!LooksLikeDevicePath(own.back())) {
            return session.fail(QStringLiteral("run: '%1' is no directory of D: (a directory "
                                               "starts with \\ or D:; the program's arguments "
                                               "go after --)")
                                    .arg(own.back()),
                                kExitUsage);
        }
        const auto folder = devicePath(own.back());
        if (!folder) {
            return kExitUsage;
        }
        request.folder = *folder;
    }
    const std::optional<QString> asName = AsNameOption(options);
    const auto deviceName = [&](const QString& typed) -> std::optional<std::string> {
        auto name = DeviceText(typed);
        if (const auto* error = std::get_if<PathError>(&name)) {
            session.fail(error->message + (asName
                                               ? QString()
                                               : QStringLiteral(" Give it a name with --as NAME.")),
                         kExitUsage);
            return std::nullopt;
        }
        return std::get<std::string>(std::move(name));
    };
    if (asName) {
        const auto name = deviceName(*asName);
        if (!name) {
            return kExitUsage;
        }
        request.name = *name;
    } else if (!upload && own.size() == 1 && LooksLikeDevicePath(own.front())) {
        // Only run: the program may be named where it is on the controller.
        const auto path = devicePath(own.front());
        if (!path) {
            return kExitUsage;
        }
        const SplitPath split = SplitDevicePath(*path);
        request.folder = split.folder;
        request.name = split.name;
    } else {
        const auto name = deviceName(ArgumentText(LocalFileName(ArgumentPath(own.front())).bytes));
        if (!name) {
            return kExitUsage;
        }
        request.name = *name;
    }
    if (!ValidFileName(request.name)) {
        return session.failDevice(InvalidFileNameCaption(request.name) +
                                      ": a name on KORA-7740P holds only letters, digits, \"_\" "
                                      "and \".\", in the 8.3 form. Give it one with --as NAME.",
                                  kExitUsage);
    }
    if (!IsRunnableProgram(request.name)) {
        return session.failDevice("run: " + request.name +
                                      " is no program KORA-7740P starts (.EXE, .COM or .BAT); "
                                      "'put' copies other files",
                                  kExitUsage);
    }
    std::vector<std::string> arguments;
    for (const QString& argument : context.trailing) {
        auto bytes = DeviceText(argument);
        if (const auto* error = std::get_if<PathError>(&bytes)) {
            return session.fail(QStringLiteral("run: ") + error->message, kExitUsage);
        }
        arguments.push_back(std::get<std::string>(std::move(bytes)));
    }
    request.line = ProgramCommandLine(request.name, arguments);
    if (const std::optional<std::string> problem = ProgramLineProblem(request.line)) {
        return session.failDevice("run: " + *problem, kExitUsage);
    }
    if (options.isSet(QStringLiteral("timeout"))) {
        request.timeout = Seconds(options.value(QStringLiteral("timeout")), false);
        if (!request.timeout) {
            return session.fail(QStringLiteral("run: --timeout takes a number of seconds above 0"),
                                kExitUsage);
        }
    }
    if (options.isSet(QStringLiteral("settle"))) {
        const auto settle = Seconds(options.value(QStringLiteral("settle")), true);
        if (!settle) {
            return session.fail(QStringLiteral("run: --settle takes a number of seconds"),
                                kExitUsage);
        }
        request.settle = *settle;
    }
    return request;
}

// Prints the program's output as it comes; --log gets it a whole line at a time, as the other
// commands' lines.
class ProgramPrinter {
public:
    explicit ProgramPrinter(CliSession& session) : session_(session) {}
    ~ProgramPrinter()
    {
        if (!line_.empty()) {
            ConsoleLogFile::LogShownLine(line_);
        }
    }
    ProgramPrinter(const ProgramPrinter&) = delete;
    ProgramPrinter& operator=(const ProgramPrinter&) = delete;

    void operator()(const std::string& text)
    {
        if (text.empty()) {
            return;
        }
        const std::string shown = ConsoleTextForTerminal(text);
        std::fwrite(shown.data(), 1, shown.size(), session_.out());
        std::fflush(session_.out());
        for (const char c : text) {
            if (c == '\n') {
                ConsoleLogFile::LogShownLine(line_);
                line_.clear();
            } else {
                line_ += c;
            }
        }
    }

private:
    CliSession& session_;
    std::string line_;
};

enum class StreamEnd { Prompt, Interrupted, TimedOut, LineLost };

// When StreamOutput ends.
struct StreamLimits {
    std::optional<Clock::time_point> deadline;
    std::chrono::milliseconds settle; // the quiet after the prompt that ends the stream
    bool stopOnSignal = true;         // Ctrl-C or another stop signal ends it
};

// Prints what the console sends until it stands at its prompt and the line has stayed quiet for
// the settle time after it, the deadline passes, the line is lost or a stop signal arrives.
StreamEnd StreamOutput(CliSession& session, SerialPort& port, ProgramOutput& output,
                       ProgramPrinter& print, const StreamLimits& limits)
{
    const std::chrono::milliseconds gap = session.timing() == ExchangeTiming::Quick
                                              ? QuietGap(57600)
                                              : std::chrono::milliseconds(2 * port.GetTimeout());
    Clock::time_point lastByte = Clock::now();
    for (;;) {
        if (limits.stopOnSignal && StopSignals::received()) {
            return StreamEnd::Interrupted;
        }
        // The deadline is for the prompt to come; the quiet after it may run past.
        if (limits.deadline && Clock::now() >= *limits.deadline && !output.promptReturned()) {
            return StreamEnd::TimedOut;
        }
        std::uint8_t byte = 0;
        if (port.ReadByteWithin(byte, gap)) {
            print(output.add(byte));
            lastByte = Clock::now();
            continue;
        }
        if (LineLost(port)) {
            return StreamEnd::LineLost;
        }
        print(output.quiet());
        // A prompt the program printed itself is followed by more of its output; the console's
        // own is followed by silence.
        if (output.promptReturned() && Clock::now() - lastByte >= limits.settle) {
            return StreamEnd::Prompt;
        }
    }
}

// Ctrl-C: the controller's abort command goes to the program as the terminal would type it,
// without an echo check (its output keeps coming meanwhile and is printed), then its output is
// read on until the prompt returns, for at most the prompt budget.
int Abort(CliSession& session, SerialPort& port, ProgramOutput& output, ProgramPrinter& print,
          std::chrono::milliseconds settle)
{
    const std::string abort = AbortOperation().steps.front().command;
    if (!port.Write(abort, InputPurge::Keep)) {
        return session.fail(QStringLiteral("interrupted; the abort command could not be sent"),
                            kExitInterrupted);
    }
    const StopSignals again; // a second Ctrl-C leaves at once
    const StreamEnd end =
        StreamOutput(session, port, output, print,
                     {Clock::now() + std::chrono::milliseconds(kPromptBudgetMs), settle, true});
    if (end != StreamEnd::Prompt) {
        return session.fail(
            QStringLiteral("interrupted; the program did not return to the prompt after the "
                           "abort command"),
            kExitInterrupted);
    }
    return kExitInterrupted;
}

} // namespace

int RunRun(CommandContext& context)
{
    CliSession& session = context.session;
    auto read = ReadRequest(context);
    if (const int* status = std::get_if<int>(&read)) {
        return *status;
    }
    const RunRequest& request = std::get<RunRequest>(read);

    if (!context.options.isSet(QStringLiteral("no-upload"))) {
        auto planned =
            PlanUpload(session, {request.file}, request.folder, AsNameOption(context.options));
        if (const int* status = std::get_if<int>(&planned)) {
            return *status;
        }
        if (const int sent = SendUpload(session, std::get<UploadPlan>(planned),
                                        UploadStyleOf(session, context.options));
            sent != kExitOk) {
            return sent;
        }
    }
    // The port the upload went over, still held: nobody can come between upload and start.
    int failedStatus = kExitFailure;
    SerialPort* held = session.openUploadPort(failedStatus);
    if (held == nullptr) {
        return failedStatus;
    }
    SerialPort& port = *held;

    // Ctrl-C from here on aborts the program rather than ending the tool in the middle.
    const StopSignals stop;
    session.log().beginOperation({"d:\r", "cd" + request.folder + "\r", request.line + "\r"});
    const OperationResult started =
        StartProgramIn(port, request.folder, request.line, session.log(), session.timing());
    if (started.mayBeRunning) {
        return session.failDevice(started.message + " ('kora7740p term' shows it, "
                                                    "'kora7740p abort' stops it)");
    }
    if (!started.ok) {
        return session.failDevice(started.message);
    }
    ProgramOutput output;
    ProgramPrinter print(session);
    StreamLimits limits{std::nullopt, request.settle, true};
    if (request.timeout) {
        limits.deadline = Clock::now() + *request.timeout;
    }
    switch (StreamOutput(session, port, output, print, limits)) {
    case StreamEnd::Prompt:
        break;
    case StreamEnd::Interrupted:
        return Abort(session, port, output, print, request.settle);
    case StreamEnd::TimedOut:
        print(output.quiet());
        return session.failDevice(request.name +
                                  " did not return to the prompt within the time-out; it may "
                                  "still be running ('kora7740p abort' stops it)");
    case StreamEnd::LineLost:
        return session.failDevice(LineLostMessage(port.portName()));
    }
    if (output.unknownProgram()) {
        return session.failDevice("KORA-7740P found no program " + request.name + " in " +
                                  DeviceLocation(request.folder) +
                                  " (\"Bad command or file name\")");
    }
    return kExitOk;
}

} // namespace kora::cli
