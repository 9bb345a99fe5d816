#include "ui/ByteText.h"

#include <QStringDecoder>

namespace kora {

QString ByteText(const std::string& bytes)
{
    // The decoder tells bad bytes from a U+FFFD the text itself holds; a sequence cut off at the
    // end counts as bad, and a leading byte order mark is kept as the character it is.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                    QStringConverter::Flag::ConvertInitialBom);
    const QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) {
        return text;
    }
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace kora
