#include "cli/CommandLine.h"

#include "link/ConsoleLogFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "cli/Commands.h"
#include "filelist/LocalPath.h"

namespace kora::cli {

namespace {

struct ArgumentHelp {
    const char* name;
    const char* description;
    const char* syntax;
};

struct CommandSpec {
    const char* name;
    const char* summary; // one line in the command list
    const char* description;
    std::vector<ArgumentHelp> arguments;
    int minArgs = 0;
    int maxArgs = 0; // -1: any number
    std::function<void(QCommandLineParser&)> addOptions;
    int (*run)(CommandContext&) = nullptr;
};

void AddJsonOption(QCommandLineParser& parser, const char* what)
{
    parser.addOption({QStringLiteral("json"), QString::fromLatin1(what)});
}

CommandSpec RunCommandSpec()
{
    return {
        "run",
        "Upload a program, run it and print its output.",
        "Uploads a program (.EXE, .COM or .BAT) with the checks of put, starts it in the "
        "directory it went to, with the arguments after --, and prints its output until the "
        "controller's prompt returns. Ctrl-C sends the controller's abort command (exit "
        "status 130).",
        {{"FILE", "PC program to upload and run.", "FILE"},
         {"DEVDIR", "Directory of D: to upload into and run in (default: the root).", "[DEVDIR]"},
         {"ARGS", "The program's arguments.", "[-- ARGS...]"}},
        1,
        -1,
        [](QCommandLineParser& parser) {
            parser.addOption({QStringLiteral("as"),
                              QStringLiteral("Name of the program on KORA-7740P."),
                              QStringLiteral("NAME")});
            parser.addOption({QStringLiteral("timeout"),
                              QStringLiteral("Give up (exit status 1) when the prompt has not "
                                             "returned SECONDS after the start."),
                              QStringLiteral("SECONDS")});
            parser.addOption(
                {QStringLiteral("no-upload"),
                 QStringLiteral("Only run the program already on KORA-7740P (FILE may then "
                                "name it there, such as \\BIN\\TOOL.EXE).")});
            parser.addOption({{QStringLiteral("q"), QStringLiteral("quiet")},
                              QStringLiteral("Show no upload progress.")});
            parser.addOption(
                {QStringLiteral("fast"), QStringLiteral("Upload without the 5 ms pause after each "
                                                        "block.")});
        },
        RunRun};
}

const std::vector<CommandSpec>& Commands()
{
    static const std::vector<CommandSpec> commands = {
        {"ports",
         "List the serial ports found; busy ones are marked.",
         "Lists the serial ports the scan finds, COMn aliases first, then device paths, one a "
         "line. A port another program holds is followed by \"busy\", one this user may not "
         "open by \"no access\".",
         {},
         0,
         0,
         {},
         RunPorts},
        {"ls",
         "List a directory of D:.",
         "Lists a directory of the controller's D: drive as the device panel shows it: name, "
         "size in whole kilobytes, type and date, then the number of objects, their total and "
         "the free space.",
         {{"DIR", "Directory of D: to list, such as \\BIN (default: the root).", "[DIR]"}},
         0,
         1,
         [](QCommandLineParser& parser) {
             AddJsonOption(parser, "Print JSON: each entry's name, kind, size in bytes and date "
                                   "text, and the free bytes.");
             parser.addOption({{QStringLiteral("s"), QStringLiteral("tree")},
                               QStringLiteral("Also count the whole tree below the directory "
                                              "(\"dir/s\"): files, folders and bytes.")});
         },
         RunLs},
        {"put",
         "Upload files to D:.",
         "Uploads PC files to a directory of D: with XMODEM, one after another, after the checks "
         "of the window's copy button: files only, a total below the free space, and names the "
         "controller takes (letters, digits, \"_\" and \".\"). The last argument is the "
         "directory of D: when it starts with \"\\\" or \"D:\".",
         {{"FILE", "PC files to upload.", "FILE..."},
          {"DEVDIR", "Directory of D: to upload into (default: the root).", "[DEVDIR]"}},
         1,
         -1,
         [](QCommandLineParser& parser) {
             parser.addOption({QStringLiteral("as"),
                               QStringLiteral("Name of the file on KORA-7740P (one file only)."),
                               QStringLiteral("NAME")});
             parser.addOption(
                 {QStringLiteral("verify"),
                  QStringLiteral("List the directory afterwards and check each file's size.")});
             parser.addOption({{QStringLiteral("q"), QStringLiteral("quiet")},
                               QStringLiteral("Show no progress.")});
             parser.addOption({QStringLiteral("fast"),
                               QStringLiteral("Send each block as soon as the previous one is "
                                              "acknowledged, without the 5 ms pause.")});
             parser.addOption({QStringLiteral("watch"),
                               QStringLiteral("Upload again each time a file changes, one line "
                                              "per upload, until Ctrl-C.")});
         },
         RunPut},
        RunCommandSpec(),
        {"rm",
         "Delete a file.",
         "Deletes a file on D:.",
         {{"NAME", "File to delete, such as \\BIN\\TOOL.COM.", "NAME"}},
         1,
         1,
         {},
         RunRm},
        {"rmdir",
         "Delete an empty directory.",
         "Deletes a directory on D:. A directory that holds files or folders is refused.",
         {{"NAME", "Directory to delete.", "NAME"}},
         1,
         1,
         {},
         RunRmdir},
        {"mkdir",
         "Make a directory.",
         "Makes a directory on D: (a name of at most 8 characters).",
         {{"NAME", "Directory to make, such as \\DATA or \\BIN\\OLD.", "NAME"}},
         1,
         1,
         {},
         RunMkdir},
        {"mv",
         "Rename a file.",
         "Renames a file on D: within its directory (a new name of at most 12 characters).",
         {{"OLD", "File to rename, such as \\BIN\\TOOL.COM.", "OLD"},
          {"NEW", "Its new name, without a directory.", "NEW"}},
         2,
         2,
         {},
         RunMv},
        {"mem",
         "Show the controller's memory report.",
         "Runs C:\\mem on the controller and prints its report.",
         {},
         0,
         0,
         {},
         RunMem},
        {"abort",
         "Abort the running program.",
         "Aborts the program running on the controller and prints what the console answers.",
         {},
         0,
         0,
         {},
         RunAbort},
        {"autorun",
         "Make a program start automatically.",
         "Makes a program (.EXE) start automatically: writes AutoRun.bat holding its name into "
         "its directory.",
         {{"NAME", "Program to start, such as \\DEMO.EXE.", "NAME"}},
         1,
         1,
         {},
         RunAutorun},
        {"format",
         "Format the D: drive (needs --yes).",
         "Formats the controller's D: drive. All the data on that drive is erased, so nothing "
         "is done without --yes.",
         {},
         0,
         0,
         [](QCommandLineParser& parser) {
             parser.addOption({QStringLiteral("yes"),
                               QStringLiteral("Confirm that the drive is to be erased.")});
         },
         RunFormat},
        {"cfgio",
         "Show or apply the analog I/O configuration.",
         "show: reads the configuration of the four I/O slots from the controller and prints "
         "it.\napply FILE: uploads a configuration file, has the controller apply it and "
         "deletes it on the controller again.",
         {{"ACTION", "show or apply.", "show|apply"},
          {"FILE", "Configuration file to apply.", "[FILE]"}},
         1,
         2,
         [](QCommandLineParser& parser) {
             AddJsonOption(parser, "show: print JSON.");
             parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                               QStringLiteral("show: also write the configuration file, ready to "
                                              "edit and apply."),
                               QStringLiteral("FILE")});
         },
         RunCfgio},
        {"exec",
         "Type one console command and print its output.",
         "Types one command into the controller's console, checking the echo of every "
         "character, and prints its output up to the next prompt.",
         {{"COMMAND", "The command line, such as \"type README.TXT\".", "COMMAND"}},
         1,
         -1,
         {},
         RunExec},
        {"term",
         "Interactive console; Ctrl-] leaves it.",
         "Connects this terminal to the controller's console: keys go to the controller as the "
         "window's terminal pane sends them, the controller's output comes back. Ctrl-] leaves "
         "it; the terminal's settings are restored in any case. When the line is lost (the "
         "adapter pulled) it waits for the same device to come back and goes on.",
         {},
         0,
         0,
         [](QCommandLineParser& parser) {
             parser.addOption({QStringLiteral("no-reconnect"),
                               QStringLiteral("Leave when the line is lost instead of waiting "
                                              "for the device to come back.")});
         },
         RunTerm},
    };
    return commands;
}

