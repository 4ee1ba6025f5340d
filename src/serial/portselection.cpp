// Port choice and the port-settings file.

#include "app/form1.h"
#include "platform/userdialogs.h"
#include "serial/inifile.h"
#include "serial/openfailure.h"

#include <QDir>
#include <QFileInfo>

QString Form1::ReadINI(const QString &Section, const QString &KeyName, const QString &Filename)
{
    return IniFile::read(Section, KeyName, Filename);
}

// A port-settings file that cannot be written is no reason to stop an operation: the
// failure is only noted in the status log.
bool Form1::writeIniKey(const QString &section, const QString &key, const QString &value,
                        const QString &fileName)
{
    // The user's configuration folder may not exist yet.
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QString reason;
    if (IniFile::write(section, key, value, fileName, &reason))
        return true;
    Text29.appendLine(QStringLiteral("Cannot save the port settings in %1: %2")
                          .arg(QDir::toNativeSeparators(fileName), reason));
    return false;
}

std::int16_t Form1::WriteINI(const QString &sSection, const QString &sKeyName,
                             const QString &sNewString, const QString &sFileName)
{
    writeIniKey(sSection, sKeyName, sNewString, sFileName);
    return 0;
}

void Form1::WriteCommSet(const QString &PortNo, const QString &BaudRate, const QString &StopBits,
                         const QString &Parity, const QString &Databits, const QString &FlowControl,
                         const QString &InBuff, const QString &OutBuff)
{
    const std::pair<const char *, QString> keys[] = {
        {"par5", PortNo},   {"par4", BaudRate},    {"par1", StopBits}, {"par3", Parity},
        {"par2", Databits}, {"par0", FlowControl}, {"InBuff", InBuff}, {"OutBuff", OutBuff}};
    for (const auto &[key, value] : keys) {
        if (!writeIniKey(QStringLiteral("PortSet"), QString::fromLatin1(key), value,
                         portSettingsFile()))
            return; // the other keys would fail the same way
    }
}

// A pick of COM1 to COM16 selects that port; start-up lists up to COM16.
void Form1::Combo1_Click()
{
    for (int n = 1; n <= 16; ++n) {
        if (Combo1.text() != QStringLiteral("COM%1").arg(n))
            continue;
        try {
            MSComm1.setCommPort(n);
        } catch (const CommError &) {
            m_dialogs.message(QStringLiteral("Port is open"));
        }
        return;
    }
}

QString Form1::portDescription() const
{
    const QString device = MSComm1.openedName();
    const QString port = QStringLiteral("COM%1").arg(MSComm1.CommPort());
    return device.isEmpty() ? port : QStringLiteral("%1 (%2)").arg(port, device);
}

void Form1::probePorts()
{
    m_portMap.refresh();
    QStringList items;
    QStringList toolTips;
    for (int n = 1; n <= 16; ++n) {
        try {
            MSComm1.setCommPort(n);
            MSComm1.setPortOpen(true);
        } catch (const CommError &) {
        }
        if (MSComm1.PortOpen()) {
            items << QStringLiteral("COM%1").arg(n);
            toolTips << m_portMap.describe(n);
            MSComm1.setPortOpen(false);
        }
    }
    Combo1.setItems(items, toolTips);
}

// Opening the port list looks again, so an adapter plugged in since start-up shows up
// and one pulled out goes. The probe opens every port in turn, so it is left out while
// the port is open and while another handler is under way (it waits, and may be about
// to open its port or to reopen a device that is restarting): the list then stays as it
// was. The shown text and the selected port number stay.
void Form1::Combo1_DropDown()
{
    if (MSComm1.PortOpen() || m_handlersRunning > 1)
        return;
    const int selected = MSComm1.CommPort();
    probePorts();
    MSComm1.setCommPort(selected);
}

// The details of a failure message: why a port did not open, or why the line was lost.
QString Form1::failureDetails(const std::exception &error) const
{
    const auto *commError = dynamic_cast<const CommError *>(&error);
    if (commError && commError->openFailure())
        return describeOpenFailure(*commError->openFailure(), portSettingsFile());
    if (!MSComm1.lostReason().isEmpty())
        return lineLossNote(MSComm1.lostReason());
    return QString();
}

void Form1::checkPortName()
{
    if (!Combo1.text().startsWith(QLatin1String("COM")))
        Combo1.setText(QStringLiteral("COM1"));
}
