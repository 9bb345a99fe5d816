// ports and ls: what the port box offers and what the device panel shows.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeDatabase>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <variant>
#include <vector>

#include "cli/Commands.h"
#include "cli/DeviceArgs.h"
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

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
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

QJsonObject TreeJson(const TreeCounts& counts)
{
    return {{QStringLiteral("files"), static_cast<double>(counts.files)},
            {QStringLiteral("folders"), static_cast<double>(counts.folders)},
            {QStringLiteral("bytes"), static_cast<double>(counts.bytes)}};
}

} // namespace

std::optional<std::string> DefaultPort()
{
    if (const char* named = std::getenv("KORA_PORT"); named != nullptr && *named != '\0') {
        return std::string(named);
    }
    const std::vector<std::string> ports = ScanComPorts(SystemComPortSources());
    if (ports.empty()) {
        return std::nullopt;
    }
    return ports.front();
}

int RunPorts(CommandContext& context)
{
    for (const std::string& name : ScanComPorts(SystemComPortSources())) {
        const QString state = PortState(name);
        Print(context.session.out(), QString::fromLocal8Bit(name.c_str()) +
                                         (state.isEmpty() ? QString() : QLatin1Char(' ') + state) +
                                         QLatin1Char('\n'));
    }
    std::fflush(context.session.out());
    return kExitOk;
}

int RunLs(CommandContext& context)
{
    CliSession& session = context.session;
    const auto path = NormalizeDevicePath(DeviceText(context.args.value(0, QStringLiteral("\\"))));
    if (const auto* error = std::get_if<PathError>(&path)) {
        return session.failDevice(error->message, kExitUsage);
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
    if (context.options.isSet(QStringLiteral("json"))) {
        QJsonArray entries;
        for (const FolderEntry& entry : browser.entries()) {
            entries.append(QJsonObject{
                {QStringLiteral("name"), Latin1(entry.name)},
                {QStringLiteral("kind"),
                 entry.isFolder ? QStringLiteral("folder") : QStringLiteral("file")},
                {QStringLiteral("size"), static_cast<double>(entry.size)},
                {QStringLiteral("date"), Latin1(entry.modified)},
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
