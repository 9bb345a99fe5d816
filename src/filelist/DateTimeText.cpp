#include "filelist/DateTimeText.h"

namespace kora {
namespace {

// A locale's long time format without its time-zone part: listed times carry no zone.
QString LongTimeFormatWithoutZone(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (!quoted && c == QLatin1Char('t')) {
            continue;
        }
        result += c;
    }
    return result.simplified();
}

} // namespace

DateTimeText::DateTimeText(const QLocale& locale)
    : locale_(locale), shortDateFormat_(locale.dateFormat(QLocale::ShortFormat)),
      longTimeFormat_(LongTimeFormatWithoutZone(locale))
{
}

DateTimeText& DateTimeText::instance()
{
    static DateTimeText formatter(QLocale::system());
    return formatter;
}

QString DateTimeText::format(const QDateTime& value) const
{
    std::lock_guard lock(mutex_);
    QString text = locale_.toString(value.date(), shortDateFormat_);
    if (value.time() != QTime(0, 0)) {
        text += QLatin1Char(' ') + locale_.toString(value.time(), longTimeFormat_);
    }
    return text;
}

void DateTimeText::useDeviceDateFormat()
{
    std::lock_guard lock(mutex_);
    shortDateFormat_ = QStringLiteral("yyyy/MM/dd");
}

QString DateTimeText::shortDateFormat() const
{
    std::lock_guard lock(mutex_);
    return shortDateFormat_;
}

QString DateTimeText::longTimeFormat() const
{
    std::lock_guard lock(mutex_);
    return longTimeFormat_;
}

} // namespace kora
