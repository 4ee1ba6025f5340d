#include "setupfile/setupfileformat.h"

#include "app/settingsfields.h"
#include "app/textbytes.h"

namespace {

// One address line's value: four octets joined by ",", from the first given.
QString joinOctets(const SetupValues &values, int first)
{
    QStringList octets;
    for (int i = first; i < first + 4; ++i)
        octets << values.addressOctets.at(i);
    return octets.join(QLatin1Char(','));
}

} // namespace

namespace SetupFileFormat {

using SettingsFields::backlightCode;
using SettingsFields::listCode;

QStringList lines(const SetupValues &values)
{
    const bool staticAddress = values.addressMode == QLatin1String("STATIC IP");
    return {
        QStringLiteral("[MELKO]"),
        QString(),
        QStringLiteral("CALLSIGN:") + values.callsign.leftJustified(6, QLatin1Char(' ')) +
            QLatin1Char('-') + values.ssid,
        QStringLiteral("PASS:") + values.passcode,
        staticAddress ? QStringLiteral("DHCP:0#") : QStringLiteral("DHCP:1#"),
        QStringLiteral("IP:") + joinOctets(values, 0),
        QStringLiteral("MASK:") + joinOctets(values, 4),
        QStringLiteral("GATE:") + joinOctets(values, 8),
        QStringLiteral("DNS:") + joinOctets(values, 12),
        QStringLiteral("POSITION:") + values.position,
        QStringLiteral("COMMENT TEXT:") + values.comment,
        QStringLiteral("SERVER:") + values.server,
        QStringLiteral("SENT TIME:") + values.txTime.rightJustified(4, QLatin1Char('0')),
        QStringLiteral("FILTER:") + values.filter,
        QStringLiteral("BACKLIGHT:") + backlightCode(values.backlight),
        QStringLiteral("FREQ:") + values.frequency,
        QStringLiteral("UNIT:") + listCode(values.unit, SettingsFields::unitItems(), 1, 1),
        QStringLiteral("DIGI:") + (values.digi == 1 ? QLatin1Char('1') : QLatin1Char('0')),
        QStringLiteral("MOD:") + values.txVol,
        QStringLiteral("PATH:") + listCode(values.path, SettingsFields::pathItems(), 0, 1),
        QStringLiteral("ALIAS:") + listCode(values.alias, SettingsFields::aliasItems(), 1, 3),
    };
}

QByteArray encode(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text.toUtf8();
}

QStringList decode(const QByteArray &content)
{
    const QString text = TextBytes::utf8OrLatin1(content, TextBytes::InitialBom::Drop);
    QStringList lines;
    QString line;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\r')) {
            line += text.at(i);
            continue;
        }
        lines << line;
        line.clear();
        if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace SetupFileFormat
