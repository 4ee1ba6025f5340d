#include "serial/openfailure.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

OpenFailure::Cause OpenFailure::classify(QSerialPort::SerialPortError error, const QString &device)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return Cause::Missing;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // Qt gives PermissionError for a denied open (EACCES), for a device opened
        // exclusively elsewhere (EBUSY) and for a lock file held by another program.
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES)
            return Cause::PermissionDenied;
        return Cause::Busy;
#else
        // Windows refuses access to a port that another program has open.
        Q_UNUSED(device)
        return Cause::Busy;
#endif
    case QSerialPort::OpenError: // already open through this very line
        return Cause::Busy;
    default:
        return Cause::Other;
    }
}

QString describeOpenFailure(const OpenFailure &failure, const QString &settingsFile)
{
    QString details = failure.device.isEmpty()
                          ? failure.reason
                          : QStringLiteral("%1: %2").arg(failure.device, failure.reason);
    if (!details.isEmpty() && !details.endsWith(QLatin1Char('.')))
        details += QLatin1Char('.');

    QString hint;
    switch (failure.cause) {
    case OpenFailure::Cause::PermissionDenied:
        hint = QStringLiteral(
            "Your user may not use this serial port. Serial ports usually belong to the group "
            "\"dialout\"; join it with this command, then log out and log in again:\n"
            "sudo usermod -aG dialout $USER");
        break;
    case OpenFailure::Cause::Busy:
        hint = QStringLiteral(
            "Another program holds the port, such as a terminal program, ModemManager or "
            "brltty. Close that program (or stop the service), then try again.");
        break;
    case OpenFailure::Cause::Missing:
        hint = QStringLiteral("The device is not there: the adapter may have been unplugged, or "
                              "the [PortMap] section of %1 names a device that does not exist. "
                              "Plug the adapter in, then open the port list to look for it again.")
                   .arg(QDir::toNativeSeparators(settingsFile));
        break;
    case OpenFailure::Cause::Other:
        hint = QStringLiteral("Check the adapter and its cable, then try again.");
        break;
    }
    return details.isEmpty() ? hint : details + QStringLiteral("\n\n") + hint;
}
