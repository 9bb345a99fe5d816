#pragma once

#include <string_view>

namespace kora::cli {

// Whether a typed name holds a DOS wildcard ("*" or "?").
bool HasDosWildcard(std::string_view name);

// DOS's own match of a name against a wildcard pattern, field by field: the name (8 places)
// and the extension (3), each padded with blanks, letters compared without regard to case. "*"
// stands for the rest of its field, "?" for one character or none. So "*.BAK" matches every
// .BAK file, "*.*" every file, and a pattern without a dot only names without an extension
// ("LOG*" matches LOG1 but not LOG1.TXT), as "del" has it.
bool MatchesDosPattern(std::string_view pattern, std::string_view name);

// Why a typed pattern cannot be used (a character that is neither a name character nor a
// wildcard, more than 8.3 places), or nothing.
const char* DosPatternFault(std::string_view pattern);

} // namespace kora::cli
