// Port choice and the port-settings file.

#include "app/form1.h"
#include "platform/userdialogs.h"
#include "serial/inifile.h"

#include <QDir>

QString Form1::ReadINI(const QString &Section, const QString &KeyName, const QString &Filename)
{
    return IniFile::read(Section, KeyName, Filename);
}

// A port-settings file that cannot be written is no reason to stop an operation: the
// failure is only noted in the status log.
bool Form1::writeIniKey(const QString &section, const QString &key, const QString &value,
                        const QString &fileName)
{
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

void Form1::checkPortName()
{
    if (!Combo1.text().startsWith(QLatin1String("COM")))
        Combo1.setText(QStringLiteral("COM1"));
}
