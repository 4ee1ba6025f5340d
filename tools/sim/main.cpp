// ks936-sim: the KS936 device on a pseudo-terminal, for trying the configuration
// program without hardware and for its end-to-end tests.

#include "devicemodel.h"
#include "platform/qteventloop.h"
#include "ptyport.h"
#include "signalwatcher.h"
#include "serial/inifile.h"
#include "simcommandline.h"
#include "trafficlogwriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace {

constexpr int kExitHungUp = 3;

void printTo(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

bool loadSettings(const QString &path, DeviceSettings *settings, QString *error)
{
    QFile file(path);
    if (!file.exists())
        return true; // starts from factory settings and creates the file on the first change
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    *settings = DeviceSettings::fromText(file.readAll());
    return true;
}

// A symlink left by an earlier run is replaced; anything else at the path is kept.
bool makeLink(const QString &target, const QString &linkPath, QString *error)
{
    const QFileInfo existing(linkPath);
    if (existing.isSymLink())
        QFile::remove(linkPath);
    else if (existing.exists()) {
        *error = QStringLiteral("%1 exists and is not a symlink").arg(linkPath);
        return false;
    }
    if (!QFile::link(target, linkPath)) {
        *error = QStringLiteral("cannot create the symlink %1").arg(linkPath);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    SignalWatcher::blockTerminationSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ks936-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    SimCommandLine commandLine;
    switch (commandLine.parse(QCoreApplication::arguments())) {
    case SimCommandLine::Outcome::ShowHelp:
        printTo(stdout, commandLine.helpText());
        return 0;
    case SimCommandLine::Outcome::ShowVersion:
        printTo(stdout, QStringLiteral("ks936-sim 1.0\n"));
        return 0;
    case SimCommandLine::Outcome::Error:
        printTo(
            stderr,
            QStringLiteral("ks936-sim: %1\nTry ks936-sim --help.\n").arg(commandLine.errorText()));
        return 2;
    case SimCommandLine::Outcome::Run:
        break;
    }
    SimConfig config = commandLine.config();

    QString error;
    if (!config.settingsPath.isEmpty() &&
        !loadSettings(config.settingsPath, &config.device.settings, &error)) {
        printTo(stderr, QStringLiteral("ks936-sim: %1\n").arg(error));
        return 2;
    }
    TrafficLogWriter log;
    if (!config.quiet && !log.open(config.logPath, &error)) {
        printTo(stderr, QStringLiteral("ks936-sim: %1: %2\n").arg(config.logPath, error));
        return 2;
    }

    PtyPort port;
    if (!port.open(&error)) {
        printTo(stderr, QStringLiteral("ks936-sim: %1\n").arg(error));
        return 1;
    }
    if (!config.linkPath.isEmpty() && !makeLink(port.slavePath(), config.linkPath, &error)) {
        printTo(stderr, QStringLiteral("ks936-sim: %1\n").arg(error));
        return 1;
    }
    if (!config.registerFile.isEmpty()) {
        // The link outlives this run's pseudo-terminal name, so it is the better entry.
        const QString device = config.linkPath.isEmpty()
                                   ? port.slavePath()
                                   : QFileInfo(config.linkPath).absoluteFilePath();
        const QString name = QStringLiteral("COM%1").arg(config.registerPort);
        const bool recorded =
            IniFile::write(QStringLiteral("PortMap"), name, device, config.registerFile) &&
            (!IniFile::read(QStringLiteral("PortSet"), QStringLiteral("par5"), config.registerFile)
                  .isEmpty() ||
             IniFile::write(QStringLiteral("PortSet"), QStringLiteral("par5"), name,
                            config.registerFile));
        if (!recorded) {
            printTo(stderr, QStringLiteral("ks936-sim: cannot write %1\n").arg(config.registerFile));
            return 1;
        }
    }
    printTo(stdout, port.slavePath() + QLatin1Char('\n'));

    QtEventLoop loop;
    DeviceModel device(loop, config.device);
    const auto note = [&](const QString &entry) { log.write(loop.nowMs(), entry); };

    QObject::connect(&device, &DeviceModel::logged, &app,
                     [&](qint64 timeMs, const QString &entry) { log.write(timeMs, entry); });
    QObject::connect(&port, &PtyPort::received, &device, &DeviceModel::receive);
    QObject::connect(&device, &DeviceModel::transmit, &port, [&](const QByteArray &bytes) {
        if (!port.write(bytes))
            note(QStringLiteral("      port closed, lost: %1")
                     .arg(QString::fromLatin1(bytes.toHex(' ').toUpper())));
    });
    QObject::connect(&port, &PtyPort::clientOpened, &app,
                     [&] { note(QStringLiteral("port opened")); });
    QObject::connect(&port, &PtyPort::clientClosed, &app,
                     [&] { note(QStringLiteral("port closed")); });
    QObject::connect(&device, &DeviceModel::settingsChanged, &app, [&] {
        QString saveError;
        if (!config.settingsPath.isEmpty() &&
            !writeFile(config.settingsPath, device.settings().toText(), &saveError))
            note(QStringLiteral("cannot save settings: %1").arg(saveError));
    });
    QObject::connect(&device, &DeviceModel::imageReceived, &app, [&](const QByteArray &image) {
        if (config.imageOutPath.isEmpty())
            return;
        QString saveError;
        if (writeFile(config.imageOutPath, image, &saveError))
            note(QStringLiteral("image written to %1").arg(config.imageOutPath));
        else
            note(QStringLiteral("cannot write the image: %1").arg(saveError));
    });
    QObject::connect(&device, &DeviceModel::hangUp, &app, [&] {
        port.close(); // the program's end of the line sees the hang-up at once
        note(QStringLiteral("pseudo-terminal closed, exiting"));
        QCoreApplication::exit(kExitHungUp);
    });

    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &app, [&](int number) {
        note(QStringLiteral("signal %1, exiting").arg(number));
        QCoreApplication::quit();
    });

    const int status = QCoreApplication::exec();
    port.close();
    if (!config.linkPath.isEmpty())
        QFile::remove(config.linkPath);
    return status;
}
