// The device panel's pop-up menu from the command line: rm, rmdir, mkdir, mv, autorun, format,
// mem and abort run the panel's own handlers (DeviceMenuActions) on a listing of the directory
// concerned, so the rules are the panel's: a directory that is not empty is refused, only files
// are renamed, only programs are set to run automatically. The refresh that ends an operation
// in the panel shows here whether the controller did what it was told.
#include <variant>

#include "cli/Commands.h"
#include "cli/DeviceArgs.h"
#include "cli/DosWildcard.h"
#include "device/DeviceBrowser.h"
#include "device/DeviceMenuActions.h"
#include "device/DeviceOperations.h"
#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "link/DosName.h"

namespace kora::cli {

namespace {

// The answers a user gives the panel's questions, from the command line: the command is the
// yes (format asks for --yes before it gets here), the name typed is the one given.
class CommandLineActionUi final : public DeviceActionUi {
public:
    explicit CommandLineActionUi(std::string name = {}) : name_(std::move(name)) {}

    bool confirm(const std::string&) override { return true; }
    void warning(const std::string& text) override { warnings_.push_back(text); }
    std::optional<std::string> askName(const NameRequest&) override { return name_; }
    void showProperties(const PropertiesTexts&) override {}

    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    std::string name_;
    std::vector<std::string> warnings_;
};

// The panel on the command line: the browser lists through the session, the menu's handlers
// act on its rows.
class CommandLinePanel {
public:
    explicit CommandLinePanel(CliSession& session, std::string typedName = {})
        : session_(session), browser_(session.runner()), ui_(std::move(typedName)),
          actions_(browser_, ui_)
    {
    }

    bool list(const std::string& folder)
    {
        browser_.ShowDeviceFolder(folder);
        return !session_.failure();
    }

    std::optional<std::size_t> find(const std::string& name) const
    {
        const FolderEntries& entries = browser_.entries();
        for (std::size_t row = 0; row < entries.size(); ++row) {
            if (SameDeviceName(entries.at(row).name, name)) {
                return row;
            }
        }
        return std::nullopt;
    }

    const FolderEntry& entry(std::size_t row) const { return browser_.entries().at(row); }
    bool empty() const { return browser_.entries().empty(); }
    std::size_t size() const { return browser_.entries().size(); }

    // After a handler: its warning, then its failure; 0 when neither happened.
    int outcome() const
    {
        if (!ui_.warnings().empty()) {
            return session_.failDevice(ui_.warnings().front());
        }
        if (session_.failure()) {
            return session_.failWithExchangeFailure();
        }
        return kExitOk;
    }

