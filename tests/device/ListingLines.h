#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace kora::test {

// Lines of a DOS listing in its fixed columns (name 1-8, extension 10-12, "<DIR>" 14-18, size
// ending in column 26, date 28-43), each ended with CR LF.
inline std::string Padded(std::string text, std::size_t width)
{
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

inline std::string RightAligned(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

inline std::string FileLine(const std::string& name, const std::string& ext,
                            const std::string& size, const std::string& date = "05-31-03   6:22a")
{
    return Padded(name, 8) + " " + Padded(ext, 3) + " " + RightAligned(size, 13) + " " + date +
           "\r\n";
}

inline std::string FolderLine(const std::string& name, const std::string& ext = "",
                              const std::string& date = "05-31-03   6:22a")
{
    return Padded(name, 8) + " " + Padded(ext, 3) + " <DIR>         " + date + "\r\n";
}

inline std::string FreeLine(const std::string& figure)
{
    return std::string(21, ' ') + RightAligned(figure, 13) + " bytes free\r\n";
}

// "        3 file(s)          1,656 bytes"
inline std::string SummaryLine(const std::string& files, const std::string& bytes)
{
    return RightAligned(files, 9) + " file(s)" + RightAligned(bytes, 15) + " bytes\r\n";
}

// How "dir/s" ends: its total over the tree and the free space.
inline std::vector<std::string> TreeTotalLines(const std::string& files, const std::string& bytes)
{
    return {"\r\n", "Total files listed:\r\n", SummaryLine(files, bytes), FreeLine("5,000")};
}

} // namespace kora::test
