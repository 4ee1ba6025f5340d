#include "clirun.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

CliRun CliRun::run(const QStringList &arguments, int timeoutMs, const QString &workingFolder,
                   const QString &program)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    process.setProcessEnvironment(environment);
    process.setProgram(program.isEmpty() ? QStringLiteral(KS936_CLI_PATH) : program);
    process.setArguments(arguments);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.start();
    CliRun result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(3000);
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

QString CliRun::copyInto(const QString &folder)
{
    const QString copy = folder + QStringLiteral("/ks936-cli");
    QFile::remove(copy);
    return QFile::copy(QStringLiteral(KS936_CLI_PATH), copy) ? copy : QString();
}

QByteArray clubSettings()
{
    return "callsign=AB1CDE\nssid=7\npasscode=23456\ndhcp=0\naddress=10,0,0,5\n"
           "mask=255,255,0,0\ngateway=10,0,0,1\nnameserver=10,0,0,2\n"
           "position=5130.00N/00007.00W\ncomment=Club gate, 2m\nserver=euro.aprs2.net\n"
           "txtime=0900\nfilter=r/51/0/50\nversion=KS936 SIM 1.0\nfrequency=144.8000\n"
           "backlight=00\nunit=2\ndigi=1\ntxlevel=2\npath=2\nalias=1\n"
           "wifiname=clubnet\nwifipassword=clubpass\n";
}

QByteArray clubSetupFile()
{
    return "[MELKO]\r\n\r\nCALLSIGN:AB1CDE-7\r\nPASS:23456\r\nDHCP:0#\r\nIP:10,0,0,5\r\n"
           "MASK:255,255,0,0\r\nGATE:10,0,0,1\r\nDNS:10,0,0,2\r\n"
           "POSITION:5130.00N/00007.00W\r\nCOMMENT TEXT:Club gate, 2m\r\n"
           "SERVER:euro.aprs2.net\r\nSENT TIME:0900\r\nFILTER:r/51/0/50\r\nBACKLIGHT:00\r\n"
           "FREQ:144.8000\r\nUNIT:2\r\nDIGI:1\r\nMOD:2\r\nPATH:2\r\nALIAS:1\r\n";
}

QByteArray withoutWifi(const QByteArray &settingsText)
{
    QByteArray kept;
    for (const QByteArray &line : settingsText.split('\n')) {
        if (!line.isEmpty() && !line.startsWith("wifi"))
            kept += line + '\n';
    }
    return kept;
}