const CommandSpec* FindCommand(const QString& name)
{
    for (const CommandSpec& command : Commands()) {
        if (name == QLatin1String(command.name)) {
            return &command;
        }
    }
    return nullptr;
}

// The options every command takes, before or after its name.
struct SharedOptions {
    QCommandLineOption port{{QStringLiteral("p"), QStringLiteral("port")},
                            QStringLiteral("Serial port: COMn or a device path such as "
                                           "/dev/ttyUSB0 (default: $KORA_PORT, else the first "
                                           "port found)."),
                            QStringLiteral("PORT")};
    QCommandLineOption patient{QStringLiteral("patient"),
                               QStringLiteral("Wait for the console to fall silent after each "
                                              "command instead of ending at the prompt.")};
    QCommandLineOption verbose{{QStringLiteral("v"), QStringLiteral("verbose")},
                               QStringLiteral("Show the console traffic on standard error.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help.")};
    QCommandLineOption log{QStringLiteral("log"),
                           QStringLiteral("Append the console traffic to FILE, a line at a time "
                                          "with a time stamp."),
                           QStringLiteral("FILE")};
    QCommandLineOption logRaw{QStringLiteral("log-raw"),
                              QStringLiteral("With --log: the bytes received, as they came.")};

    void addTo(QCommandLineParser& parser) const
    {
        parser.addOption(port);
        parser.addOption(patient);
        parser.addOption(log);
        parser.addOption(logRaw);
        parser.addOption(verbose);
        parser.addOption(help);
    }
};

