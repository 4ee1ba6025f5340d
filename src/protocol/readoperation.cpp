// "Read data": connect to the device, read its settings into the window.

#include "app/form1.h"
#include "platform/userdialogs.h"
#include "protocol/devicecommands.h"

namespace {

// The fields a read empties before it starts, in this order.
void emptySettingsFields(Form1 &f)
{
    f.Text29.setText(QString());
    f.Text30.setText(QString());
    f.Text4.setText(QString());
    for (ComboBox *list : {&f.Combo2, &f.Combo3, &f.Combo4, &f.Combo5, &f.Combo16})
        list->setText(QStringLiteral(" "));
    for (TextBox *box : {&f.Text7, &f.Text5, &f.Text6, &f.Text8, &f.Text10, &f.Text11})
        box->setText(QString());
    for (TextBox *box : f.addressBoxes)
        box->setText(QString());
    f.Text31.setText(QString());
    f.Check1.setValue(0);
    for (ComboBox *list : {&f.Combo6, &f.Combo7, &f.Combo8})
        list->setText(QString());
}

} // namespace

void Form1::Command6_Click()
{
    if (updateRefuses(portHeldByUpdate))
        return;
    emptySettingsFields(*this);
    bConnectOk = 0;
    bReadEnd = 0;

    if (MSComm1.PortOpen()) { // a press during a running operation cancels it
        Command6.setCaption(QStringLiteral("Port is open"));
        MSComm1.setPortOpen(false);
        Command7.setEnabled(true);
        return;
    }

    Command6.setCaption(QStringLiteral("reading"));
    Command7.setEnabled(false);
    try {
        Delay(100);
        MSComm1.setSettings(QStringLiteral("115200,n,8,1"));
        openPortForText();
        checkPortName();
        WriteCommSet(Combo1.text(), QStringLiteral("115200"), QStringLiteral("1"),
                     QStringLiteral("n"), QStringLiteral("8"), QStringLiteral("0"),
                     QStringLiteral("2048"), QStringLiteral("2048"));

        for (int attempt = 1; attempt <= 20; ++attempt) {
            Text29.setText(QStringLiteral("Please restart MELKO......Connection %1/20Times......")
                               .arg(attempt));
            if (MSComm1.PortOpen())
                MSComm1.Output(QStringLiteral("\r\nSETUP#") + DeviceCommands::lineEnd);
            else if (!MSComm1.lostReason().isEmpty()) // the device went away: no use waiting
                throw CommError(MSComm1.lostReason().toStdString());
            if (Command6.caption() == QLatin1String("Port is open")) { // cancelled meanwhile
                Text3.setText(QStringLiteral("test fail"));
                MSComm1.setPortOpen(false);
                break;
            }
            if (bConnectOk == 1) {
                Text3.setText(QStringLiteral("Connection is successful\r\n"));
                Text29.appendText(QStringLiteral("\r\nConnection is successful"));
                break;
            }
            Delay(1000);
        }

        // The read runs whether the device answered the connect or not.
        bReadEnd = 0;
        for (int attempt = 1; attempt <= 20; ++attempt) {
            MSComm1.Output(QStringLiteral("AT+READ#") + DeviceCommands::lineEnd);
            Delay(1000);
            Text29.setText(
                QStringLiteral("Connection OK\r\nReading %1/20Times......").arg(attempt));
            if (bReadEnd == 1) {
                Text29.appendText(QStringLiteral("\r\nread ok"));
                Command7.setEnabled(true);
                Command6.setCaption(QStringLiteral("read data"));
                MSComm1.setPortOpen(false);
                return;
            }
        }

        Delay(500);
        if (MSComm1.PortOpen())
            MSComm1.setPortOpen(false);
        Command7.setEnabled(true);
        Command6.setCaption(QStringLiteral("read data"));
        sRxLine.clear();
    } catch (const std::exception &error) {
        // Nothing is restored: the caption and "Write data" keep their state. A device
        // that went away is named again, since the attempts' status texts replaced the
        // note written when it happened.
        if (!MSComm1.lostReason().isEmpty())
            Text29.appendLine(lineLossNote(MSComm1.lostReason()));
        dialogs().message(QStringLiteral("Port is open or no"), failureDetails(error));
    }
}
