#include "serial/portmap.h"

#include "serial/inifile.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSet>

#include <algorithm>

namespace {

// Numbers a [PortMap] entry can name and the port list shows.
const int highestListedPort = 16;

// The path with symbolic links resolved (/dev/serial/by-id/... gives /dev/ttyUSB0), or
// the path itself when it does not resolve.
QString devicePath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

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

void PortMap::refresh()
{
    m_ports = m_enumerate ? m_enumerate() : QList<SystemPort>();
    std::stable_sort(m_ports.begin(), m_ports.end(), [](const SystemPort &a, const SystemPort &b) {
        if (a.usb != b.usb)
            return a.usb;
        return a.path < b.path;
    });
#ifndef Q_OS_WIN
    // Numbers named in [PortMap] and the devices they name are not handed out.
    QSet<int> reserved;
    QSet<QString> mappedDevices;
    for (int n = 1; n <= highestListedPort; ++n) {
        const QString mapped = mappedName(n);
        if (!mapped.isEmpty()) {
            reserved.insert(n);
            mappedDevices.insert(devicePath(mapped));
        }
    }

    QSet<QString> present;
    for (const SystemPort &port : std::as_const(m_ports))
        present.insert(port.path);
    for (auto it = m_numbered.begin(); it != m_numbered.end();) {
        const bool keep = present.contains(it.value()) && !reserved.contains(it.key()) &&
                          !mappedDevices.contains(devicePath(it.value()));
        it = keep ? std::next(it) : m_numbered.erase(it);
    }

    const QList<QString> numberedPaths = m_numbered.values();
    int candidate = 1;
    for (const SystemPort &port : std::as_const(m_ports)) {
        if (numberedPaths.contains(port.path) || mappedDevices.contains(devicePath(port.path)))
            continue;
        while (reserved.contains(candidate) || m_numbered.contains(candidate))
            ++candidate;
        m_numbered.insert(candidate, port.path);
    }
#endif
}

QString PortMap::mappedName(int portNumber) const
{
    return IniFile::read(QStringLiteral("PortMap"), QStringLiteral("COM%1").arg(portNumber),
                         m_settingsFile);
}

QString PortMap::systemName(int portNumber) const
{
#ifdef Q_OS_WIN
    return portNumber >= 1 ? QStringLiteral("COM%1").arg(portNumber) : QString();
#else
    if (portNumber < 1)
        return QString();
    const QString mapped = mappedName(portNumber);
    if (!mapped.isEmpty())
        return mapped;
    return m_numbered.value(portNumber);
#endif
}

QString PortMap::describe(int portNumber) const
{
    const QString path = systemName(portNumber);
    if (path.isEmpty())
        return QString();
    for (const SystemPort &port : m_ports) {
        if (port.path == path && !port.description.isEmpty())
            return QStringLiteral("%1 (%2)").arg(path, port.description);
    }
    return path;
}
