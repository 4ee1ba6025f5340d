// "Apply" sends the WiFi credentials; "restart" restarts the device.

#include "app/form1.h"
#include "platform/userdialogs.h"
#include "protocol/devicecommands.h"

using namespace DeviceCommands;

void Form1::Command8_Click()
{
    if (updateRefuses(portHeldByUpdate))
        return;
    try {
        if (MSComm1.PortOpen()) { // also the cancel sign for a running read
            Command6.setCaption(QStringLiteral("Port is open"));
            MSComm1.setPortOpen(false);
            throw CommError("Port was open");
        }
        Command8.setCaption(QStringLiteral("Write"));
        MSComm1.setSettings(QStringLiteral("115200,n,8,1"));
        openPortForText();
        checkPortName();
        Delay(200);
        if (!MSComm1.PortOpen()) {
            Command8.setCaption(QStringLiteral("Apply"));
            return;
        }
        // Credentials the line cannot carry as shown are not sent in a changed form.
        for (const auto &[label, box] :
             {std::pair{&LabelSsid, &Text34}, {&LabelWifiPass, &Text33}}) {
            if (!fitsTheLine(box->text())) {
                Text29.setText(QStringLiteral("WIFI Writing.....\r\n") +
                               notSentNote(label->caption()) +
                               QStringLiteral("\r\nWIFI Write Fail\r\n"));
                MSComm1.setPortOpen(false);
                Command8.setCaption(QStringLiteral("Apply"));
                return;
            }
        }
        MSComm1.Output(QStringLiteral("AT+WIFI,") + lineSafe(Text34.text()) + QLatin1Char(',') +
                       lineSafe(Text33.text()) + QLatin1Char('#') + lineEnd);
        Text29.setText(QStringLiteral("WIFI Writing.....\r\n"));
        bool acknowledged = false;
        for (int poll = 1; poll <= 16 && !acknowledged; ++poll) {
            Delay(800);
            acknowledged = bWifiOk == 1;
        }
        bWifiOk = 0;
        if (acknowledged) {
            Text29.appendText(QStringLiteral("WIFI Write complete\r\n"));
            MSComm1.Output(QStringLiteral("REBOOT#") + lineEnd);
            Text29.appendText(QStringLiteral("WIFI reset...\r\n"));
        } else {
            Text29.appendText(QStringLiteral("WIFI Write Fail\r\n"));
        }
        MSComm1.setPortOpen(false);
        Command8.setCaption(QStringLiteral("Apply"));
    } catch (const std::exception &error) {
        dialogs().message(QStringLiteral("Port is open or no"), failureDetails(error));
        Command8.setCaption(QStringLiteral("Apply"));
    }
}

void Form1::Command9_Click()
{
    if (updateRefuses(portHeldByUpdate))
        return;
    if (MSComm1.PortOpen()) {
        MSComm1.setPortOpen(false);
        Command9.setCaption(QStringLiteral("Port is open"));
        return;
    }
    Delay(100);
    try {
        openPortForText();
        MSComm1.Output(QStringLiteral("REBOOT#") + lineEnd);
        Delay(500);
        MSComm1.Output(QStringLiteral("REBOOT#") + lineEnd);
    } catch (const std::exception &error) {
        dialogs().message(QStringLiteral("Port is open or no"), failureDetails(error));
    }
    // Closing lets the second command drain before the port goes away.
    MSComm1.setPortOpen(false);
    Command9.setCaption(QStringLiteral("restart"));
}
