#include "app/textbytes.h"

#include <QStringDecoder>

namespace TextBytes {

QString utf8OrLatin1(const QByteArray &bytes, InitialBom bom)
{
    // Windows editors save "Unicode" text as UTF-16 with a byte-order mark; read as
    // single bytes, each of its characters would come with a NUL, and no line be found.
    const bool utf16Mark = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (bom == InitialBom::Drop && utf16Mark && bytes.size() % 2 == 0) {
        // The mark is cut off here; a U+FEFF after it is a character of the file.
        QStringDecoder utf16(bytes.startsWith('\xFF') ? QStringDecoder::Utf16LE
                                                      : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::ConvertInitialBom);
        const QString text = utf16(bytes.mid(2));
        if (text.isValidUtf16())
            return text;
    }
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
