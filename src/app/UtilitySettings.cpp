#include "app/UtilitySettings.h"

namespace kora {
namespace {

const QString kPatientTimingKey = QStringLiteral("Config/Patient Timing");
const QString kTerminalReconnectKey = QStringLiteral("Config/Terminal Reconnect");

} // namespace

QSettings UtilitySettings()
{
    // Named explicitly rather than taken from the application object, so the same store is
    // used whoever calls (the tests have no application names set).
    return QSettings(QStringLiteral("VELMORACK"), QStringLiteral("KORA-7740P Utility"));
}

bool LoadPatientTiming()
{
    const QSettings settings = UtilitySettings();
    return settings.status() == QSettings::NoError && settings.value(kPatientTimingKey).toBool();
}

void StorePatientTiming(bool patient)
{
    QSettings settings = UtilitySettings();
    settings.setValue(kPatientTimingKey, patient);
    settings.sync();
}

bool LoadTerminalReconnect()
{
    const QSettings settings = UtilitySettings();
    return settings.status() != QSettings::NoError ||
           settings.value(kTerminalReconnectKey, true).toBool();
}

void StoreTerminalReconnect(bool reconnect)
{
    QSettings settings = UtilitySettings();
    settings.setValue(kTerminalReconnectKey, reconnect);
    settings.sync();
}

} // namespace kora
