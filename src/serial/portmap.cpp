#include "serial/portmap.h"

#include "serial/inifile.h"

#include <QSerialPortInfo>

#include <algorithm>

QList<SystemPort> systemSerialPorts()
{
    QList<SystemPort> ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        SystemPort port;
        port.path = info.systemLocation();
        port.usb = info.hasVendorIdentifier() ||
                   info.portName().startsWith(QLatin1String("ttyUSB")) ||
                   info.portName().startsWith(QLatin1String("ttyACM"));
        QStringList words;
        for (const QString &word : {info.description(), info.manufacturer()}) {
            if (!word.isEmpty() && !words.contains(word))
                words << word;
        }
        port.description = words.join(QLatin1String(", "));
        ports << port;
    }
    return ports;
}

PortMap::PortMap(QString settingsFile, Enumerator enumerate)
    : m_settingsFile(std::move(settingsFile)), m_enumerate(std::move(enumerate))
{
}

QList<SystemPort> PortMap::orderedPorts() const
{
    QList<SystemPort> ports = m_enumerate ? m_enumerate() : QList<SystemPort>();
    std::stable_sort(ports.begin(), ports.end(), [](const SystemPort &a, const SystemPort &b) {
        if (a.usb != b.usb)
            return a.usb;
        return a.path < b.path;
    });
    return ports;
}

QString PortMap::systemName(int portNumber) const
{
#ifdef Q_OS_WIN
    return portNumber >= 1 ? QStringLiteral("COM%1").arg(portNumber) : QString();
#else
    if (portNumber < 1)
        return QString();
    const QString mapped = IniFile::read(QStringLiteral("PortMap"),
                                         QStringLiteral("COM%1").arg(portNumber), m_settingsFile);
    if (!mapped.isEmpty())
        return mapped;
    const QList<SystemPort> ports = orderedPorts();
    return portNumber <= ports.size() ? ports[portNumber - 1].path : QString();
#endif
}

QString PortMap::describe(int portNumber) const
{
    const QString path = systemName(portNumber);
    if (path.isEmpty())
        return QString();
    for (const SystemPort &port : orderedPorts()) {
        if (port.path == path && !port.description.isEmpty())
            return QStringLiteral("%1 (%2)").arg(path, port.description);
    }
    return path;
}
