#include "protocol/devicecommands.h"

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

} // namespace DeviceCommands
