// ports and ls: what the port box offers and what the device panel shows.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <set>
#include <variant>
#include <vector>

#include "cli/Commands.h"
#include "cli/DeviceArgs.h"
#include "cli/NamedPorts.h"
#include "device/DeviceBrowser.h"
#include "device/DeviceOperations.h"
#include "filelist/FileColumns.h"
#include "filelist/SizeText.h"
#include "link/ComPortScan.h"
#include "link/SerialPort.h"

namespace kora::cli {

namespace {

// "busy" for a port another program holds, "no access" for one this user may not open.
QString PortState(const std::string& name)
{
    SerialPort probe(name);
    if (probe.Open()) {
        probe.Close();
        return {};
    }
    switch (probe.lastOpenFailure()) {
    case OpenFailure::InUse:
        return QStringLiteral("busy");
    case OpenFailure::AccessDenied:
        return QStringLiteral("no access");
    default:
        return QStringLiteral("gone");
    }
}

QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The type column as the panel fills it: folders are ordinary folders, files take the type of
// a PC file with the same extension.
QString TypeName(const FolderEntry& entry)
{
    static const QMimeDatabase database;
    if (entry.isFolder) {
        return database.mimeTypeForName(QStringLiteral("inode/directory")).comment();
    }
    return database.mimeTypeForFile(Latin1(entry.name), QMimeDatabase::MatchExtension).comment();
}

void PrintTable(std::FILE* out, const DeviceBrowser& browser)
{
    std::vector<std::array<QString, kFileColumnCount>> rows;
    std::array<QString, kFileColumnCount> header;
    for (int column = 0; column < kFileColumnCount; ++column) {
        header[static_cast<std::size_t>(column)] =
            QString::fromLatin1(kFileListColumns[column].title);
    }
    rows.push_back(header);
    for (const FolderEntry& entry : browser.entries()) {
        rows.push_back({Latin1(entry.name), QString::fromStdString(SizeCellText(entry)),
                        TypeName(entry), Latin1(entry.modified)});
    }
    std::array<qsizetype, kFileColumnCount> widths{};
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    for (const auto& row : rows) {
        QString line = row[kColumnName].leftJustified(widths[kColumnName]) + QStringLiteral("  ") +
                       row[kColumnSize].rightJustified(widths[kColumnSize]) + QStringLiteral("  ") +
                       row[kColumnType].leftJustified(widths[kColumnType]) + QStringLiteral("  ") +
                       row[kColumnModified];
        while (line.endsWith(QLatin1Char(' '))) {
            line.chop(1);
        }
        Print(out, line + QLatin1Char('\n'));
    }
    Print(out, QString::fromStdString(browser.objectCountText()) + QStringLiteral("  ") +
                   Latin1(browser.sizeStatusText()) + QLatin1Char('\n'));
}

// The date text of a listing ("2006/07/08 12:01", the time left out at midnight) in ISO 8601
// ("2006-07-08T12:01:00"), for scripts; null when the listing gave no date.
QJsonValue IsoDate(const std::string& text)
{
    std::vector<int> numbers;
    int value = -1;
    for (const char c : text + " ") {
        if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value * 10) + (c - '0');
        } else if (value >= 0) {
            numbers.push_back(value);
            value = -1;
        }
    }
    if (numbers.size() != 3 && numbers.size() != 5 && numbers.size() != 6) {
        return QJsonValue(QJsonValue::Null);
    }
    numbers.resize(6, 0);
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", numbers[0], numbers[1], numbers[2],
                             numbers[3], numbers[4], numbers[5]);
}

QJsonObject TreeJson(const TreeCounts& counts)
{
    return {{QStringLiteral("files"), static_cast<double>(counts.files)},
            {QStringLiteral("folders"), static_cast<double>(counts.folders)},
            {QStringLiteral("bytes"), static_cast<double>(counts.bytes)}};
}

} // namespace

