#include "sim/DirListing.h"

#include <cstdio>
#include <functional>

namespace kora::sim {

namespace {

constexpr std::size_t kSizeEndColumn = 26;
constexpr std::size_t kCountLineLimit = 40;

std::string padRight(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::string padLeft(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// Columns 1-18: name, extension and the directory marker.
std::string nameColumns(const std::string& name, bool directory)
{
    std::string base = name;
    std::string ext;
    const auto dot = name.find('.');
    if (dot != std::string::npos && name != "." && name != "..") {
        base = name.substr(0, dot);
        ext = name.substr(dot + 1);
    }
    return padRight(base, 8) + " " + padRight(ext, 3) + " " + (directory ? "<DIR>" : "     ");
}

// Puts the size so that it ends in column 26, running leftwards over the blanks before it
// when it is longer than seven characters.
std::string withSize(std::string head, const std::string& size)
{
    head = padRight(std::move(head), kSizeEndColumn);
    const std::size_t start = size.size() >= kSizeEndColumn ? 0 : kSizeEndColumn - size.size();
    head.replace(start, kSizeEndColumn - start,
                 size.substr(size.size() - (kSizeEndColumn - start)));
    return head;
}

std::string directoryHeader(const DosFileSystem& fs, char drive)
{
    return " Volume in drive " + std::string(1, drive) + " is " + fs.volumeLabel(drive);
}

std::string directoryTitle(const std::string& absolute)
{
    // "D:\" for a root, "D:\LOG\OLD" below it.
    std::string path = absolute;
    if (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return " Directory of " + path;
}

std::string joinPath(const std::string& directory, const std::string& name)
{
    return directory.back() == '\\' ? directory + name : directory + "\\" + name;
}

struct Totals {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

} // namespace

std::string WithThousands(std::uint64_t value)
{
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

std::string FormatDateColumn(const DosDateTime& when)
{
    const int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%02d  %2d:%02d%c", when.month % 100, when.day % 100,
                  when.year % 100, hour12, when.minute % 100, when.hour < 12 ? 'a' : 'p');
    return text;
}

std::string FormatEntryLine(const DosEntry& entry)
{
    const std::string head = nameColumns(entry.name, entry.isDirectory);
    const std::string sized = entry.isDirectory ? padRight(head, kSizeEndColumn)
                                                : withSize(head, WithThousands(entry.size));
    return sized + " " + FormatDateColumn(entry.modified);
}

std::string FormatDotLine(const std::string& dots, const DosDateTime& when)
{
    return padRight(nameColumns(dots, true), kSizeEndColumn) + " " + FormatDateColumn(when);
}

std::string FormatFileCountLine(std::uint64_t files, std::uint64_t bytes)
{
    std::string line = padLeft(std::to_string(files), 9) + " file(s)" +
                       padLeft(WithThousands(bytes), 11) + " bytes";
    // Large figures eat into the padding rather than lengthen the line.
    while (line.size() > kCountLineLimit && line.find("  ") != std::string::npos)
        line.erase(line.find("  "), 1);
    return line;
}

std::string FormatBytesFreeLine(std::uint64_t bytes)
{
    return padLeft(WithThousands(bytes), 31) + " bytes free";
}

std::vector<std::string> ListDirectory(const DosFileSystem& fs, const std::string& path,
                                       const ListingOptions& options)
{
    const auto absolute = fs.absolutePath(path.empty() ? "." : path);
    const auto target = absolute ? fs.entry(*absolute) : std::nullopt;
    if (!target)
        return {"File not found"};
    const char drive = (*absolute)[0];

    std::vector<std::string> out{"", directoryHeader(fs, drive),
                                 " Volume Serial Number is " + fs.volumeSerial(drive)};

    if (!target->isDirectory) {
        // A single file: listed in its own directory.
        const auto cut = absolute->rfind('\\');
        out.push_back(directoryTitle(absolute->substr(0, std::max<std::size_t>(cut, 3))));
        out.push_back("");
        out.push_back(FormatEntryLine(*target));
        out.push_back(FormatFileCountLine(1, target->size));
        out.push_back(FormatBytesFreeLine(fs.freeBytes(drive)));
        return out;
    }

    Totals all;
    std::function<void(const std::string&, const DosEntry&)> listOne =
        [&](const std::string& directory, const DosEntry& self) {
            if (options.recursive)
                out.push_back("");
            out.push_back(directoryTitle(directory));
            out.push_back("");
            const bool isRoot = directory.size() <= 3;
            if (!isRoot) {
                out.push_back(FormatDotLine(".", self.modified));
                out.push_back(FormatDotLine("..", self.modified));
            }
            Totals here;
            std::vector<DosEntry> subdirectories;
            for (const auto& e : fs.list(directory).value_or(std::vector<DosEntry>{})) {
                out.push_back(FormatEntryLine(e));
                if (e.isDirectory) {
                    subdirectories.push_back(e);
                } else {
                    ++here.files;
                    here.bytes += e.size;
                }
            }
            out.push_back(FormatFileCountLine(here.files, here.bytes));
            all.files += here.files;
            all.bytes += here.bytes;
            if (options.recursive)
                for (const auto& sub : subdirectories)
                    listOne(joinPath(directory, sub.name), sub);
        };
    listOne(*absolute, *target);

    if (options.recursive) {
        out.push_back("");
        out.push_back("Total files listed:");
        out.push_back(FormatFileCountLine(all.files, all.bytes));
    }
    out.push_back(FormatBytesFreeLine(fs.freeBytes(drive)));
    return out;
}

} // namespace kora::sim
