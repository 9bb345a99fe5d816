#include "filelist/LocalPath.h"

#include <QByteArray>

namespace kora {
namespace {

constexpr char16_t kEscapeBase = 0xDC00; // lone low surrogates U+DC80..U+DCFF stand for bytes

// The length of the well-formed UTF-8 sequence at text[at], 0 when there is none.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < least || code > 0x10FFFF || surrogate ? 0 : length;
}

// Decodes the bytes, writing each byte outside a UTF-8 sequence as replaceByte gives it.
template <typename ReplaceByte> QString Decode(const std::string& bytes, ReplaceByte replaceByte)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceAt(bytes, at);
        if (length == 0) {
            text += replaceByte(static_cast<unsigned char>(bytes[at]));
            ++at;
            continue;
        }
        text += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(length));
        at += length;
    }
    return text;
}

} // namespace

QString LocalPathText(const LocalPath& path)
{
    return Decode(path.bytes, [](unsigned char) { return QChar(QChar::ReplacementCharacter); });
}

LocalPath LocalFileName(const LocalPath& path)
{
    return {path.bytes.substr(path.bytes.rfind('/') + 1)};
}

QUrl LocalPathUrl(const LocalPath& path)
{
    const QByteArray bytes(path.bytes.data(), static_cast<qsizetype>(path.bytes.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

std::optional<LocalPath> LocalPathFromUrl(const QUrl& url)
{
    if (!url.isLocalFile()) {
        return std::nullopt;
    }
    const QByteArray bytes =
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    return LocalPath{bytes.toStdString()};
}

QString ArgumentText(const std::string& bytes)
{
    return Decode(bytes, [](unsigned char byte) { return QChar(char16_t(kEscapeBase + byte)); });
}

LocalPath ArgumentPath(const QString& argument)
{
    std::string bytes;
    qsizetype start = 0;
    const auto flush = [&](qsizetype end) {
        bytes += argument.mid(start, end - start).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (const std::optional<unsigned char> byte = ArgumentByteAt(argument, i)) {
            flush(i);
            bytes += static_cast<char>(*byte);
            start = i + 1;
        }
    }
    flush(argument.size());
    return {bytes};
}

std::optional<unsigned char> ArgumentByteAt(const QString& text, qsizetype at)
{
    const char16_t unit = text[at].unicode();
    const bool pairsWithPrevious = at > 0 && text[at - 1].isHighSurrogate();
    if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF && !pairsWithPrevious) {
        return static_cast<unsigned char>(unit - kEscapeBase);
    }
    return std::nullopt;
}

} // namespace kora