int RunPorts(CommandContext& context)
{
    std::FILE* out = context.session.out();
    const bool json = context.session.json();
    // A file that cannot be read names nothing here; commands that need a port report it.
    const auto loaded = LoadControllerNames();
    const ControllerNames names = std::holds_alternative<ControllerNames>(loaded)
                                      ? std::get<ControllerNames>(loaded)
                                      : ControllerNames{};
    std::set<std::string> shown;
    QJsonArray ports;
    const auto add = [&](const std::string& port, const QString& state,
                         const std::vector<std::string>& portNames) {
        QJsonArray jsonNames;
        QStringList textNames;
        for (const std::string& name : portNames) {
            shown.insert(name);
            jsonNames.append(QString::fromStdString(name));
            textNames << QString::fromStdString(name);
        }
        ports.append(
            QJsonObject{{QStringLiteral("port"), QString::fromLocal8Bit(port.c_str())},
                        {QStringLiteral("state"), state.isEmpty() ? QStringLiteral("free") : state},
                        {QStringLiteral("names"), jsonNames}});
        if (!json) {
            const QString named =
                textNames.isEmpty()
                    ? QString()
                    : QStringLiteral("  (%1)").arg(textNames.join(QStringLiteral(", ")));
            Print(out, QString::fromLocal8Bit(port.c_str()) +
                           (state.isEmpty() ? QString() : QLatin1Char(' ') + state) + named +
                           QLatin1Char('\n'));
        }
    };
    for (const std::string& port : ScanComPorts(SystemComPortSources())) {
        add(port, PortState(port), NamesOfPort(port, names));
    }
    // Named controllers whose port the scan did not find (unplugged, or a typing error).
    for (const auto& [name, port] : names.names) {
        if (!shown.contains(name)) {
            add(port, QStringLiteral("not found"), {name});
        }
    }
    if (json) {
        std::fputs(QJsonDocument(QJsonObject{{QStringLiteral("ports"), ports}})
                       .toJson(QJsonDocument::Indented)
                       .constData(),
                   out);
    }
    std::fflush(out);
    return kExitOk;
}

int RunLs(CommandContext& context)
{
    CliSession& session = context.session;
    const auto path = DevicePathArgument(context.args.value(0, QStringLiteral("\\")));
    if (const auto* error = std::get_if<PathError>(&path)) {
        return session.fail(error->message, kExitUsage);
    }
    DeviceBrowser browser(session.runner());
    browser.ShowDeviceFolder(std::get<std::string>(path));
    if (session.failure()) {
        return session.failWithExchangeFailure();
    }
    std::optional<TreeCounts> tree;
    if (context.options.isSet(QStringLiteral("tree"))) {
        // An empty name counts the directory itself.
        tree = CountDeviceTree(session.runner(), browser.DevicePath(), std::string());
        if (!tree) {
            return session.failWithExchangeFailure();
        }
    }

    std::FILE* out = session.out();
    if (session.json()) {
        QJsonArray entries;
        for (const FolderEntry& entry : browser.entries()) {
            entries.append(QJsonObject{
                {QStringLiteral("name"), Latin1(entry.name)},
                {QStringLiteral("kind"),
                 entry.isFolder ? QStringLiteral("folder") : QStringLiteral("file")},
                {QStringLiteral("size"), static_cast<double>(entry.size)},
                {QStringLiteral("date"), Latin1(entry.modified)},
                {QStringLiteral("modified"), IsoDate(entry.modified)},
            });
        }
        QJsonObject listing{
            {QStringLiteral("path"), Latin1(browser.DevicePath())},
            {QStringLiteral("entries"), entries},
            // null when the listing printed no free-space line
            {QStringLiteral("freeBytes"),
             browser.listedFreeBytes() ? QJsonValue(static_cast<double>(*browser.listedFreeBytes()))
                                       : QJsonValue(QJsonValue::Null)},
        };
        if (tree) {
            listing.insert(QStringLiteral("tree"), TreeJson(*tree));
        }
        session.addPortTo(listing);
        std::fputs(QJsonDocument(listing).toJson(QJsonDocument::Indented).constData(), out);
    } else {
        PrintTable(out, browser);
        if (tree) {
            const PropertiesTexts texts = CurrentDirectoryProperties(browser.pathText(), *tree);
            Print(out, QStringLiteral("Size:      %1\nContains:  %2\n")
                           .arg(QString::fromStdString(texts.size),
                                QString::fromStdString(texts.contents)));
        }
    }
    std::fflush(out);
    return kExitOk;
}

} // namespace kora::cli
