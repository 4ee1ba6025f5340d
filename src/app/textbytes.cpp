#include "app/textbytes.h"

#include <QStringDecoder>

namespace TextBytes {

QString utf8OrLatin1(const QByteArray &bytes, InitialBom bom)
{
    QStringDecoder utf8(QStringDecoder::Utf8, bom == InitialBom::Keep
                                                  ? QStringDecoder::Flag::ConvertInitialBom
                                                  : QStringDecoder::Flag::Default);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace TextBytes