QString Synopsis(const CommandSpec& command)
{
    QString synopsis = QString::fromLatin1(command.name);
    for (const ArgumentHelp& argument : command.arguments) {
        synopsis += QLatin1Char(' ') + QString::fromLatin1(argument.syntax);
    }
    return synopsis;
}

QString ProgramHelpDescription()
{
    QString text = QStringLiteral(
        "Works a KORA-7740P controller over its serial console: lists and manages its D:\n"
        "drive, uploads files, reads and applies its I/O configuration, types console\n"
        "commands and opens an interactive console.\n\nCommands:\n");
    qsizetype width = 0;
    for (const CommandSpec& command : Commands()) {
        width = std::max(width, Synopsis(command).size());
    }
    for (const CommandSpec& command : Commands()) {
        text += QStringLiteral("  %1  %2\n")
                    .arg(Synopsis(command), -static_cast<int>(width))
                    .arg(QLatin1String(command.summary));
    }
    text += QStringLiteral("\n'kora7740p COMMAND --help' describes a command and its options.\n"
                           "Exit status: 0 success, 1 a device or file failure, 2 wrong usage.");
    return text;
}

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int UsageError(std::FILE* err, const QString& message, const QString& helpCommand)
{
    Print(err, QStringLiteral("%1: %2\nTry '%3 --help'.\n")
                   .arg(QLatin1String(kProgramName), message, helpCommand));
    return kExitUsage;
}

// Help text wrapped at 79 columns, keeping its own line breaks.
QString Wrapped(const QString& text)
{
    constexpr qsizetype kWidth = 79;
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > kWidth) {
                lines << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

void SetUpCommandParser(QCommandLineParser& parser, const CommandSpec& command,
                        const SharedOptions& shared)
{
    parser.setApplicationDescription(Wrapped(QString::fromLatin1(command.description)));
    shared.addTo(parser);
    if (command.addOptions) {
        command.addOptions(parser);
    }
    parser.addPositionalArgument(QString::fromLatin1(command.name),
                                 QString::fromLatin1(command.summary),
                                 QString::fromLatin1(command.name));
    for (const ArgumentHelp& argument : command.arguments) {
        parser.addPositionalArgument(QString::fromLatin1(argument.name),
                                     QString::fromLatin1(argument.description),
                                     QString::fromLatin1(argument.syntax));
    }
}

} // namespace

