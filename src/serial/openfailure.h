#pragma once

#include <QSerialPort>
#include <QString>

// Why a serial port did not open: the cause picks the advice given to the user, the
// reason is the system's own words.
struct OpenFailure
{
    enum class Cause
    {
        Missing,          // no such device: unplugged, or a name that points nowhere
        PermissionDenied, // the user may not use the device
        Busy,             // another program holds it
        Other,
    };

    Cause cause = Cause::Other;
    QString device; // the system port that was to be opened, when there was one
    QString reason;

    // Sorts a QSerialPort error out of an open of `device`. Qt reports a refused
    // device and one held by another program alike, so the device's permissions
    // tell them apart.
    static Cause classify(QSerialPort::SerialPortError error, const QString &device);
};

// The details shown under a "port did not open" message: what went wrong, in the
// system's words, and what the user can do about it. `settingsFile` is the file whose
// [PortMap] section may name the device.
QString describeOpenFailure(const OpenFailure &failure, const QString &settingsFile);
