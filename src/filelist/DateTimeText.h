#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <mutex>

namespace kora {

// The program's one date-and-time formatter: short date, a blank and the long time, with the
// time left out at exactly midnight. It starts from the system locale; the first device listing
// switches its date format to "yyyy/MM/dd" for good, so from then on local and device dates
// read alike.
class DateTimeText {
public:
    explicit DateTimeText(const QLocale& locale);

    // The instance every panel formats with.
    static DateTimeText& instance();

    QString format(const QDateTime& value) const;
    void useDeviceDateFormat();

    QString shortDateFormat() const;
    QString longTimeFormat() const;

private:
    mutable std::mutex mutex_;
    QLocale locale_;
    QString shortDateFormat_;
    QString longTimeFormat_;
};

} // namespace kora
