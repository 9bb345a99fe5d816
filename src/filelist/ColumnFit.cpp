#include "filelist/ColumnFit.h"

#include <algorithm>
#include <numeric>

namespace kora {

ColumnWidths FitColumnWidths(const ColumnWidths& needed, const ColumnWidths& least,
                             const ColumnWidths& first, int viewWidth)
{
    const auto total = [](const ColumnWidths& widths) {
        return std::accumulate(widths.begin(), widths.end(), 0);
    };
    ColumnWidths roomy = needed;
    for (std::size_t at = 0; at < roomy.size(); ++at) {
        roomy[at] = std::max(roomy[at], first[at]);
    }
    if (total(roomy) <= viewWidth) {
        return roomy;
    }
    ColumnWidths widths = needed;
    int excess = total(widths) - viewWidth;
    const auto room = [&](int column) {
        const auto at = static_cast<std::size_t>(column);
        return std::max(0, widths[at] - least[at]);
    };
    const auto give = [&](int column, int pixels) {
        widths[static_cast<std::size_t>(column)] -= pixels;
        excess -= pixels;
    };
    // Name and Type first, each in proportion to its room: a long name elided in the middle
    // keeps its start and its extension, and neither column is cut to nothing for the other.
    const int nameRoom = room(kColumnName);
    const int shared = nameRoom + room(kColumnType);
    if (excess > 0 && shared > 0) {
        const int pixels = std::min(excess, shared);
        const int fromName = static_cast<int>(static_cast<long long>(pixels) * nameRoom / shared);
        give(kColumnName, fromName);
        give(kColumnType, pixels - fromName);
    }
    // A size cut short would read as another size: it goes last.
    for (const int column : {kColumnModified, kColumnSize}) {
        give(column, std::clamp(excess, 0, room(column)));
    }
    return widths;
}

} // namespace kora
