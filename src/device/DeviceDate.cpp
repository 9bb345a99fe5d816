#include "device/DeviceDate.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <optional>

#include "filelist/DateTimeText.h"

namespace kora {

namespace {

// A cursor over the text with the few scans the date grammar needs.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ == text_.size(); }

    // One to maxDigits decimal digits.
    std::optional<int> number(std::size_t maxDigits, std::size_t* digitCount = nullptr)
    {
        const std::size_t start = pos_;
        int value = 0;
        while (pos_ < text_.size() && pos_ - start < maxDigits && text_[pos_] >= '0' &&
               text_[pos_] <= '9') {
            value = value * 10 + (text_[pos_] - '0');
            ++pos_;
        }
        if (pos_ == start) {
            return std::nullopt;
        }
        if (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            return std::nullopt; // more digits than any field takes
        }
        if (digitCount != nullptr) {
            *digitCount = pos_ - start;
        }
        return value;
    }

    bool literal(char c)
    {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    std::size_t blanks()
    {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] == ' ') {
            ++pos_;
        }
        return pos_ - start;
    }

    // "am" or "pm" in either case: 0 for am, 12 for pm.
    std::optional<int> meridiem()
    {
        if (text_.size() - pos_ < 2) {
            return std::nullopt;
        }
        const char first = static_cast<char>(text_[pos_] | 0x20);
        const char second = static_cast<char>(text_[pos_ + 1] | 0x20);
        if (second != 'm' || (first != 'a' && first != 'p')) {
            return std::nullopt;
        }
        pos_ += 2;
        return first == 'p' ? 12 : 0;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

std::optional<QDateTime> ParseDeviceDateTime(std::string_view text, int currentYear)
{
    Scanner scan(text);
    std::size_t yearDigits = 0;
    scan.blanks();
    const auto month = scan.number(2);
    if (!month || !scan.literal('-')) {
        return std::nullopt;
    }
    const auto day = scan.number(2);
    if (!day || !scan.literal('-')) {
        return std::nullopt;
    }
    const auto year = scan.number(4, &yearDigits);
    if (!year || scan.blanks() == 0) {
        return std::nullopt;
    }
    const auto hour = scan.number(2);
    if (!hour || !scan.literal(':')) {
        return std::nullopt;
    }
    const auto minute = scan.number(2);
    if (!minute) {
        return std::nullopt;
    }
    int second = 0;
    if (scan.literal(':')) {
        const auto seconds = scan.number(2);
        if (!seconds) {
            return std::nullopt;
        }
        second = *seconds;
    }
    scan.blanks();
    const auto afternoon = scan.meridiem();
    scan.blanks();
    if (!afternoon || !scan.atEnd() || *hour > 12) {
        return std::nullopt;
    }
    const int fullYear = yearDigits <= 2 ? WindowedYear(*year, currentYear) : *year;
    const QDate date(fullYear, *month, *day);
    const QTime time(*hour % 12 + *afternoon, *minute, second);
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(date, time, Qt::UTC); // no zone: a DST gap must not move it
}

} // namespace

int WindowedYear(int twoDigitYear, int currentYear)
{
    const int windowStart = currentYear - 50;
    int year = windowStart / 100 * 100 + twoDigitYear;
    if (year < windowStart) {
        year += 100;
    }
    return year;
}

std::string ConvertDeviceDate(std::string_view text, int currentYear)
{
    DateTimeText& formatter = DateTimeText::instance();
    formatter.useDeviceDateFormat();
    const auto value = ParseDeviceDateTime(text, currentYear);
    if (!value) {
        return {};
    }
    return formatter.format(*value).toStdString();
}

std::string ConvertDeviceDate(std::string_view text)
{
    return ConvertDeviceDate(text, QDate::currentDate().year());
}

} // namespace kora
