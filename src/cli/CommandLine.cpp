#include "cli/CommandLine.h"

#include "link/ConsoleLogFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "cli/Commands.h"
#include "cli/ErrorReport.h"
#include "cli/NamedPorts.h"
#include "filelist/LocalPath.h"
#include "link/ComPortScan.h"

namespace kora::cli {

namespace {

struct ArgumentHelp {
    const char* name;
    const char* description;
    const char* syntax;
};

struct CommandDefinition {
    const char* name;
    const char* summary; // one line in the command list
    const char* description;
    std::vector<ArgumentHelp> arguments;
    int minArgs = 0;
    int maxArgs = 0; // -1: any number
    std::function<void(QCommandLineParser&)> addOptions;
    int (*run)(CommandContext&) = nullptr;
};

CommandDefinition RunCommandDefinition()
{
    return {
        "run",
        "Upload a program, run it and print its output.",
        "Uploads a program (.EXE, .COM or .BAT) with the checks of put, starts it in the "
        "directory it went to, with the arguments after --, and prints its output until the "
        "controller's prompt returns and the line stays quiet after it. When the echo of the "
        "Enter that starts the program fails, nothing more is typed and run exits 1: the "
        "program may be running. Ctrl-C sends the controller's abort command (exit status "
        "130).",
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
            parser.addOption({QStringLiteral("settle"),
                              QStringLiteral("Take the prompt as the program's end only when "
                                             "nothing follows it for SECONDS (default 0.5): a "
                                             "program may print a line like the prompt and go "
                                             "on."),
                              QStringLiteral("SECONDS")});
            parser.addOption(
                {QStringLiteral("no-upload"),
                 QStringLiteral("Only run the program already on KORA-7740P (FILE may then "
                                "name it there, such as \\BIN\\TOOL.EXE).")});
            parser.addOption(
                {QStringLiteral("fast"), QStringLiteral("Upload without the 5 ms pause after each "
                                                        "block.")});
        },
        RunRun};
}

CommandDefinition SyncCommandDefinition()
{
    return {"sync",
            "Make a folder of D: hold what a PC folder holds, uploading what changed.",
            "Makes DEVDIR hold what PCFOLDER holds, its files and folders, with the name checks "
            "of put -r, and uploads only the files that changed since the last sync to this "
            "controller: a file is left when its content is the one recorded for it and the "
            "controller lists the size and date it listed right after that upload. The record "
            "is kept per controller under $XDG_STATE_HOME/kora7740p/sync. Without a record "
            "every file is uploaded.",
            {{"PCFOLDER", "PC folder to deploy.", "PCFOLDER"},
             {"DEVDIR", "Folder of D: to deploy it to, such as \\ or \\SITE.", "DEVDIR"}},
            2,
            2,
            [](QCommandLineParser& parser) {
                parser.addOption({QStringLiteral("delete"),
                                  QStringLiteral("Also delete what DEVDIR holds and PCFOLDER "
                                                 "does not (listed first; needs --yes).")});
                parser.addOption({QStringLiteral("yes"),
                                  QStringLiteral("With --delete: delete what is listed.")});
                parser.addOption({QStringLiteral("dry-run"),
                                  QStringLiteral("Print the plan and change nothing.")});
                parser.addOption({QStringLiteral("all"),
                                  QStringLiteral("Upload every file, whatever the record says.")});
                parser.addOption({QStringLiteral("fast"),
                                  QStringLiteral("Send each block as soon as the previous one is "
                                                 "acknowledged, without the 5 ms pause.")});
            },
            RunSyncCommand};
}

const std::vector<CommandDefinition>& Commands()
{
    static const std::vector<CommandDefinition> commands = {
        {"ports",
         "List the serial ports found and the controllers' names.",
         "Lists the serial ports the scan finds, COMn aliases first, then device paths, one a "
         "line. A port another program holds is followed by \"busy\", one this user may not "
         "open by \"no access\"; the names controllers.conf gives a port follow in "
         "parentheses. Named controllers whose port is not there are listed as \"not found\".",
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
             parser.addOption({{QStringLiteral("r"), QStringLiteral("recursive")},
                               QStringLiteral("Mirror a PC folder: put -r FOLDER [DEVDIR] makes "
                                              "its folders on D: and uploads its files; every "
                                              "name is checked first.")});
             parser.addOption({QStringLiteral("dry-run"),
                               QStringLiteral("With -r: print what would be made and sent, and "
                                              "send nothing.")});
             parser.addOption({QStringLiteral("fast"),
                               QStringLiteral("Send each block as soon as the previous one is "
                                              "acknowledged, without the 5 ms pause.")});
             parser.addOption({QStringLiteral("watch"),
                               QStringLiteral("Upload again each time a file changes, one line "
                                              "per upload, until Ctrl-C.")});
         },
         RunPut},
        SyncCommandDefinition(),
        RunCommandDefinition(),
        {"cat",
         "Print a text file of D:.",
         "Reads a text file back from the controller with the console's \"type\" and prints it "
         "on standard output, byte for byte. The file's size in the listing must match every "
         "byte the console printed; a file that cannot be read back exactly (a binary file) is "
         "refused and nothing is printed. A text followed by an upload's zero padding or by its "
         "end-of-file mark (Ctrl-Z) prints as its text, and standard error says so.",
         {{"NAME", "File to print, such as \\CONFIG\\PLANT.INI.", "NAME"}},
         1,
         1,
         {},
         RunCat},
        {"get",
         "Copy text files of D: to the PC.",
         "Reads text files back from the controller as cat does and keeps them on the PC, each "
         "whole or not at all, under the name the controller lists. The last argument is the "
         "PC folder when it is one (default: the current folder). An existing PC file is not "
         "replaced without --force; nothing is read then. A file that cannot be read back "
         "exactly is reported and the others are still copied (exit status 1).\n"
         "--all-text FOLDER copies every file of the D: tree (or the tree below --from) into "
         "FOLDER (made as mkdir -p would), folders included, never through a link: the backup "
         "to make before a FORMAT. It is whole or it fails: each file not in it is named with "
         "its reason and the exit status is 1.",
         {{"NAME", "Files to copy, such as \\README.TXT.", "NAME..."},
          {"FOLDER", "PC folder to copy into.", "[FOLDER]"}},
         1,
         -1,
         [](QCommandLineParser& parser) {
             parser.addOption(
                 {QStringLiteral("force"), QStringLiteral("Replace PC files that exist already.")});
             parser.addOption(
                 {QStringLiteral("all-text"),
                  QStringLiteral("Copy every file of the tree into FOLDER, or fail.")});
             parser.addOption({QStringLiteral("from"),
                               QStringLiteral("With --all-text: the D: folder whose tree is "
                                              "copied (default: the root)."),
                               QStringLiteral("DEVDIR")});
         },
         RunGet},
        {"rm",
         "Delete a file, or the files a DOS wildcard matches.",
         "Deletes a file on D:. A name with DOS wildcards (\"*.BAK\", \"LOG??.TXT\"; quote it "
         "for the shell) names the files of its folder it matches, as \"del\" matches them: "
         "field by field, so a pattern without a dot matches only names without an extension. "
         "The matches are listed first; more than one is deleted only with --yes.",
         {{"NAME", "File to delete, such as \\BIN\\TOOL.COM or \\LOG\\*.BAK.", "NAME"}},
         1,
         1,
         [](QCommandLineParser& parser) {
             parser.addOption({QStringLiteral("yes"),
                               QStringLiteral("Delete every file the wildcard matches.")});
         },
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

const CommandDefinition* FindCommand(const QString& name)
{
    for (const CommandDefinition& command : Commands()) {
        if (name == QLatin1String(command.name)) {
            return &command;
        }
    }
    return nullptr;
}

// The options every command takes, before or after its name.
struct SharedOptions {
    QCommandLineOption port{{QStringLiteral("p"), QStringLiteral("port")},
                            QStringLiteral("Serial port: COMn, a device path such as "
                                           "/dev/ttyUSB0, or a controller's name from "
                                           "controllers.conf (default: $KORA_PORT, else the "
                                           "file's default; never a port merely found)."),
                            QStringLiteral("PORT")};
    QCommandLineOption patient{QStringLiteral("patient"),
                               QStringLiteral("Wait for the console to fall silent after each "
                                              "command instead of ending at the prompt.")};
    QCommandLineOption verbose{{QStringLiteral("v"), QStringLiteral("verbose")},
                               QStringLiteral("Show the console traffic on standard error.")};
    QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")},
                             QStringLiteral("Print no progress or report lines, only failures.")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("Print JSON (ls, ports, sync, cfgio show), and report a "
                                           "failure as one JSON object on standard error.")};
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
        parser.addOption(quiet);
        parser.addOption(json);
        parser.addOption(help);
    }
};

QString Synopsis(const CommandDefinition& command)
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
    for (const CommandDefinition& command : Commands()) {
        width = std::max(width, Synopsis(command).size());
    }
    for (const CommandDefinition& command : Commands()) {
        text += QStringLiteral("  %1  %2\n")
                    .arg(Synopsis(command), -static_cast<int>(width))
                    .arg(QLatin1String(command.summary));
    }
    text += QStringLiteral("\n'kora7740p COMMAND --help' describes a command and its options.\n"
                           "Exit status: 0 success, 1 a device or file failure, 2 wrong usage.");
    return text;
}

