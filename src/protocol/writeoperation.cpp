// "Write data": send the window's whole configuration to the device.

#include "app/form1.h"
#include "app/settingsfields.h"
#include "protocol/devicecommands.h"

using namespace DeviceCommands;
using namespace SettingsFields;

namespace {

// "AT+IP," and the four octets of one address row, joined by commas.
QString addressCommand(const char *command, TextBox *const octets[4])
{
    QStringList values;
    for (int i = 0; i < 4; ++i)
        values << lineSafe(octets[i]->text());
    return QLatin1String(command) + values.join(QLatin1Char(',')) + QLatin1Char('#');
}

} // namespace

void Form1::Command7_Click()
{
    if (updateRefuses(portHeldByUpdate))
        return;
    bFreqSaved = 0;
    Text29.setText(QString());
    Text30.setText(QString());

    // From here on a failing step is skipped without a report.
    if (MSComm1.PortOpen()) {
        Command6.setCaption(QStringLiteral("Port is open"));
        skipOnFailure([&] { MSComm1.setPortOpen(false); });
        Command7.setEnabled(true);
        return;
    }
    Delay(100);
    skipOnFailure([&] { MSComm1.setSettings(QStringLiteral("115200,n,8,1")); });
    Command7.setCaption(QStringLiteral("Writing"));
    Text29.setText(QStringLiteral("Writing......"));
    skipOnFailure([&] { openPortForText(); });
    checkPortName();

    // Each value is read when its command is built; pauses follow each command. A value
    // the line cannot carry is not sent in a changed form: its command is left out and
    // the status log names the field.
    auto send = [this](const QString &field, const QString &command, int pauseMs) {
        if (fitsTheLine(command))
            skipOnFailure([&] { MSComm1.Output(command + lineEnd); });
        else
            Text29.appendText(QStringLiteral("\r\n") + notSentNote(field));
        if (pauseMs > 0)
            Delay(pauseMs);
    };
    // The callsign is filled with spaces to six characters; a longer one goes whole.
    send(LabelCallsign.caption(),
         QStringLiteral("AT+CALL,") + lineSafe(Text4.text()).leftJustified(6) + QLatin1Char('-') +
             lineSafe(Combo5.text()) + QLatin1Char('#'),
         200);
    send(LabelPass.caption(),
         QStringLiteral("AT+PASS,") + lineSafe(Text5.text()) + QLatin1Char('#'), 200);
    if (Combo2.text() == QLatin1String("STATIC IP")) {
        send(Label5.caption(), QStringLiteral("AT+DHCP,0#"), 200);
        send(LabelIp.caption(), addressCommand("AT+IP,", &addressBoxes[0]), 200);
        send(LabelMask.caption(), addressCommand("AT+SUB,", &addressBoxes[4]), 200);
        send(LabelGate.caption(), addressCommand("AT+GW,", &addressBoxes[8]), 200);
        send(LabelDns.caption(), addressCommand("AT+DNS,", &addressBoxes[12]), 200);
        Delay(200);
    } else {
        send(Label5.caption(), QStringLiteral("AT+DHCP,1#"), 200);
    }
    send(Label6.caption(), QStringLiteral("AT+POSI,") + lineSafe(Text8.text()) + QLatin1Char('#'),
         200);
    send(Label11.caption(),
         QStringLiteral("AT+COMMENT,") + lineSafe(Text7.text()) + QLatin1Char('#'), 200);
    send(LabelServer.caption(),
         QStringLiteral("AT+SERVER,") + lineSafe(Combo3.text()) + QLatin1Char('#'), 200);
    send(LabelTxTime.caption(),
         QStringLiteral("AT+TIME,") + lineSafe(Text10.text()) + QLatin1Char('#'), 200);
    send(LabelFilter.caption(),
         QStringLiteral("AT+FILTER,") + lineSafe(Text11.text()) + QLatin1Char('#'), 200);
    send(LabelBacklight.caption(),
         QStringLiteral("AT+BACKLIGHT,") + lineSafe(backlightCode(Combo16.text())) +
             QLatin1Char('#'),
         200);
    send(LabelUnit.caption(),
         QStringLiteral("AT+UNIT,") + listCode(Combo4.text(), unitItems(), 1, 2) + QLatin1Char('#'),
         200);
    send(Check1.caption(),
         QStringLiteral("AT+DIGI,") + (Check1.value() == 1 ? QLatin1Char('1') : QLatin1Char('0')) +
             QLatin1Char('#'),
         200);
    send(LabelTxVol.caption(),
         QStringLiteral("AT+MOD,") + lineSafe(Combo6.text()) + QLatin1Char('#'), 200);
    send(LabelPath.caption(),
         QStringLiteral("AT+PATH,") + listCode(Combo7.text(), pathItems(), 0, 1) + QLatin1Char('#'),
         200);
    send(LabelAlias.caption(),
         QStringLiteral("AT+ALIAS,") + listCode(Combo8.text(), aliasItems(), 1, 3) +
             QLatin1Char('#'),
         0);
    send(LabelFreq.caption(),
         lineEnd + QStringLiteral("AT+FREQ,") + lineSafe(Text31.text()) + QLatin1Char('#'), 200);

    // The device acknowledges the whole write once, with "freq save".
    for (int poll = 0; poll <= 15; ++poll) {
        Delay(500);
        if (poll >= 14)
            Text29.appendText(QStringLiteral("Write fail\uFF0CPlease try again.\r\n"));
        if (bFreqSaved == 1) {
            Text29.appendText(QStringLiteral("\r\nWrite complete"));
            break;
        }
    }
    Delay(100);
    Command7.setCaption(QStringLiteral("Write data"));
    skipOnFailure([&] { MSComm1.setPortOpen(false); });
}
