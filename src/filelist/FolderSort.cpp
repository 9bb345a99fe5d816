#include "filelist/FolderSort.h"

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

int CompareFolderEntries(const FolderEntry& left, const FolderEntry& right, int column,
                         SortRules rules)
{
    if (left.isFolder != right.isFolder) {
        return left.isFolder ? -1 : 1;
    }
    const auto compareNames = rules.namesIgnoreCase ? CompareLocalNames : CompareBytes;
    int order = 0;
    switch (column) {
    case kColumnSize:
        order = left.size == right.size ? 0 : (left.size < right.size ? -1 : 1);
        break;
    case kColumnType:
        order = compareNames(left.typeName, right.typeName);
        break;
    case kColumnModified:
        order = rules.datesByTime ? Sign(left.modifiedTime - right.modifiedTime)
                                  : CompareBytes(left.modified, right.modified);
        break;
    default:
        break;
    }
    return order != 0 ? order : compareNames(left.name, right.name);
}

void SortFolderEntries(FolderEntries& entries, int column, SortRules rules)
{
    std::sort(entries.begin(), entries.end(),
              [column, rules](const FolderEntry& left, const FolderEntry& right) {
                  return CompareFolderEntries(left, right, column, rules) < 0;
              });
}

bool SortNeedsDetails(int column, SortRules rules)
{
    return column == kColumnType || (column == kColumnModified && rules.datesByTime);
}

} // namespace kora
