#include "cli/commands.h"

#include "cli/console.h"
#include "cli/devicesession.h"
#include "cli/flashprogress.h"
#include "cli/settingsjson.h"
#include "firmware/firmwareimage.h"
#include "serial/portmap.h"
#include "setupfile/setupfileformat.h"
#include "setupfile/setupfilestorage.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <algorithm>

namespace {

bool toStandardOutput(const QString &output)
{
    return output.isEmpty() || output == QLatin1String("-");
}

// The port is opened once before anything else, so that a port that cannot be opened
// is reported with its reason instead of being skipped by an operation.
bool portOpens(DeviceSession &session, const QString &command)
{
    QString reason;
    if (session.checkPort(&reason))
        return true;
    // The first line is the system's reason; the window's advice follows, indented.
    const QStringList lines = reason.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    Console::message(
        QStringLiteral("%1: the port cannot be opened: %2").arg(command, lines.value(0)));
    for (int i = 1; i < lines.size(); ++i)
        Console::progress(QStringLiteral("  %1\n").arg(lines[i].trimmed()));
    return false;
}

bool writeOutput(const QString &output, const QByteArray &bytes, const QString &command)
{
    if (toStandardOutput(output)) {
        if (Console::writeData(bytes))
            return true;
        Console::message(QStringLiteral("%1: cannot write to standard output").arg(command));
        return false;
    }
    QString reason;
    if (SetupFileStorage::write(output, bytes, &reason))
        return true;
    Console::message(QStringLiteral("%1: cannot write \"%2\": %3")
                         .arg(command, QDir::toNativeSeparators(output), reason));
    return false;
}

// A file that "Load file" would apply only in part is refused before any of it is
// sent: every setting the write sends must have its line.
bool isCompleteSetupFile(const QString &path, QString *reason)
{
    QByteArray content;
    if (!SetupFileStorage::read(path, &content, reason))
        return false;
    const QStringList lines = SetupFileFormat::decode(content);
    for (const QString &expected : SetupFileFormat::lines(SetupValues())) {
        const int colon = expected.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue; // the header and the empty line
        const QString key = expected.left(colon + 1);
        const bool present = std::any_of(lines.cbegin(), lines.cend(),
                                         [&](const QString &line) { return line.startsWith(key); });
        if (!present) {
            *reason = QStringLiteral("it is not a setup file: it has no \"%1\" line").arg(key);
            return false;
        }
    }
    return true;
}

ExitStatus listPorts()
{
    DeviceSession session{QString()};
    Form1 &form = session.form();
    const QList<SystemPort> systemPorts = systemSerialPorts();
    const PortMap portMap(form.portSettingsFile(), [&] { return systemPorts; });
    const QStringList listed = form.Combo1.items(); // the ports start-up could open
    int found = 0;
    for (int n = 1; n <= 16; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        const QString device = portMap.systemName(n);
        if (device.isEmpty())
            continue;
        ++found;
        if (!listed.contains(name)) {
            QString reason;
            try {
                form.MSComm1.setCommPort(n);
                form.MSComm1.setPortOpen(true);
                form.MSComm1.setPortOpen(false);
                continue; // it opens now: listed below on the next run; say nothing
            } catch (const CommError &error) {
                reason = QString::fromStdString(error.what());
            }
            Console::message(QStringLiteral("%1 is not listed: %2").arg(name, reason));
            continue;
        }
        QString description;
        for (const SystemPort &port : systemPorts) {
            if (port.path == device)
                description = port.description;
        }
        Console::writeData(
            (QStringList{name, device, description}.join(QLatin1Char('\t')) + QLatin1Char('\n'))
                .toLocal8Bit());
    }
    if (found == 0)
        Console::message(QStringLiteral("no serial port found"));
    return ExitStatus::Success;
}

ExitStatus readCommand(const CliRequest &request)
{
    DeviceSession session(request.port, request.verbose);
    if (!portOpens(session, QStringLiteral("read")))
        return ExitStatus::PortNotOpened;
    if (!session.readSettings()) {
        session.reportFailure(
            QStringLiteral("read: the device on %1 did not answer").arg(session.portName()));
        return ExitStatus::NoAnswer;
    }
    if (request.json) {
        const QByteArray json = QJsonDocument(settingsAsJson(session.form())).toJson();
        return writeOutput(request.output, json, QStringLiteral("read")) ? ExitStatus::Success
                                                                         : ExitStatus::UsageError;
    }
    if (!toStandardOutput(request.output)) {
        return session.saveSetupFile(request.output) ? ExitStatus::Success : ExitStatus::UsageError;
    }
    // "Save file" writes a file; standard output gets that file's bytes.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("setup.ini"));
    QByteArray content;
    QString reason;
    if (!folder.isValid() || !session.saveSetupFile(path) ||
        !SetupFileStorage::read(path, &content, &reason)) {
        Console::message(QStringLiteral("read: cannot make the setup file in a temporary folder"));
        return ExitStatus::UsageError;
    }
    return writeOutput(request.output, content, QStringLiteral("read")) ? ExitStatus::Success
                                                                        : ExitStatus::UsageError;
}

ExitStatus writeCommand(const CliRequest &request)
{
    QString reason;
    if (!isCompleteSetupFile(request.file, &reason)) {
        Console::message(QStringLiteral("write: cannot use \"%1\": %2")
                             .arg(QDir::toNativeSeparators(request.file), reason));
        return ExitStatus::UsageError;
    }
    DeviceSession session(request.port, request.verbose);
    if (!portOpens(session, QStringLiteral("write")))
        return ExitStatus::PortNotOpened;
    if (!session.loadSetupFile(request.file))
        return ExitStatus::UsageError;
    if (!session.writeSettings()) {
        session.reportFailure(
            QStringLiteral("write: the device on %1 did not acknowledge the settings")
                .arg(session.portName()));
        return ExitStatus::NoAnswer;
    }
    return ExitStatus::Success;
}

// A value for a WiFi box that the window would not let the user type, or that the
// line or the device cannot carry as given.
QString wifiValueProblem(const QString &option, const QString &value, const TextBox &box)
{
    if (box.maxLength() > 0 && value.size() > box.maxLength())
        return QStringLiteral("%1 takes at most %2 characters").arg(option).arg(box.maxLength());
    for (const QChar c : value) {
        if (c.unicode() > 0xFF || c.unicode() < 0x20)
            return QStringLiteral("%1 holds \"%2\", which the serial line cannot carry")
                .arg(option, c);
    }
    return QString();
}

ExitStatus wifiCommand(const CliRequest &request)
{
    DeviceSession session(request.port, request.verbose);
    Form1 &form = session.form();
    QString problem = wifiValueProblem(QStringLiteral("--ssid"), request.ssid, form.Text34);
    if (problem.isEmpty() && request.ssid.contains(QLatin1Char(',')))
        problem = QStringLiteral("--ssid cannot hold a comma: the device would split the name "
                                 "there");
    if (problem.isEmpty())
        problem = wifiValueProblem(QStringLiteral("--pass"), request.password, form.Text33);
    if (!problem.isEmpty()) {
        Console::message(QStringLiteral("wifi: ") + problem);
        return ExitStatus::UsageError;
    }
    if (!portOpens(session, QStringLiteral("wifi")))
        return ExitStatus::PortNotOpened;
    if (!session.applyWifi(request.ssid, request.password)) {
        session.reportFailure(QStringLiteral("wifi: the device on %1 did not acknowledge the WiFi "
                                             "settings")
                                  .arg(session.portName()));
        return ExitStatus::NoAnswer;
    }
    return ExitStatus::Success;
}

ExitStatus restartCommand(const CliRequest &request)
{
    DeviceSession session(request.port, request.verbose);
    if (!portOpens(session, QStringLiteral("restart")))
        return ExitStatus::PortNotOpened;
    return session.restart() ? ExitStatus::Success : ExitStatus::NoAnswer;
}

bool runUpdate(DeviceSession &session)
{
    FlashProgress progress(session.form(), Console::errorIsTerminal());
    return session.update();
}

// A name in the current folder that no file has yet.
QString defaultSettingsFile()
{
    const QString stem = QStringLiteral("ks936-settings-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stem + QStringLiteral(".ini");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = QStringLiteral("%1-%2.ini").arg(stem).arg(n);
    return QDir::current().absoluteFilePath(name);
}

ExitStatus flashKeepingSettings(const CliRequest &request, DeviceSession &session)
{
    const QString kept = QDir::toNativeSeparators(
        request.settingsFile.isEmpty() ? defaultSettingsFile()
                                       : QFileInfo(request.settingsFile).absoluteFilePath());
    const QString writeBack =
        QStringLiteral("write them back with: ks936-cli write \"%1\" --port %2")
            .arg(kept, request.port);
    const auto failed = [&](int step, const QString &what) {
        session.reportFailure(QStringLiteral("flash: step %1 of 4 failed: %2").arg(step).arg(what));
    };

    Console::message(QStringLiteral("flash: step 1 of 4: reading the settings"));
    if (!session.readSettings()) {
        failed(1, QStringLiteral("the device on %1 did not answer; nothing was changed")
                      .arg(session.portName()));
        return ExitStatus::NoAnswer;
    }
    if (!session.saveSetupFile(kept)) {
        failed(1, QStringLiteral("the settings could not be kept; nothing was changed"));
        return ExitStatus::UsageError;
    }
    Console::writeData((kept + QLatin1Char('\n')).toLocal8Bit());
    Console::message(QStringLiteral("flash: the settings are kept in %1").arg(kept));

    Console::message(QStringLiteral("flash: step 2 of 4: the update"));
    if (!runUpdate(session)) {
        failed(2, QStringLiteral("the update did not complete, and its reset may have erased "
                                 "the device's settings; they are kept in %1: %2")
                      .arg(kept, writeBack));
        return ExitStatus::NoAnswer;
    }

    Console::message(QStringLiteral("flash: step 3 of 4: waiting for the device to answer"));
    // The monotonic clock: a wall clock set by the network meanwhile moves no deadline.
    const QDeadlineTimer deadline(std::chrono::seconds(request.bootWaitSeconds));
    bool answered = false;
    while (!answered && !deadline.hasExpired())
        answered = session.readSettings();
    if (!answered) {
        failed(3, QStringLiteral("the device did not answer within %1 seconds of the update; "
                                 "its settings are kept in %2: %3")
                      .arg(request.bootWaitSeconds)
                      .arg(kept, writeBack));
        return ExitStatus::NoAnswer;
    }

    Console::message(QStringLiteral("flash: step 4 of 4: writing the settings back"));
    if (!session.loadSetupFile(kept) || !session.writeSettings()) {
        failed(4, QStringLiteral("the device did not acknowledge the settings; they are kept "
                                 "in %1: %2")
                      .arg(kept, writeBack));
        return ExitStatus::NoAnswer;
    }
    Console::message(QStringLiteral("flash: done, the settings are back. A setup file holds no "
                                    "WiFi name and password: if the update erased them, set "
                                    "them again with \"ks936-cli wifi\"."));
    return ExitStatus::Success;
}

ExitStatus flashCommand(const CliRequest &request)
{
    DeviceSession session(request.port, request.verbose);
    Form1 &form = session.form();
    if (!session.openImage(request.file))
        return ExitStatus::UsageError;
    if (form.lRomLen < FirmwareImage::minFileLength) {
        Console::message(QStringLiteral("flash: \"%1\" holds %2 bytes; a firmware image holds at "
                                        "least %3")
                             .arg(QDir::toNativeSeparators(request.file))
                             .arg(form.lRomLen)
                             .arg(FirmwareImage::minFileLength));
        return ExitStatus::UsageError;
    }
    if (!portOpens(session, QStringLiteral("flash")))
        return ExitStatus::PortNotOpened;
    if (request.keepSettings)
        return flashKeepingSettings(request, session);
    if (!runUpdate(session)) {
        session.reportFailure(
            QStringLiteral("flash: the update on %1 did not complete").arg(session.portName()));
        return ExitStatus::NoAnswer;
    }
    return ExitStatus::Success;
}

} // namespace

ExitStatus runCommand(const CliRequest &request)
{
    using C = CliRequest::Command;
    switch (request.command) {
    case C::Ports:
        return listPorts();
    case C::Read:
        return readCommand(request);
    case C::Write:
        return writeCommand(request);
    case C::Wifi:
        return wifiCommand(request);
    case C::Restart:
        return restartCommand(request);
    case C::Flash:
        return flashCommand(request);
    }
    return ExitStatus::UsageError;
}
