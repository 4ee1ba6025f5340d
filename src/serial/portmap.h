#pragma once

#include <QList>
#include <QString>

#include <functional>

// A serial device the system reports.
struct SystemPort
{
    QString path;        // what the line opens: /dev/ttyUSB0, COM3, ...
    QString description; // for the user: adapter name and maker, when known
    bool usb = false;    // USB and ACM adapters are listed first
};

// The serial devices of this machine, as QSerialPortInfo reports them.
QList<SystemPort> systemSerialPorts();

// Turns the program's port numbers (COM1 to COM16) into system ports. On Windows
// COM n is the system's COM n. Elsewhere COM n is the device named by key "COMn" in
// section "PortMap" of the port-settings file; a number without such a key stands for
// the n-th serial device of the system (USB and ACM adapters first, then the rest,
// each in name order), so a single USB adapter is COM1 with no set-up at all.
class PortMap
{
public:
    using Enumerator = std::function<QList<SystemPort>()>;

    PortMap(QString settingsFile, Enumerator enumerate);

    // The system port for COM n, or an empty string when there is none.
    QString systemName(int portNumber) const;
    // A short text naming the device COM n stands for, for tooltips.
    QString describe(int portNumber) const;

private:
    QList<SystemPort> orderedPorts() const;

    QString m_settingsFile;
    Enumerator m_enumerate;
};
