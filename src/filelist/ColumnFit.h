#pragma once

#include <array>

#include "filelist/FileColumns.h"

namespace kora {

using ColumnWidths = std::array<int, kFileColumnCount>;

// How the report view's four columns share the view's width, so that all four stay in view
// with no horizontal scroll bar. Each column needs the width its header and the cells on screen
// take (needed), and gets at least its first width where the view has room for all of them at
// that (first: the widths the lists started with). When the view has not even room for what
// they need, Name and Type give way together, each in proportion to its room above its least
// width, then Modified, then Size, each down to its least width. A name too long for what is
// left is elided in the middle (its whole text is its tool tip). A view too narrow for every
// least width leaves the columns at their least widths. Where the widths leave room, the last
// column takes the rest of the view.
ColumnWidths FitColumnWidths(const ColumnWidths& needed, const ColumnWidths& least,
                             const ColumnWidths& first, int viewWidth);

} // namespace kora
