#include "serial/serialline.h"

#include <QStringList>

std::optional<LineSettings> LineSettings::parse(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    bool baudOk = false, dataOk = false, stopOk = false;
    LineSettings settings;
    settings.baudRate = parts[0].trimmed().toInt(&baudOk);
    const QString parity = parts[1].trimmed().toLower();
    settings.dataBits = parts[2].trimmed().toInt(&dataOk);
    settings.stopBits = parts[3].trimmed().toInt(&stopOk);
    if (!baudOk || settings.baudRate <= 0 || !dataOk || settings.dataBits < 5 ||
        settings.dataBits > 8 || !stopOk || (settings.stopBits != 1 && settings.stopBits != 2) ||
        parity.size() != 1 || !QStringLiteral("neoms").contains(parity))
        return std::nullopt;
    settings.parity = parity.at(0).toLatin1();
    return settings;
}
