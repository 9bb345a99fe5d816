#pragma once

#include <string>
#include <string_view>

namespace kora {

// Turns a listed date and time such as "05-31-03   6:22am" (month-day-year with "-", a
// 12-hour time with "am"/"pm" in either case) into the program's date text: "yyyy/MM/dd",
// then a blank and the long time unless it is exactly midnight. A two-digit year falls in the
// 100 years that begin 50 years before currentYear. Anything else, a 24-hour time included,
// gives the empty text. Switches the program's date format to the device form in any case.
std::string ConvertDeviceDate(std::string_view text, int currentYear);
// The same against this year.
std::string ConvertDeviceDate(std::string_view text);

// The year a two-digit year stands for in the window that begins 50 years before currentYear.
int WindowedYear(int twoDigitYear, int currentYear);

} // namespace kora
