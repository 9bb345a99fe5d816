#pragma once

#include <array>

#include "filelist/FileColumns.h"

namespace kora {

using ColumnWidths = std::array<int, kFileColumnCount>;

// How the report view's four columns share the view's width, so that all four stay in view
// with no horizontal scroll bar. Each column asks for the width its header and the cells on
// screen need (wanted); when together they need more than the view has, Size gives way first,
// then Name, then Type, then Modified, each down to its least width. A name too long for what
// is left is elided in the middle (its whole text is its tool tip). A view too narrow for every
// least width leaves the columns at their least widths. When they need less, the widths stay
// as wanted and the last column takes the rest of the view.
ColumnWidths FitColumnWidths(const ColumnWidths& wanted, const ColumnWidths& least, int viewWidth);

} // namespace kora
