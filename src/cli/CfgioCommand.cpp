// cfgio show and cfgio apply: the "Config KORA" cycle without its dialog. show reads the slot
// table from the controller's console; apply takes the edited table from a file, uploads it
// and has the controller apply it, then deletes the upload again.
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "cli/Commands.h"
#include "filelist/LocalPath.h"
#include "ioconf/IoConfigExchange.h"
#include "ioconf/IoConfigText.h"
#include "ioconf/ModuleKinds.h"
#include "ioconf/RangeLists.h"

namespace kora::cli {

namespace {

// The channels the configuration file carries for a slot: those of an analog module, up to
// the reported count.
int ListedChannels(const IoSlotConfig& slot)
{
    if (!HasRangeRecords(slot.ModuleType) || slot.ChannelCount < 1 ||
        slot.ChannelCount > kChannelCount) {
        return 0;
    }
    return slot.ChannelCount;
}

// The text of a range code in its module's list; empty for a code the list does not hold.
QString RangeText(const IoSlotConfig& slot, std::int32_t code)
{
    const std::optional<RangeList> list = ModuleKindOf(slot.ModuleType).list;
    if (!list) {
        return {};
    }
    const int position = RangePositionOf(*list, code);
    return position < 0 ? QString() : QString::fromLatin1(RangeTexts(*list)[position]);
}

void PrintTable(std::FILE* out, const IoConfigTable& table)
{
    Print(out, QStringLiteral("Node %1\n").arg(table.NodeID, 3, 10, QLatin1Char('0')));
    for (int index = 0; index < kSlotCount; ++index) {
        const IoSlotConfig& slot = table.SlotConfig[static_cast<std::size_t>(index)];
        const ModuleKind& kind = ModuleKindOf(slot.ModuleType);
        const QString description = QString::fromLatin1(kind.description);
        if (&kind == &ModuleKindOf(kNoModule)) { // 99, or a type the program does not know
            Print(out, QStringLiteral("Slot %1: %2\n").arg(index).arg(description));
            continue;
        }
        Print(out, QStringLiteral("Slot %1: %2 (type %3, %4 channel(s))\n")
                       .arg(index)
                       .arg(description)
                       .arg(slot.ModuleType)
                       .arg(slot.ChannelCount));
        for (int channel = 0; channel < ListedChannels(slot); ++channel) {
            const std::int32_t code = slot.RangeCode[static_cast<std::size_t>(channel)];
            const QString range = RangeText(slot, code);
            Print(out, QStringLiteral("  Channel %1: code %2%3\n")
                           .arg(channel)
                           .arg(code, 2, 10, QLatin1Char('0'))
                           .arg(range.isEmpty() ? QString() : QStringLiteral("  ") + range));
        }
    }
}

QJsonObject TableJson(const IoConfigTable& table)
{
    QJsonArray slotList;
    for (int index = 0; index < kSlotCount; ++index) {
        const IoSlotConfig& slot = table.SlotConfig[static_cast<std::size_t>(index)];
        QJsonArray channels;
        for (int channel = 0; channel < ListedChannels(slot); ++channel) {
            const std::int32_t code = slot.RangeCode[static_cast<std::size_t>(channel)];
            const QString range = RangeText(slot, code);
            channels.append(QJsonObject{
                {QStringLiteral("channel"), channel},
                {QStringLiteral("rangeCode"), code},
                {QStringLiteral("range"), range.isEmpty() ? QJsonValue() : QJsonValue(range)},
            });
        }
        slotList.append(QJsonObject{
            {QStringLiteral("slot"), index},
            {QStringLiteral("moduleType"), slot.ModuleType},
            {QStringLiteral("module"),
             QString::fromLatin1(ModuleKindOf(slot.ModuleType).description)},
            {QStringLiteral("channelCount"), slot.ChannelCount},
            {QStringLiteral("channels"), channels},
        });
    }
    return {{QStringLiteral("node"), table.NodeID}, {QStringLiteral("slots"), slotList}};
}

int Show(CommandContext& context)
{
    CliSession& session = context.session;
    IoConfigTable table;
    const OperationResult read = session.run(ReadOutOperation(table, IoConfigTiming{}.readOutMs));
    if (!read.ok) {
        return session.failDevice(read.message);
    }
    if (context.options.isSet(QStringLiteral("output")) &&
        !CreateIOConfig(table, context.options.value(QStringLiteral("output")))) {
        return session.failDevice(kCreateConfigFailed);
    }
    if (context.session.json()) {
        QJsonObject document = TableJson(table);
        session.addPortTo(document);
        std::fputs(QJsonDocument(document).toJson(QJsonDocument::Indented).constData(),
                   session.out());
    } else {
        PrintTable(session.out(), table);
    }
    std::fflush(session.out());
    return kExitOk;
}

// Reads a configuration file as the console read-out is read: line by line, line ends kept.
// Nothing unless the file holds a start record and ends its records with the end record.
std::optional<IoConfigTable> ReadConfigFile(const QByteArray& text)
{
    if (!text.contains("@KORA7740PIOCFG-START")) {
        return std::nullopt;
    }
    IoConfigTable table;
    std::int32_t state = kParseIdle;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? text.size() : end + 1;
        ParseIOConfig(table, state, text.mid(start, end - start).toStdString());
        start = end;
    }
    if (state != kParseEnded) {
        return std::nullopt;
    }
    return table;
}

int Apply(CommandContext& context)
{
    CliSession& session = context.session;
    // By the argument's bytes: a file name need not be UTF-8.
    const LocalPath path = ArgumentPath(context.args.value(1));
    std::ifstream file(path.bytes, std::ios::binary);
    if (!file) {
        return session.fail(
            QStringLiteral("cannot read '%1': %2")
                .arg(LocalPathText(path), QString::fromLocal8Bit(std::strerror(errno))));
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::optional<IoConfigTable> table = ReadConfigFile(QByteArray::fromStdString(text));
    if (!table) {
        return session.fail(QStringLiteral("'%1' is no I/O configuration file: it needs the "
                                           "start record, the slot records and the end record")
                                .arg(LocalPathText(path)));
    }
    // The controller gets the file as the window writes it, whatever line ends or extra text
    // the edited one has.
    const QTemporaryDir folder;
    const QString upload = folder.filePath(QStringLiteral("K7740PIO.cfg"));
    if (!folder.isValid() || !CreateIOConfig(*table, upload)) {
        return session.failDevice(kCreateConfigFailed);
    }
    if (!session.port()) {
        return session.failNoPort();
    }
    const IoConfigTiming timing;
    session.releasePort(); // the upload opens the port itself
    const OperationResult sent = UploadIoConfig(
        *session.port(), QFile::encodeName(upload).toStdString(), session.log(), timing.uploadMs,
        [] { QCoreApplication::processEvents(); }, session.timing());
    if (!sent.ok) {
        return session.failDevice(sent.message);
    }
    session.log().setEchoOutput(true);
    // The upload is removed even when applying it failed.
    const OperationResult applied = session.run(ApplyOperation(timing.commandMs));
    session.log().setEchoOutput(false);
    const OperationResult removed = session.run(DeleteUploadOperation(timing.commandMs));
    if (!applied.ok) {
        return session.failDevice(applied.message);
    }
    return removed.ok ? kExitOk : session.failDevice(removed.message);
}

} // namespace

int RunCfgio(CommandContext& context)
{
    const QString action = context.args.value(0);
    if (action == QLatin1String("show") && context.args.size() == 1) {
        return Show(context);
    }
    if (action == QLatin1String("apply") && context.args.size() == 2) {
        return Apply(context);
    }
    return context.session.fail(
        QStringLiteral("cfgio: use 'cfgio show' or 'cfgio apply FILE' (try 'kora7740p cfgio "
                       "--help')"),
        kExitUsage);
}

} // namespace kora::cli
