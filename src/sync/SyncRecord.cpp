#include "sync/SyncRecord.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cstdlib>

#include "link/DosName.h"

namespace kora {

namespace {

constexpr int kRecordVersion = 1;

bool PlainByte(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

QString Latin1(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::string RecordKey(const std::string& devicePath)
{
    return DosNameKey(devicePath);
}

std::filesystem::path SyncRecord::Folder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    std::filesystem::path base;
    if (state != nullptr && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr ? home : "") / ".local" / "state";
    }
    return base / "kora7740p" / "sync";
}

std::filesystem::path SyncRecord::FileFor(const std::string& controller)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string name;
    for (const char c : controller) {
        const auto byte = static_cast<unsigned char>(c);
        if (PlainByte(byte) && !(name.empty() && c == '.')) {
            name += c;
        } else {
            name += '%';
            name += kHex[byte >> 4];
            name += kHex[byte & 0xF];
        }
    }
    return Folder() / (name + ".json");
}

SyncRecord SyncRecord::Load(const std::filesystem::path& file)
{
    SyncRecord record;
    record.file_ = file;
    QFile in(QString::fromStdString(file.string()));
    if (!in.open(QIODevice::ReadOnly)) {
        return record;
    }
    const QJsonObject document = QJsonDocument::fromJson(in.readAll()).object();
    if (document.value(QStringLiteral("version")).toInt() != kRecordVersion) {
        return record;
    }
    const QJsonObject files = document.value(QStringLiteral("files")).toObject();
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const QString sha = entry.value(QStringLiteral("sha256")).toString();
        const double size = entry.value(QStringLiteral("size")).toDouble(-1);
        const QString date = entry.value(QStringLiteral("date")).toString();
        // An entry without all three claims nothing.
        if (sha.size() != 64 || size < 0 || date.isEmpty()) {
            continue;
        }
        record.files_[RecordKey(it.key().toLatin1().toStdString())] = RecordedFile{
            sha.toStdString(), static_cast<std::uint64_t>(size), date.toLatin1().toStdString()};
    }
    return record;
}

const RecordedFile* SyncRecord::find(const std::string& devicePath) const
{
    const auto found = files_.find(RecordKey(devicePath));
    return found == files_.end() ? nullptr : &found->second;
}

void SyncRecord::set(const std::string& devicePath, RecordedFile recorded)
{
    files_[RecordKey(devicePath)] = std::move(recorded);
}

void SyncRecord::erase(const std::string& devicePath)
{
    files_.erase(RecordKey(devicePath));
}

void SyncRecord::eraseBelow(const std::string& deviceFolder)
{
    const std::string folder = RecordKey(deviceFolder);
    const std::string prefix = folder.ends_with('\\') ? folder : folder + "\\";
    std::erase_if(files_, [&](const auto& item) {
        return item.first == folder || item.first.starts_with(prefix);
    });
}

std::optional<std::string> SyncRecord::save() const
{
    QJsonObject files;
    for (const auto& [path, recorded] : files_) {
        files.insert(
            Latin1(path),
            QJsonObject{{QStringLiteral("sha256"), QString::fromStdString(recorded.sha256)},
                        {QStringLiteral("size"), static_cast<double>(recorded.size)},
                        {QStringLiteral("date"), Latin1(recorded.date)}});
    }
    const QJsonObject document{{QStringLiteral("version"), kRecordVersion},
                               {QStringLiteral("files"), files}};
    const QString path = QString::fromStdString(file_.string());
    if (!QDir().mkpath(QString::fromStdString(file_.parent_path().string()))) {
        return "cannot make the folder of the sync record " + file_.parent_path().string();
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(QJsonDocument(document).toJson(QJsonDocument::Indented)) < 0 || !out.commit()) {
        return "cannot write the sync record " + file_.string() + ": " +
               out.errorString().toStdString();
    }
    return std::nullopt;
}

} // namespace kora