int RunCommandLine(const QStringList& arguments, std::FILE* out, std::FILE* err)
{
    const QString program = QString::fromLatin1(kProgramName);
    const SharedOptions shared;

    // First the options in front of the command word; everything from the command word on is
    // the command's own.
    QCommandLineParser top;
    top.setApplicationDescription(ProgramHelpDescription());
    top.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    shared.addTo(top);
    const QCommandLineOption version{QStringLiteral("version"),
                                     QStringLiteral("Show the version.")};
    top.addOption(version);
    top.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("What to do (see above)."),
                              QStringLiteral("COMMAND [ARGUMENTS]"));
    if (!top.parse(arguments)) {
        return UsageError(err, top.errorText(), program);
    }
    if (top.isSet(version)) {
        Print(out, program + QLatin1Char(' ') + QCoreApplication::applicationVersion() +
                       QLatin1Char('\n'));
        return kExitOk;
    }
    QStringList words = top.positionalArguments();
    if (words.isEmpty() || (words.front() == QLatin1String("help") && words.size() == 1)) {
        if (top.isSet(shared.help) || !words.isEmpty()) {
            Print(out, top.helpText());
            return kExitOk;
        }
        return UsageError(err, QStringLiteral("a command is missing"), program);
    }
    bool helpWord = false;
    if (words.front() == QLatin1String("help")) {
        helpWord = true;
        words.removeFirst();
    }
    const CommandSpec* command = FindCommand(words.front());
    if (command == nullptr) {
        return UsageError(err, QStringLiteral("unknown command '%1'").arg(words.front()), program);
    }

    QCommandLineParser parser;
    SetUpCommandParser(parser, *command, shared);
    const QString commandHelp = program + QLatin1Char(' ') + QLatin1String(command->name);
    QStringList commandArguments = words;
    commandArguments.front() = arguments.value(0, program);
    if (!parser.parse(commandArguments)) {
        return UsageError(err, parser.errorText(), commandHelp);
    }
    if (helpWord || top.isSet(shared.help) || parser.isSet(shared.help)) {
        Print(out, parser.helpText());
        return kExitOk;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() < command->minArgs ||
        (command->maxArgs >= 0 && args.size() > command->maxArgs)) {
        return UsageError(err,
                          args.size() < command->minArgs
                              ? QStringLiteral("%1: an argument is missing").arg(command->name)
                              : QStringLiteral("%1: too many arguments").arg(command->name),
                          commandHelp);
    }

    CliSession::Settings settings;
    settings.verbose = top.isSet(shared.verbose) || parser.isSet(shared.verbose);
    settings.timing = top.isSet(shared.patient) || parser.isSet(shared.patient)
                          ? ExchangeTiming::Patient
                          : ExchangeTiming::Quick;
    settings.portName =
        ArgumentPath(parser.isSet(shared.port) ? parser.value(shared.port) : top.value(shared.port))
            .bytes;
    const QString logPath =
        parser.isSet(shared.log) ? parser.value(shared.log) : top.value(shared.log);
    std::unique_ptr<ConsoleLogFile> log;
    if (!logPath.isEmpty()) {
        std::string error;
        log = ConsoleLogFile::Open(ArgumentPath(logPath).bytes,
                                   top.isSet(shared.logRaw) || parser.isSet(shared.logRaw)
                                       ? ConsoleLogFile::Mode::RawReceived
                                       : ConsoleLogFile::Mode::Lines,
                                   &error);
        if (!log) {
            Print(err,
                  QStringLiteral("%1: %2\n")
                      .arg(QLatin1String(kProgramName), QString::fromLocal8Bit(error.c_str())));
            return kExitFailure;
        }
    }
    ConsoleLogFile::SetActive(log.get());
    CliSession session(std::move(settings), out, err);
    CommandContext context{session, parser, args};
    if (const qsizetype dashes = commandArguments.indexOf(QStringLiteral("--")); dashes >= 0) {
        context.trailing = commandArguments.mid(dashes + 1);
    }
    const int status = command->run(context);
    ConsoleLogFile::SetActive(nullptr);
    return status;
}

} // namespace kora::cli
