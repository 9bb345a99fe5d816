#include "app/CompanionProgram.h"

#include "app/UtilitySettings.h"

#include <QProcess>
#include <QSettings>
#include <QStringList>

#include <algorithm>

namespace kora {
namespace {

const QString kRunFileKey = QStringLiteral("Config/Run File");

} // namespace

std::optional<QString> LoadRunFile()
{
    const QSettings settings = UtilitySettings();
    if (settings.status() != QSettings::NoError || !settings.contains(kRunFileKey)) {
        return std::nullopt;
    }
    return settings.value(kRunFileKey).toString();
}

void StoreRunFile(const QString& commandLine)
{
    QSettings settings = UtilitySettings();
    settings.setValue(kRunFileKey, commandLine);
    settings.sync();
}

bool StartCommandLine(const QString& commandLine)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty()) {
        return false;
    }
    const QString program = arguments.takeFirst();
    return QProcess::startDetached(program, arguments);
}

QString CommandLineForProgram(const QString& path)
{
    const bool needsQuotes =
        std::any_of(path.begin(), path.end(), [](QChar c) { return c.isSpace() || c == u'"'; });
    if (!needsQuotes) {
        return path;
    }
    // Inside quotes, three quotes stand for one literal quote.
    QString quoted = path;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString RunFailedMessage(const QString& commandLine)
{
    return QStringLiteral("Unable to run the application. '") + commandLine + QLatin1Char('\'');
}

} // namespace kora
