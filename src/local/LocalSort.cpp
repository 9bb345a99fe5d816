#include "local/LocalSort.h"

#include <QString>

#include <algorithm>

#include "filelist/ByteCompare.h"
#include "filelist/FileColumns.h"

namespace kora {
namespace {

int Sign(auto value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

int CompareIgnoringCase(std::string_view left, std::string_view right)
{
    // Most names are ASCII: fold them here, byte by byte, and leave the rest to Unicode case
    // folding. Up to the first non-ASCII byte both ways give the same answer.
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto a = static_cast<unsigned char>(left[i]);
        const auto b = static_cast<unsigned char>(right[i]);
        if (((a | b) & 0x80) != 0) {
            const QString wideLeft = QString::fromUtf8(left.data(), std::ssize(left));
            const QString wideRight = QString::fromUtf8(right.data(), std::ssize(right));
            return Sign(QString::compare(wideLeft, wideRight, Qt::CaseInsensitive));
        }
        const int foldedA = (a >= 'A' && a <= 'Z') ? a + ('a' - 'A') : a;
        const int foldedB = (b >= 'A' && b <= 'Z') ? b + ('a' - 'A') : b;
        if (foldedA != foldedB) {
            return foldedA < foldedB ? -1 : 1;
        }
    }
    return Sign(static_cast<long long>(left.size()) - static_cast<long long>(right.size()));
}

} // namespace

int CompareLocalNames(std::string_view left, std::string_view right)
{
    if (const int order = CompareIgnoringCase(left, right); order != 0) {
        return order;
    }
    return CompareBytes(left, right);
}

int CompareLocalEntries(const FolderEntry& left, const FolderEntry& right, int column)
{
    if (left.isFolder != right.isFolder) {
        return left.isFolder ? -1 : 1;
    }
    int order = 0;
    switch (column) {
    case kColumnSize:
        order = left.size == right.size ? 0 : (left.size < right.size ? -1 : 1);
        break;
    case kColumnType:
        order = CompareLocalNames(left.typeName, right.typeName);
        break;
    case kColumnModified:
        order = Sign(left.modifiedTime - right.modifiedTime);
        break;
    default:
        break;
    }
    return order != 0 ? order : CompareLocalNames(left.name, right.name);
}

void SortLocalEntries(FolderEntries& entries, int column)
{
    entries.sort([column](const FolderEntry& left, const FolderEntry& right) {
        return CompareLocalEntries(left, right, column);
    });
}

bool SortNeedsDetails(int column)
{
    return column == kColumnType || column == kColumnModified;
}

} // namespace kora
