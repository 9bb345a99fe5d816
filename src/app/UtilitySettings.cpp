#include "app/UtilitySettings.h"

#include <QDir>
#include <QStandardPaths>

namespace kora {
namespace {

const QString kPatientTimingKey = QStringLiteral("Config/Patient Timing");
const QString kTerminalReconnectKey = QStringLiteral("Config/Terminal Reconnect");
const QString kFastUploadKey = QStringLiteral("Config/Fast Upload");

bool LoadFlag(const QString& key)
{
    const QSettings settings = UtilitySettings();
    return settings.status() == QSettings::NoError && settings.value(key).toBool();
}

void StoreFlag(const QString& key, bool value)
{
    QSettings settings = UtilitySettings();
    settings.setValue(key, value);
    settings.sync();
}

} // namespace

QSettings UtilitySettings()
{
    // Named explicitly rather than taken from the application object, so the same store is
    // used whoever calls (the tests have no application names set).
    return QSettings(QStringLiteral("VELMORACK"), QStringLiteral("KORA-7740P Utility"));
}

bool LoadPatientTiming()
{
    return LoadFlag(kPatientTimingKey);
}

void StorePatientTiming(bool patient)
{
    StoreFlag(kPatientTimingKey, patient);
}

bool LoadFastUpload()
{
    return LoadFlag(kFastUploadKey);
}

void StoreFastUpload(bool fast)
{
    StoreFlag(kFastUploadKey, fast);
}

bool LoadTerminalReconnect()
{
    const QSettings settings = UtilitySettings();
    return settings.status() != QSettings::NoError ||
           settings.value(kTerminalReconnectKey, true).toBool();
}

void StoreTerminalReconnect(bool reconnect)
{
    StoreFlag(kTerminalReconnectKey, reconnect);
}

QString IoConfigFilePath()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) {
        documents = QDir::homePath();
    }
    QDir().mkpath(documents);
    return QDir(documents).filePath(QStringLiteral("K7740PIO.cfg"));
}

} // namespace kora