    DeviceMenuActions& actions() { return actions_; }
    const DeviceMenuActions& actions() const { return actions_; }

private:
    CliSession& session_;
    DeviceBrowser browser_;
    CommandLineActionUi ui_;
    DeviceMenuActions actions_;
};

std::string OutputLineText(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

// What a console answers a command it has no program for: "Bad command or file name", which
// some DOS versions spell "filename", in any letter case.
bool IsUnknownCommandAnswer(const std::string& text)
{
    const std::string key = DosNameKey(text);
    return key == "BAD COMMAND OR FILE NAME" || key == "BAD COMMAND OR FILENAME";
}

std::string DrivePath(const std::string& folder)
{
    return "D:" + folder;
}

std::optional<SplitPath> NamedPath(CommandContext& context, int argument)
{
    return NamedDevicePath(context.session, context.args.value(argument));
}

// A name the user types into the window's name dialog, which takes no more than maxLength
// characters.
bool FitsNameDialog(CliSession& session, const std::string& name, int maxLength)
{
    if (name.size() <= static_cast<std::size_t>(maxLength)) {
        return true;
    }
    session.failDevice("The name '" + name + "' is longer than " + std::to_string(maxLength) +
                           " characters.",
                       kExitUsage);
    return false;
}

int NotFound(CliSession& session, const SplitPath& path)
{
    return session.failDevice("'" + path.name + "' is not in " + DrivePath(path.folder) + ".");
}

// A name the user wants to give is taken: the controller would refuse it.
int NameTaken(CliSession& session, const FolderEntry& entry, const std::string& folder)
{
    return session.failDevice((entry.isFolder ? "A directory '" : "A file '") + entry.name +
                              "' exists already in " + DrivePath(folder) + ".");
}

// The refresh after the operation shows it had no effect: the controller's own words say why.
int NotDone(CliSession& session, const std::string& what, std::string_view commandStart)
{
    std::string message = "KORA-7740P did not " + what + ".";
    for (const std::string& line : session.outputOf(commandStart)) {
        message += "\n" + line;
    }
    return session.failDevice(message);
}

int RunDelete(CommandContext& context, bool directory)
{
    CliSession& session = context.session;
    const std::optional<SplitPath> path = NamedPath(context, 0);
    if (!path) {
        return kExitUsage;
    }
    CommandLinePanel panel(session);
    if (!panel.list(path->folder)) {
        return session.failWithExchangeFailure();
    }
    const std::optional<std::size_t> row = panel.find(path->name);
    if (!row) {
        return NotFound(session, *path);
    }
    const std::string name = panel.entry(*row).name;
    if (panel.entry(*row).isFolder != directory) {
        return session.failDevice(directory ? "'" + name + "' is not a directory."
                                            : "'" + name + "' is a directory; rmdir deletes it.");
    }
    panel.actions().PopupMenu2Popup(row);
    panel.actions().Delete1Click(row);
    if (const int status = panel.outcome(); status != kExitOk) {
        return status;
    }
    if (panel.find(name)) {
        return NotDone(session, "delete '" + name + "'", directory ? "rd " : "del ");
    }
    return kExitOk;
}

// rm with a DOS wildcard: the matching files of the folder are listed first; more than one is
// deleted only with --yes. Each goes through the panel's Delete as a single name does, and only
// while the confirmed listing made just before its turn (the first one, then the refresh after
// the previous deletion) still shows it as a file: a name that has become a folder meanwhile
// would get the panel's "rd", and one that has gone names nothing the user saw. Either stops
// the deletion there.
int RunDeleteMatching(CommandContext& context, const std::string& typed)
{
    CliSession& session = context.session;
    const std::size_t cut = typed.find_last_of("\\/");
    const std::string pattern = cut == std::string::npos ? typed : typed.substr(cut + 1);
    if (const char* fault = DosPatternFault(pattern)) {
        return session.failDevice("'" + pattern + "': " + fault, kExitUsage);
    }
    const auto folder = NormalizeDevicePath(cut == std::string::npos ? std::string(kDeviceRoot)
                                                                     : typed.substr(0, cut + 1));
    if (const auto* error = std::get_if<PathError>(&folder)) {
        return session.fail(error->message, kExitUsage);
    }
    const std::string& path = std::get<std::string>(folder);
    CommandLinePanel panel(session);
    if (!panel.list(path)) {
        return session.failWithExchangeFailure();
    }
    std::vector<std::string> matches;
    for (std::size_t row = 0; row < panel.size(); ++row) {
        const FolderEntry& entry = panel.entry(row);
        if (!entry.isFolder && MatchesDosPattern(pattern, entry.name)) {
            matches.push_back(entry.name);
        }
    }
    if (matches.empty()) {
        return session.failDevice("No file in " + DrivePath(path) + " matches '" + pattern + "'.");
    }
    for (const std::string& name : matches) {
        std::fprintf(session.out(), "%s\n", DeviceLocation(ChildDevicePath(path, name)).c_str());
    }
    std::fflush(session.out());
    if (matches.size() > 1 && !context.options.isSet(QStringLiteral("yes"))) {
        return session.failDevice(std::to_string(matches.size()) + " files match '" + pattern +
                                      "'; nothing was deleted: give --yes to delete them all.",
                                  kExitUsage);
    }
    for (const std::string& name : matches) {
        const std::optional<std::size_t> row = panel.find(name);
        if (!row) {
            return session.failDevice("'" + name + "' is not in " + DrivePath(path) +
                                      " any more; it and the files after it were not deleted.");
        }
        if (panel.entry(*row).isFolder) {
            return session.failDevice("'" + name + "' in " + DrivePath(path) +
                                      " has become a directory; a pattern deletes files only, so "
                                      "it and the files after it were not deleted.");
        }
        panel.actions().PopupMenu2Popup(row);
        panel.actions().Delete1Click(row);
        if (const int status = panel.outcome(); status != kExitOk) {
            return status;
        }
        if (panel.find(name)) {
            return NotDone(session, "delete '" + name + "'", "del ");
        }
    }
    return kExitOk;
}

} // namespace

int RunRm(CommandContext& context)
{
    // The wildcard test runs on the controller's bytes: a character it has not is refused
    // here, never turned into a "?" that would match another file.
    const auto typed = DeviceText(context.args.value(0));
    if (const auto* error = std::get_if<PathError>(&typed)) {
        return context.session.fail(error->message, kExitUsage);
    }
    if (HasDosWildcard(std::get<std::string>(typed))) {
        return RunDeleteMatching(context, std::get<std::string>(typed));
    }
    return RunDelete(context, false);
}

int RunRmdir(CommandContext& context)
{
    return RunDelete(context, true);
}

int RunMkdir(CommandContext& context)
{
    CliSession& session = context.session;
    const std::optional<SplitPath> path = NamedPath(context, 0);
    if (!path) {
        return kExitUsage;
    }
    if (!FitsNameDialog(session, path->name, MakeDirectoryRequest().maxLength)) {
        return kExitUsage;
    }
    CommandLinePanel panel(session, path->name);
    if (!panel.list(path->folder)) {
        return session.failWithExchangeFailure();
    }
    if (const std::optional<std::size_t> taken = panel.find(path->name)) {
        return NameTaken(session, panel.entry(*taken), path->folder);
    }
    panel.actions().MakeDirectory1Click();
    if (const int status = panel.outcome(); status != kExitOk) {
        return status;
    }
    const std::optional<std::size_t> made = panel.find(path->name);
    if (!made || !panel.entry(*made).isFolder) {
        return NotDone(session, "make the directory '" + path->name + "'", "md ");
    }
    return kExitOk;
}

int RunMv(CommandContext& context)
{
    CliSession& session = context.session;
    const std::optional<SplitPath> path = NamedPath(context, 0);
    if (!path) {
        return kExitUsage;
    }
    const auto typedName = DeviceText(context.args.value(1));
    if (const auto* error = std::get_if<PathError>(&typedName)) {
        return session.fail(error->message, kExitUsage);
    }
    const std::string& newName = std::get<std::string>(typedName);
    if (const auto warning = UnsafeNameWarning(newName)) {
        return session.failDevice(*warning, kExitUsage);
    }
    if (newName.empty() || !FitsNameDialog(session, newName, RenameRequest(path->name).maxLength)) {
        return kExitUsage;
    }
    CommandLinePanel panel(session, newName);
    if (!panel.list(path->folder)) {
        return session.failWithExchangeFailure();
    }
    const std::optional<std::size_t> row = panel.find(path->name);
    if (!row) {
        return NotFound(session, *path);
    }
    const std::string oldName = panel.entry(*row).name;
    if (!panel.actions().itemEnabled("Rename", row)) {
        return session.failDevice("'" + oldName + "' is a directory; only files are renamed.");
    }
    // Another entry of that name (a change of letter case only is the same entry).
    if (const std::optional<std::size_t> taken = panel.find(newName); taken && *taken != *row) {
        return NameTaken(session, panel.entry(*taken), path->folder);
    }
    panel.actions().PopupMenu2Popup(row);
    panel.actions().Rename1Click(row);
    if (const int status = panel.outcome(); status != kExitOk) {
        return status;
    }
    if (!panel.find(newName)) {
        return NotDone(session, "rename '" + oldName + "'", "ren ");
    }
    return kExitOk;
}

int RunAutorun(CommandContext& context)
{
    CliSession& session = context.session;
    const std::optional<SplitPath> path = NamedPath(context, 0);
    if (!path) {
        return kExitUsage;
    }
    CommandLinePanel panel(session);
    if (!panel.list(path->folder)) {
        return session.failWithExchangeFailure();
    }
    const std::optional<std::size_t> row = panel.find(path->name);
    if (!row) {
        return NotFound(session, *path);
    }
    const std::string name = panel.entry(*row).name;
    if (!panel.actions().itemEnabled("Set to AutoRun", row)) {
        return session.failDevice("'" + name +
                                  "' is not a program; only .EXE files are set to AutoRun.");
    }
    panel.actions().PopupMenu2Popup(row);
    panel.actions().SetToAutoRun1Click(row);
    if (const int status = panel.outcome(); status != kExitOk) {
        return status;
    }
    if (!panel.find("AutoRun.bat")) {
        return NotDone(session, "write AutoRun.bat", "echo ");
    }
    return kExitOk;
}

int RunFormat(CommandContext& context)
{
    CliSession& session = context.session;
    if (!context.options.isSet(QStringLiteral("yes"))) {
        return session.failDevice(std::string(kFormatQuestion) +
                                      "\nNothing was done: give --yes to format the drive.",
                                  kExitUsage);
    }
    CommandLinePanel panel(session);
    // From the root, so that the controller is not left in a directory the format removes.
    if (!panel.list(std::string(kDeviceRoot))) {
        return session.failWithExchangeFailure();
    }
    panel.actions().FORMAT1Click();
    if (const int status = panel.outcome(); status != kExitOk) {
        return status;
    }
    // The refresh after the format listed the root: a formatted drive holds nothing.
    if (!panel.empty()) {
        return NotDone(session, "format D:", "C:\\DLFMT ");
    }
    return kExitOk;
}

int RunMem(CommandContext& context)
{
    CommandLinePanel panel(context.session);
    context.session.log().setEchoOutput(true);
    panel.actions().MEM1Click();
    return panel.outcome();
}

int RunAbort(CommandContext& context)
{
    CommandLinePanel panel(context.session);
    context.session.log().setEchoOutput(true);
    panel.actions().ABORT1Click();
    return panel.outcome();
}

int RunExec(CommandContext& context)
{
    CliSession& session = context.session;
    const auto typed = DeviceText(context.args.join(QLatin1Char(' ')));
    if (const auto* error = std::get_if<PathError>(&typed)) {
        return session.fail(QStringLiteral("exec: ") + error->message, kExitUsage);
    }
    const std::string& command = std::get<std::string>(typed);
    if (command.empty()) {
        return session.fail(QStringLiteral("exec: the command is empty"), kExitUsage);
    }
    for (const char c : command) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return session.fail(
                QStringLiteral("exec: the command holds a control character; it types one "
                               "line, which the tool ends with Enter"),
                kExitUsage);
        }
    }
    session.log().setEchoOutput(true);
    const OperationResult result = session.run(GenericCommand(command + "\r"));
    if (!result.ok) {
        return session.failDevice(result.message);
    }
    // The console found no program of that name: nothing ran, and a chain must not go on as
    // if it had. Its answer is its first line (some consoles print a blank one before).
    for (const std::string& line : session.outputOf(command)) {
        const std::string text = OutputLineText(line);
        if (IsUnknownCommandAnswer(text)) {
            return session.failDevice("KORA-7740P did not run '" + command + "': " + text);
        }
        if (!text.empty()) {
            break;
        }
    }
    return kExitOk;
}

} // namespace kora::cli