int UsageError(std::FILE* err, bool json, const QString& message, const QString& helpCommand)
{
    return ReportError(err, {json, {}, {}},
                       QStringLiteral("%1 (try '%2 --help')").arg(message, helpCommand),
                       kExitUsage);
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

void SetUpCommandParser(QCommandLineParser& parser, const CommandDefinition& command,
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

// The ports the scan finds, for the message that asks for one.
QString FoundPortsText()
{
    QStringList found;
    for (const std::string& port : ScanComPorts(SystemComPortSources())) {
        found << QString::fromLocal8Bit(port.c_str());
    }
    return found.isEmpty() ? QStringLiteral("none") : found.join(QStringLiteral(", "));
}

// One command of the command line: its parser holds its options and arguments.
struct ParsedCommand {
    const CommandDefinition* definition = nullptr;
    std::unique_ptr<QCommandLineParser> parser;
    QStringList args;
    QStringList trailing; // the words after "--", handed on as they are (run's arguments)
};

// The commands of a chain split at each lone "+".
QList<QStringList> ChainParts(const QStringList& words)
{
    QList<QStringList> parts{{}};
    for (const QString& word : words) {
        if (word == QLatin1String("+")) {
            parts.append(QStringList());
        } else {
            parts.back().append(word);
        }
    }
    return parts;
}

// The value of a shared option given in front of the commands or with any of them; two
// different values are wrong usage.
std::optional<QString> SharedValue(const QCommandLineParser& top,
                                   const std::vector<ParsedCommand>& commands,
                                   const QCommandLineOption& option, QString* conflict)
{
    std::optional<QString> value;
    if (top.isSet(option)) {
        value = top.value(option);
    }
    for (const ParsedCommand& command : commands) {
        if (!command.parser->isSet(option)) {
            continue;
        }
        const QString given = command.parser->value(option);
        if (value && *value != given) {
            *conflict = option.names().back();
        }
        value = given;
    }
    return value;
}

bool SharedFlag(const QCommandLineParser& top, const std::vector<ParsedCommand>& commands,
                const QCommandLineOption& option)
{
    bool set = top.isSet(option);
    for (const ParsedCommand& command : commands) {
        set = set || command.parser->isSet(option);
    }
    return set;
}

// A stream held in memory, closed with its owner.
class MemoryStream {
public:
    MemoryStream() : file_(open_memstream(&data_, &size_)) {}
    ~MemoryStream()
    {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        std::free(data_);
    }
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    std::FILE* file() const { return file_; }
    std::string text()
    {
        std::fflush(file_);
        return std::string(data_, size_);
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

// The check of a chain before anything of it runs: each command runs in a session that only
// checks, up to its first reach for the controller (CliSession::ReachedController), so wrong
// usage that only the command itself finds (a name, a path, a PC file name, the whole plan of
// put -r) ends the chain before its first command sends anything. What the commands print
// meanwhile is dropped; a failure that is not wrong usage (a PC file that an earlier command
// of the chain may yet make, say) is left to the run. Returns the status of the first wrong
// usage (reported on err), or kExitOk.
int CheckChain(std::vector<ParsedCommand>& commands, const CliSession::Settings& settings,
               std::FILE* err)
{
    CliSession::Settings checking = settings;
    checking.checkOnly = true;
    checking.verbose = false;
    for (ParsedCommand& command : commands) {
        if (QLatin1String(command.definition->name) == QLatin1String("ports")) {
            continue; // nothing to check, and its scan would open every port
        }
        MemoryStream out;
        MemoryStream messages;
        if (out.file() == nullptr || messages.file() == nullptr) {
            return kExitOk; // the run checks each command as it comes
        }
        CliSession session(checking, out.file(), messages.file());
        CommandContext context{session, *command.parser, command.args};
        context.trailing = command.trailing;
        int status = kExitOk;
        try {
            status = command.definition->run(context);
        } catch (const CliSession::ReachedController&) {
            status = kExitOk;
        }
        if (status == kExitUsage) {
            const std::string text = messages.text();
            std::fwrite(text.data(), 1, text.size(), err);
            std::fflush(err);
            return status;
        }
    }
    return kExitOk;
}

} // namespace

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int RunCommandLine(const QStringList& arguments, std::FILE* out, std::FILE* err)
{
    const QString program = QString::fromLatin1(kProgramName);
    const SharedOptions shared;
    // Known before anything is parsed, so that wrong usage is reported in the form asked for.
    const bool json = arguments.contains(QStringLiteral("--json"));

    // First the options in front of the command word; everything from the command word on is
    // the commands' own.
    QCommandLineParser top;
    top.setApplicationDescription(ProgramHelpDescription());
    top.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    shared.addTo(top);
    const QCommandLineOption version{QStringLiteral("version"),
                                     QStringLiteral("Show the version.")};
    top.addOption(version);
    top.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("What to do (see above)."),
                              QStringLiteral("COMMAND [ARGUMENTS] [+ COMMAND [ARGUMENTS]]..."));
    if (!top.parse(arguments)) {
        return UsageError(err, json, top.errorText(), program);
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
        return UsageError(err, json, QStringLiteral("a command is missing"), program);
    }
    bool helpWord = false;
    if (words.front() == QLatin1String("help")) {
        helpWord = true;
        words.removeFirst();
    }

    // Every command of a chain is checked before the first one runs: wrong usage anywhere
    // sends nothing at all.
    std::vector<ParsedCommand> commands;
    for (const QStringList& part : ChainParts(words)) {
        if (part.isEmpty()) {
            return UsageError(err, json, QStringLiteral("a command is missing next to \"+\""),
                              program);
        }
        const CommandDefinition* command = FindCommand(part.front());
        if (command == nullptr) {
            return UsageError(err, json, QStringLiteral("unknown command '%1'").arg(part.front()),
                              program);
        }
        auto parser = std::make_unique<QCommandLineParser>();
        SetUpCommandParser(*parser, *command, shared);
        const QString commandHelp = program + QLatin1Char(' ') + QLatin1String(command->name);
        QStringList commandArguments = part;
        commandArguments.front() = arguments.value(0, program);
        if (!parser->parse(commandArguments)) {
            return UsageError(err, json, parser->errorText(), commandHelp);
        }
        if (helpWord || top.isSet(shared.help) || parser->isSet(shared.help)) {
            Print(out, parser->helpText());
            return kExitOk;
        }
        const QStringList args = parser->positionalArguments();
        if (args.size() < command->minArgs ||
            (command->maxArgs >= 0 && args.size() > command->maxArgs)) {
            return UsageError(err, json,
                              args.size() < command->minArgs
                                  ? QStringLiteral("%1: an argument is missing").arg(command->name)
                                  : QStringLiteral("%1: too many arguments").arg(command->name),
                              commandHelp);
        }
        QStringList trailing;
        if (const qsizetype dashes = commandArguments.indexOf(QStringLiteral("--")); dashes >= 0) {
            trailing = commandArguments.mid(dashes + 1);
        }
        commands.push_back({command, std::move(parser), args, std::move(trailing)});
    }

    QString conflict;
    const std::optional<QString> portOption = SharedValue(top, commands, shared.port, &conflict);
    const std::optional<QString> logOption = SharedValue(top, commands, shared.log, &conflict);
    if (!conflict.isEmpty()) {
        return UsageError(err, json,
                          QStringLiteral("--%1 is given twice with different values").arg(conflict),
                          program);
    }
    CliSession::Settings settings;
    settings.verbose = SharedFlag(top, commands, shared.verbose);
    settings.quiet = SharedFlag(top, commands, shared.quiet);
    settings.json = SharedFlag(top, commands, shared.json);
    settings.timing =
        SharedFlag(top, commands, shared.patient) ? ExchangeTiming::Patient : ExchangeTiming::Quick;
    const bool needsPort = std::any_of(commands.begin(), commands.end(), [](const auto& command) {
        return QLatin1String(command.definition->name) != QLatin1String("ports");
    });
    if (needsPort) {
        const auto names = LoadControllerNames();
        if (const auto* error = std::get_if<std::string>(&names)) {
            return UsageError(err, json, QString::fromLocal8Bit(error->c_str()), program);
        }
        const auto choice = ChoosePort(portOption ? ArgumentPath(*portOption).bytes : std::string(),
                                       std::get<ControllerNames>(names));
        if (const auto* error = std::get_if<std::string>(&choice)) {
            return ReportError(err, {json, {}, {}},
                               QStringLiteral("%1; ports found: %2")
                                   .arg(QString::fromLocal8Bit(error->c_str()), FoundPortsText()),
                               kExitUsage);
        }
        settings.portName = std::get<PortChoice>(choice).port;
        settings.portLabel = std::get<PortChoice>(choice).name;
    }
    std::unique_ptr<ConsoleLogFile> log;
    if (logOption && !logOption->isEmpty()) {
        std::string error;
        log = ConsoleLogFile::Open(ArgumentPath(*logOption).bytes,
                                   SharedFlag(top, commands, shared.logRaw)
                                       ? ConsoleLogFile::Mode::RawReceived
                                       : ConsoleLogFile::Mode::Lines,
                                   &error);
        if (!log) {
            return ReportError(err, {json, settings.portName, settings.portLabel},
                               QString::fromLocal8Bit(error.c_str()), kExitFailure);
        }
    }
    if (commands.size() > 1) {
        if (const int status = CheckChain(commands, settings, err); status != kExitOk) {
            return status;
        }
    }
    ConsoleLogFile::SetActive(log.get());
    // One session for the whole chain: its port, once opened, stays held until the end.
    CliSession session(std::move(settings), out, err);
    int status = kExitOk;
    for (ParsedCommand& command : commands) {
        session.log().setEchoOutput(false);
        CommandContext context{session, *command.parser, command.args};
        context.trailing = command.trailing;
        status = command.definition->run(context);
        if (status != kExitOk) {
            break; // the first failure ends the chain, with its status
        }
    }
    ConsoleLogFile::SetActive(nullptr);
    return status;
}

} // namespace kora::cli
