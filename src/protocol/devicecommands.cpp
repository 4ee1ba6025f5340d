#include "protocol/devicecommands.h"

#include "app/settingsfields.h"

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

QString callsignFill(const QString &callsign)
{
    return QString(std::max(0, 6 - int(callsign.size())), QLatin1Char(' '));
}

QString backlightCode(const QString &text)
{
    return text == QLatin1String("ON") ? QStringLiteral("00") : text;
}

QString unitCode(const QString &text)
{
    if (text == QLatin1String("km"))
        return QStringLiteral("1");
    if (text == SettingsFields::kilometreUnit)
        return QStringLiteral("3");
    return QStringLiteral("2");
}

QString digiCode(int checkValue) { return checkValue == 1 ? QStringLiteral("1") : QStringLiteral("0"); }

QString pathCode(const QString &text)
{
    const int index = SettingsFields::pathItems().indexOf(text);
    return QString::number(index >= 0 ? index : 1);
}

QString aliasCode(const QString &text)
{
    const int index = SettingsFields::aliasItems().indexOf(text);
    return QString::number(index >= 0 ? index + 1 : 3);
}

} // namespace DeviceCommands
