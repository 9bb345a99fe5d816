#include "transfer/UploadPadding.h"

#include <algorithm>
#include <array>

#include "transfer/SendFile.h"

namespace kora {

namespace {

// The extensions of DOS text files: batch files, settings, texts, logs and lists.
constexpr std::array<std::string_view, 13> kTextExtensions{
    "BAT", "INI", "CFG", "CNF", "CONF", "TXT", "LOG", "CSV", "LST", "INF", "NFO", "ME", "ASC"};

bool IsTextByte(std::uint8_t byte)
{
    return byte >= 0x20 ? byte != 0x7F
                        : byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f' ||
                              byte == kEndOfFilePadding;
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

void TextContent::add(std::span<const std::uint8_t> bytes)
{
    for (const std::uint8_t byte : bytes) {
        printable = printable && IsTextByte(byte);
        lineEnd = lineEnd || byte == '\n' || byte == '\r';
    }
}

bool IsTextFileName(std::string_view deviceName)
{
    const std::size_t nameStart = deviceName.find_last_of("\\:");
    const std::string_view name =
        nameStart == std::string_view::npos ? deviceName : deviceName.substr(nameStart + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    std::string extension(name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(), Upper);
    return std::find(kTextExtensions.begin(), kTextExtensions.end(), extension) !=
           kTextExtensions.end();
}

std::uint8_t PaddingFor(std::string_view deviceName, const TextContent& content)
{
    return IsTextFileName(deviceName) || content.text() ? kEndOfFilePadding : kZeroPadding;
}

std::uint8_t PaddingForFile(const std::string& localPath, std::string_view deviceName)
{
    TextContent content;
    SendFile file;
    if (!IsTextFileName(deviceName) && file.Open(localPath)) {
        std::array<std::uint8_t, 4096> chunk{};
        std::size_t count = 0;
        while (content.printable && file.ReadChunk(chunk, count) == SendFile::ReadOutcome::Data) {
            content.add(std::span<const std::uint8_t>(chunk).first(count));
        }
    }
    return PaddingFor(deviceName, content);
}

} // namespace kora
