#include "protocol/devicecommands.h"

#include <algorithm>

namespace DeviceCommands {

const QString lineEnd = QStringLiteral("\r\n");

QString lineSafe(const QString &value)
{
    QString safe;
    safe.reserve(value.size());
    for (const QChar ch : value) {
        if (ch.unicode() >= 0x20 && ch.unicode() != 0x7F)
            safe.append(ch);
    }
    return safe;
}

bool fitsTheLine(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar ch) { return ch.unicode() <= 0xFF; });
}

QString notSentNote(const QString &field)
{
    return QStringLiteral("Not sent: \"%1\" holds characters the device cannot take.").arg(field);
}

} // namespace DeviceCommands
