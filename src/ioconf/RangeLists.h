#pragma once

#include <cstdint>
#include <span>

#include "ioconf/ModuleKinds.h"

namespace kora {

// The entries of a range list, in the order the dialog offers them. The texts line up in a
// fixed-pitch font, so their blanks matter.
std::span<const char* const> RangeTexts(RangeList list);

// The code stored for list position p (0 <= p < the list's size).
std::int32_t RangeCodeOf(RangeList list, int position);

// The list position that shows a stored code; -1 when the code is none of the list's, so that
// the box shows no selection.
int RangePositionOf(RangeList list, std::int32_t code);

} // namespace kora
