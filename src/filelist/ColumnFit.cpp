#include "filelist/ColumnFit.h"

#include <algorithm>
#include <numeric>

namespace kora {

ColumnWidths FitColumnWidths(const ColumnWidths& wanted, const ColumnWidths& least, int viewWidth)
{
    ColumnWidths widths = wanted;
    int excess = std::accumulate(widths.begin(), widths.end(), 0) - viewWidth;
    // A size elided would mean nothing: only its room beyond its texts goes (its least width
    // holds them). A name is the longest text and keeps its meaning elided in the middle.
    for (const int column : {kColumnSize, kColumnName, kColumnType, kColumnModified}) {
        const auto at = static_cast<std::size_t>(column);
        if (excess <= 0) {
            break;
        }
        const int give = std::clamp(widths[at] - least[at], 0, excess);
        widths[at] -= give;
        excess -= give;
    }
    return widths;
}

} // namespace kora
