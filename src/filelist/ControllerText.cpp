#include "filelist/ControllerText.h"

#include "filelist/LocalPath.h"

namespace kora {

namespace {

constexpr char32_t kLastSingleByte = 0xFF;

QString Hex(char32_t value, int digits)
{
    return QStringLiteral("%1")
        .arg(static_cast<uint>(value), digits, 16, QLatin1Char('0'))
        .toUpper();
}

QString Refused(const QString& typed, const QString& why)
{
    // A byte that is not UTF-8 is shown as U+FFFD, as the PC's paths are.
    return QStringLiteral("'%1' cannot be typed on KORA-7740P: %2")
        .arg(LocalPathText(ArgumentPath(typed)), why);
}

} // namespace

std::variant<std::string, TextRefusal> ControllerBytes(const QString& typed)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(typed.size()));
    for (qsizetype i = 0; i < typed.size(); ++i) {
        if (const std::optional<unsigned char> byte = ArgumentByteAt(typed, i)) {
            return TextRefusal{Refused(
                typed, QStringLiteral("it holds the byte 0x%1, which is not UTF-8 text, so the "
                                      "character meant is not known. Type it as UTF-8.")
                           .arg(Hex(*byte, 2)))};
        }
        char32_t code = typed[i].unicode();
        qsizetype units = 1;
        if (typed[i].isHighSurrogate() && i + 1 < typed.size() && typed[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(typed[i], typed[i + 1]);
            units = 2;
        }
        if (code > kLastSingleByte) {
            return TextRefusal{
                Refused(typed, QStringLiteral("'%1' (U+%2) is not one of the single-byte (Latin-1) "
                                              "characters its console takes.")
                                   .arg(typed.mid(i, units), Hex(code, 4)))};
        }
        bytes.push_back(static_cast<char>(code));
    }
    return bytes;
}

} // namespace kora
