#include "app/textbytes.h"

#include <QStringDecoder>

namespace TextBytes {

QString utf8OrLatin1(const QByteArray &bytes, InitialBom bom)
{
    // Stateless: a sequence cut short at the end is an error too, not one left for
    // bytes that will never come.
    QStringDecoder::Flags flags = QStringDecoder::Flag::Stateless;
    if (bom == InitialBom::Keep)
        flags |= QStringDecoder::Flag::ConvertInitialBom;
    QStringDecoder utf8(QStringDecoder::Utf8, flags);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace TextBytes
