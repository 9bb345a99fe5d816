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

std::optional<QStringList> SplitShellWords(const QString& commandLine)
{
    enum class Quote { None, Single, Double };
    QStringList words;
    QString word;
    bool inWord = false; // '' and "" make an empty word
    Quote quote = Quote::None;
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; };
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const QChar c = commandLine[i];
        switch (quote) {
        case Quote::Single:
            if (c == u'\'') {
                quote = Quote::None;
            } else {
                word += c;
            }
            continue;
        case Quote::Double:
            if (c == u'"') {
                quote = Quote::None;
            } else if (c == u'\\' && i + 1 < commandLine.size() &&
                       QStringLiteral("$`\"\\\n").contains(commandLine[i + 1])) {
                if (commandLine[++i] != u'\n') {
                    word += commandLine[i];
                }
            } else {
                word += c;
            }
            continue;
        case Quote::None:
            break;
        }
        if (isBlank(c)) {
            if (inWord) {
                words << word;
                word.clear();
                inWord = false;
            }
        } else if (c == u'\\') {
            if (++i == commandLine.size()) {
                return std::nullopt;
            }
            if (commandLine[i] != u'\n') {
                word += commandLine[i];
                inWord = true;
            }
        } else {
            inWord = true;
            if (c == u'\'') {
                quote = Quote::Single;
            } else if (c == u'"') {
                quote = Quote::Double;
            } else {
                word += c;
            }
        }
    }
    if (quote != Quote::None) {
        return std::nullopt;
    }
    if (inWord) {
        words << word;
    }
    return words;
}

bool StartCommandLine(const QString& commandLine)
{
    std::optional<QStringList> arguments = SplitShellWords(commandLine);
    if (!arguments || arguments->isEmpty()) {
        return false;
    }
    const QString program = arguments->takeFirst();
    return QProcess::startDetached(program, *arguments);
}

QString CommandLineForProgram(const QString& path)
{
    const bool needsQuotes = path.isEmpty() || std::any_of(path.begin(), path.end(), [](QChar c) {
                                 return c.isSpace() || c == u'"' || c == u'\'' || c == u'\\';
                             });
    if (!needsQuotes) {
        return path;
    }
    // Inside single quotes everything is literal but the closing quote, so a quote in the path
    // closes, adds an escaped quote and opens again.
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString RunFailedMessage(const QString& commandLine)
{
    return QStringLiteral("Unable to run the application. '") + commandLine + QLatin1Char('\'');
}

} // namespace kora
