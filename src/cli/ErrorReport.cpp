#include "cli/ErrorReport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <array>

namespace kora::cli {

namespace {

struct CodeRule {
    const char* text; // found in the message
    const char* code;
};

// In order: the first rule whose text the message holds gives the code. The texts are the
// system's own messages (link/PortFailureText, the exchange's, the read-back's).
constexpr std::array kCodeRules{
    CodeRule{"is in use by another program", "busy"},
    CodeRule{"was refused", "permission"},
    CodeRule{"permission denied", "permission"},
    CodeRule{"There is no such port", "no-such-port"},
    CodeRule{"is not a serial port", "no-such-port"},
    CodeRule{"no port given", "no-port"},
    CodeRule{"Lost the connection", "line-lost"},
    CodeRule{"Unable to send command", "no-echo"},
    CodeRule{"did not confirm that it is in", "not-on-d"},
    CodeRule{"incomplete", "incomplete"},
    CodeRule{"did not finish", "incomplete"},
    CodeRule{"damaged", "incomplete"},
    CodeRule{"cannot be read back exactly", "not-text"},
    CodeRule{"is not in D:", "not-found"},
    CodeRule{"Invalid directory '", "not-found"}, // the listing of a directory not there
    CodeRule{"could not find", "not-found"},
    CodeRule{"No file in", "not-found"},
    CodeRule{"exists already", "exists"},
    CodeRule{"KORA-7740P did not", "refused"},
    CodeRule{"Unable to open", "no-such-port"},
};

} // namespace

QString OneLine(const QString& message)
{
    QStringList parts;
    for (const QString& line : message.split(QLatin1Char('\n'))) {
        const QString trimmed = QString(line).remove(QLatin1Char('\r')).trimmed();
        if (!trimmed.isEmpty()) {
            parts << trimmed;
        }
    }
    return parts.join(QLatin1Char(' '));
}

std::string ErrorCode(const QString& message, int status)
{
    if (status == 2) {
        return "usage";
    }
    for (const CodeRule& rule : kCodeRules) {
        if (message.contains(QLatin1String(rule.text))) {
            return rule.code;
        }
    }
    return "failed";
}

int ReportError(std::FILE* err, const ErrorReport& how, const QString& message, int status)
{
    const QString line = OneLine(message);
    if (how.json) {
        const QJsonObject report{
            {QStringLiteral("error"), QString::fromStdString(ErrorCode(line, status))},
            {QStringLiteral("message"), line},
            {QStringLiteral("status"), status},
            {QStringLiteral("port"), how.port.empty()
                                         ? QJsonValue(QJsonValue::Null)
                                         : QJsonValue(QString::fromLocal8Bit(how.port.c_str()))},
            {QStringLiteral("portName"), how.portLabel.empty()
                                             ? QJsonValue(QJsonValue::Null)
                                             : QJsonValue(QString::fromStdString(how.portLabel))},
        };
        std::fprintf(err, "%s\n", QJsonDocument(report).toJson(QJsonDocument::Compact).constData());
    } else {
        std::fprintf(err, "kora7740p: %s\n", line.toLocal8Bit().constData());
    }
    std::fflush(err);
    return status;
}

} // namespace kora::cli
