#include "support/RecordingLog.h"

#include <algorithm>

namespace kora::test {

bool RecordingLog::contains(const std::string& text) const
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(text) != line.npos; });
}

} // namespace kora::test
