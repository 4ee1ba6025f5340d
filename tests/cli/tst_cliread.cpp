// "read" end to end against ks936-sim: the setup file's bytes, JSON, a COM name mapped
// as the window maps it, a silent device, and a read and write round trip.

#include "clirun.h"
#include "simulatorprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class TestCliRead : public QObject
{
    Q_OBJECT
private slots:
    void readsTheSetupFile_data();
    void readsTheSetupFile();
    void readsJson();
    void portSettingsAsTheWindowKeepsThem();
    void silentDevice();
    void readThenWriteRoundTrips();
};

namespace {

// A simulator serving the club's settings, kept in a file of the folder.
bool startClubDevice(SimulatorProcess &sim, const QTemporaryDir &folder,
                     const QStringList &extra = {})
{
    return writeFile(folder.filePath("device.txt"), clubSettings()) &&
           sim.start(QStringList{"--settings", folder.filePath("device.txt")} + extra);
}

} // namespace

void TestCliRead::readsTheSetupFile_data()
{
    QTest::addColumn<QString>("output"); // empty: standard output
    QTest::newRow("standard output") << QString();
    QTest::newRow("dash: standard output") << QStringLiteral("-");
    QTest::newRow("file") << QStringLiteral("club.ini");
}

void TestCliRead::readsTheSetupFile()
{
    QFETCH(QString, output);
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(startClubDevice(sim, folder));

    QStringList arguments{"read", "--port", sim.ptyPath()};
    if (!output.isEmpty())
        arguments << "-o" << output;
    const CliRun run = CliRun::run(arguments, 60000, folder.path());
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const bool toFile = output.endsWith(".ini");
    QCOMPARE(toFile ? readFile(folder.filePath(output)) : run.out, clubSetupFile());
    if (toFile)
        QVERIFY(run.out.isEmpty());
    QVERIFY(run.err.isEmpty());
}

void TestCliRead::readsJson()
{
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(startClubDevice(sim, folder));
    const CliRun run = CliRun::run({"read", "--json", "--port", sim.ptyPath()}, 60000);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QJsonParseError error;
    const QJsonObject fields = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(fields.value("callsign").toString(), QStringLiteral("AB1CDE"));
    QCOMPARE(fields.value("ssid").toString(), QStringLiteral("7"));
    QCOMPARE(fields.value("addressMode").toString(), QStringLiteral("STATIC IP"));
    QCOMPARE(fields.value("gateway").toString(), QStringLiteral("10.0.0.1"));
    QCOMPARE(fields.value("comment").toString(), QStringLiteral("Club gate, 2m"));
    QCOMPARE(fields.value("txTime").toString(), QStringLiteral("0900"));
    QCOMPARE(fields.value("backlight").toString(), QStringLiteral("ON"));
    QCOMPARE(fields.value("digi").toBool(), true);
    QCOMPARE(fields.value("frequency").toString(), QStringLiteral("144.8000"));
    QCOMPARE(fields.value("version").toString(), QStringLiteral("KS936 SIM 1.0"));
}

void TestCliRead::portSettingsAsTheWindowKeepsThem()
{
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    const QString portSettings = folder.filePath("PortSet.ini");
    QVERIFY(writeFile(portSettings, "[PortSet]\r\npar5=COM9\r\n"));
    QVERIFY(startClubDevice(sim, folder, {"--register", portSettings + ":COM7"}));
    const QString program = CliRun::copyInto(folder.path());
    QVERIFY(!program.isEmpty());
    const QByteArray before = readFile(portSettings);
    QVERIFY(before.contains("COM7=" + sim.ptyPath().toLocal8Bit()));

    // A device path needs no port map, and leaves the window's port choice alone.
    CliRun run = CliRun::run({"read", "--port", sim.ptyPath()}, 60000, folder.path(), program);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(readFile(portSettings), before);

    // COM7 is the device PortSet.ini beside the program maps it to; a successful read
    // remembers the port, as the window's does.
    run = CliRun::run({"read", "--port", "COM7"}, 60000, folder.path(), program);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.out, clubSetupFile());
    QVERIFY(readFile(portSettings).contains("par5=COM7"));
}

void TestCliRead::silentDevice()
{
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(sim.start({"--ignore", "SETUP#", "--ignore", "AT+READ#"}));
    const CliRun run = CliRun::run({"read", "--port", sim.ptyPath()}, 90000);
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty()); // no partial or empty setup file
    QVERIFY2(run.err.contains("the device on " + sim.ptyPath().toLocal8Bit() + " did not answer"),
             run.err.constData());
    QCOMPARE(sim.logCount("host> AT+READ#"), 20);
}

void TestCliRead::readThenWriteRoundTrips()
{
    QTemporaryDir folder;
    SimulatorProcess club(folder);
    QVERIFY(startClubDevice(club, folder));
    QTemporaryDir otherFolder;
    SimulatorProcess factory(otherFolder);
    QVERIFY(factory.start({"--settings", otherFolder.filePath("device.txt")}));

    const QString saved = folder.filePath("saved.ini");
    CliRun run = CliRun::run({"read", "--port", club.ptyPath(), "-o", saved}, 60000);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    run = CliRun::run({"write", saved, "--port", factory.ptyPath()}, 60000);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    run = CliRun::run({"read", "--port", factory.ptyPath()}, 60000);
    QVERIFY2(run.exitCode == 0, run.err.constData());

    QCOMPARE(run.out, readFile(saved));
    QCOMPARE(withoutWifi(readFile(otherFolder.filePath("device.txt"))),
             withoutWifi(clubSettings()));
}

QTEST_GUILESS_MAIN(TestCliRead)
#include "tst_cliread.moc"
