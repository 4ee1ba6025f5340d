#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include <functional>

// A serial device the system reports.
struct SystemPort
{
    QString path;        // what the line opens: /dev/ttyUSB0, COM3, ...
    QString description; // for the user: adapter name and maker, when known
    bool usb = false;    // USB and ACM adapters are numbered first
};

// The serial devices of this machine, as QSerialPortInfo reports them.
QList<SystemPort> systemSerialPorts();

// Turns the program's port numbers (COM1, COM2, ...) into system ports. On Windows COM n
// is the system's COM n. Elsewhere COM n is the device named by key "COMn" in section
// "PortMap" of the port-settings file; the other devices get numbers of their own: at
// the first look USB and ACM adapters first, then the rest, each in name order, so a
// single USB adapter is COM1 with no set-up at all. A device keeps its number while it
// stays plugged in; a device that appears later takes the lowest free number.
//
// The system is asked for its devices only by refresh(), once per look, however many
// numbers are then resolved and described.
class PortMap
{
public:
    using Enumerator = std::function<QList<SystemPort>()>;

    PortMap(QString settingsFile, Enumerator enumerate);

    // Looks at the system's serial devices again: devices that went away free their
    // numbers, new ones take the lowest numbers that are free and not named in
    // [PortMap], devices seen before keep theirs.
    void refresh();

    // The system port for COM n, or an empty string when there is none.
    QString systemName(int portNumber) const;
    // A short text naming the device COM n stands for, for tooltips.
    QString describe(int portNumber) const;

private:
    QString mappedName(int portNumber) const;

    QString m_settingsFile;
    Enumerator m_enumerate;
    QList<SystemPort> m_ports;     // what the last look found
    QMap<int, QString> m_numbered; // COM number -> device path, for unmapped devices
};
