#include "device/DirLine.h"

#include <limits>
#include <optional>

#include "device/DeviceDate.h"

namespace kora {

namespace {

// 0-based positions of the listing columns.
constexpr std::size_t kNameAt = 0, kNameWidth = 8;
constexpr std::size_t kExtAt = 9, kExtWidth = 3;
constexpr std::size_t kDirMarkAt = 13;
constexpr std::string_view kDirMark = "<DIR>";
constexpr std::size_t kSizeAt = 19, kSizeWidth = 7;
constexpr std::size_t kSizeEnd = kSizeAt + kSizeWidth; // one past column 26
constexpr std::size_t kDateAt = 27, kDateWidth = 16;
// A long size figure may run leftwards up to column 14, just after the extension's blank.
constexpr std::size_t kWideSizeLimit = kDirMarkAt;
constexpr std::string_view kBytesFree = "bytes free";
constexpr std::size_t kMaxFreeDigits = 31;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return c == ' ';
}

// Parses a decimal digit string into 64 bits; nothing on overflow or a non-digit.
std::optional<std::uint64_t> ParseDigits(std::string_view digits)
{
    if (digits.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    for (const char c : digits) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (kMax - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

std::string EntryName(std::string_view line)
{
    std::string name(TrimListing(line.substr(kNameAt, kNameWidth)));
    const std::string_view extension = TrimListing(line.substr(kExtAt, kExtWidth));
    if (!extension.empty()) {
        name += '.';
        name += extension;
    }
    return name;
}

std::string EntryModified(std::string_view line)
{
    std::string column(line.substr(kDateAt, kDateWidth));
    column += 'm'; // the listing's "a"/"p" becomes "am"/"pm"
    return ConvertDeviceDate(TrimListing(column));
}

bool IsDirectoryLine(std::string_view line)
{
    return line.substr(kDirMarkAt, kDirMark.size()) == kDirMark;
}

// The size that ends in column 26. DOS lets a figure wider than columns 20-26 run leftwards;
// such a figure is read whole. One that fits the columns is read from them alone.
// Where the figure that ends in column 26 begins (kSizeEnd when there is none).
std::size_t SizeFigureStart(std::string_view line)
{
    std::size_t begin = kSizeEnd;
    while (begin > kWideSizeLimit && (IsDigit(line[begin - 1]) || line[begin - 1] == ',')) {
        --begin;
    }
    return begin;
}

std::uint64_t EntrySize(std::string_view line)
{
    const std::size_t begin = SizeFigureStart(line);
    if (begin < kSizeAt) {
        return ParseSizeText(line.substr(begin, kSizeEnd - begin));
    }
    return ParseSizeText(TrimListing(line.substr(kSizeAt, kSizeWidth)));
}

FreeSpace ParseFreeSpace(std::string_view line)
{
    const std::string_view trimmed = TrimListing(line);
    FreeSpace free;
    free.text = "(" + std::string(trimmed) + ")";
    std::string digits;
    for (const char c : trimmed) {
        if (IsDigit(c) && digits.size() < kMaxFreeDigits) {
            digits += c;
        }
    }
    free.bytes = ParseDigits(digits).value_or(0);
    return free;
}

} // namespace

std::string_view TrimListing(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
        text.remove_suffix(1);
    }
    return text;
}

std::uint64_t ParseSizeText(std::string_view text)
{
    std::string digits;
    for (const char c : text) {
        if (c != ',') {
            digits += c;
        }
    }
    return ParseDigits(digits).value_or(0);
}

bool HasListingColumnShape(std::string_view line)
{
    if (line.size() < kDirLineMinLength) {
        return false;
    }
    const auto first = static_cast<unsigned char>(line[kNameAt]);
    return first > ' ' && IsBlank(line[kNameAt + kNameWidth]) &&
           IsBlank(line[kExtAt + kExtWidth]) && IsBlank(line[kDateAt - 1]);
}

DirLine ParseDirLine(std::string_view line)
{
    if (line.size() < kDirLineMinLength) {
        return std::monostate{};
    }
    if (IsDirectoryLine(line)) {
        if (!HasListingColumnShape(line)) {
            return std::monostate{};
        }
        FolderEntry entry;
        entry.name = EntryName(line);
        if (entry.name == "." || entry.name == "..") {
            return std::monostate{};
        }
        entry.isFolder = true;
        entry.modified = EntryModified(line);
        return entry;
    }
    if (line.find(kBytesFree) != std::string_view::npos) {
        return ParseFreeSpace(line);
    }
    if (!HasListingColumnShape(line)) {
        return std::monostate{};
    }
    FolderEntry entry;
    entry.name = EntryName(line);
    entry.size = EntrySize(line);
    entry.modified = EntryModified(line);
    return entry;
}

TreeLine ParseTreeLine(std::string_view line)
{
    if (!HasListingColumnShape(line)) {
        return {};
    }
    if (IsDirectoryLine(line)) {
        const std::string_view name = TrimListing(line.substr(kNameAt, kNameWidth));
        if (name == "." || name == "..") {
            return {};
        }
        return {TreeLine::Kind::Folder, 0};
    }
    if (line.find(kBytesFree) != std::string_view::npos) {
        return {};
    }
    return {TreeLine::Kind::File, EntrySize(line)};
}

namespace {

// What a DOS listing may show in a name or extension: letters (some consoles keep the case a
// name was written in), digits, the punctuation FAT names allow and the bytes above 127.
bool IsListedNameChar(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
        return true;
    }
    return std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos;
}

// A name field: the name from its first column, blanks after it and nothing else.
bool IsWellFormedNameField(std::string_view field, bool mayBeEmpty)
{
    std::size_t end = 0;
    while (end < field.size() && field[end] != ' ') {
        if (!IsListedNameChar(field[end])) {
            return false;
        }
        ++end;
    }
    if (end == 0 && !mayBeEmpty) {
        return false;
    }
    return field.find_first_not_of(' ', end) == std::string_view::npos;
}

bool IsWellFormedSizeField(std::string_view line)
{
    const std::size_t begin = SizeFigureStart(line);
    if (begin == kSizeEnd || line[begin] == ',') {
        return false;
    }
    return line.substr(kDirMarkAt, begin - kDirMarkAt).find_first_not_of(' ') ==
           std::string_view::npos;
}

// "NN-NN-NN": the date a listing prints in each entry and nowhere else.
bool HoldsListingDate(std::string_view line)
{
    for (std::size_t at = 0; at + 8 <= line.size(); ++at) {
        const std::string_view t = line.substr(at, 8);
        if (IsDigit(t[0]) && IsDigit(t[1]) && t[2] == '-' && IsDigit(t[3]) && IsDigit(t[4]) &&
            t[5] == '-' && IsDigit(t[6]) && IsDigit(t[7])) {
            return true;
        }
    }
    return false;
}

bool HoldsEntryRemains(std::string_view line)
{
    return line.find(kDirMark) != std::string_view::npos || HoldsListingDate(line);
}

} // namespace

bool IsDotsLine(std::string_view line)
{
    if (!HasListingColumnShape(line) || !IsDirectoryLine(line)) {
        return false;
    }
    const std::string_view name = TrimListing(line.substr(kNameAt, kNameWidth));
    return name == "." || name == "..";
}

std::optional<ListingSummary> ParseSummaryLine(std::string_view line)
{
    const std::string_view trimmed = TrimListing(line);
    const std::size_t filesAt = trimmed.find(" file(s)");
    const std::size_t bytesAt = trimmed.rfind(" bytes");
    if (filesAt == std::string_view::npos || bytesAt == std::string_view::npos ||
        bytesAt < filesAt || bytesAt + 6 != trimmed.size()) {
        return std::nullopt;
    }
    const auto files = ParseDigits(TrimListing(trimmed.substr(0, filesAt)));
    const std::string_view figure =
        TrimListing(trimmed.substr(filesAt + 8, bytesAt - (filesAt + 8)));
    if (!files || figure.empty() || figure.find_first_not_of("0123456789,") != figure.npos) {
        return std::nullopt;
    }
    return ListingSummary{*files, ParseSizeText(figure)};
}

bool IsDamagedEntryLine(std::string_view line)
{
    // Two lines run together (noise took the line feed between them): the second is lost.
    const std::size_t end = line.find_first_of("\r\n");
    if (end != std::string_view::npos &&
        line.find_first_not_of("\r\n", end) != std::string_view::npos) {
        return HasListingColumnShape(line) || HoldsEntryRemains(line);
    }
    if (line.find(kBytesFree) != std::string_view::npos) {
        return false;
    }
    if (!HasListingColumnShape(line)) {
        return HoldsEntryRemains(line);
    }
    const std::string_view body = line.substr(0, line.find_first_of("\r\n"));
    if (body.size() < kDirLineMinLength) {
        return true;
    }
    if (!IsDotsLine(body) && (!IsWellFormedNameField(body.substr(kNameAt, kNameWidth), false) ||
                              !IsWellFormedNameField(body.substr(kExtAt, kExtWidth), true))) {
        return true;
    }
    if (!IsDirectoryLine(body) && !IsWellFormedSizeField(body)) {
        return true;
    }
    // Digits, "-", ":", blanks and the "a"/"p" of the time: a 24-hour time that the date
    // parser leaves empty is still a line the console printed.
    const std::string_view date = TrimListing(body.substr(kDateAt, kDateWidth));
    return date.empty() || date.find_first_not_of("0123456789-: ap") != std::string_view::npos;
}

} // namespace kora
