// "write", "wifi" and "restart" end to end against ks936-sim: acknowledged, not
// acknowledged, and what reaches the device.

#include "clirun.h"
#include "simulatorprocess.h"

#include <QTemporaryDir>
#include <QTest>

class TestCliWrite : public QObject
{
    Q_OBJECT
private slots:
    void writeIsAcknowledged();
    void writeNotAcknowledged_data();
    void writeNotAcknowledged();
    void wifi_data();
    void wifi();
    void restart();
};

void TestCliWrite::writeIsAcknowledged()
{
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(sim.start({"--settings", folder.filePath("device.txt")}));
    QVERIFY(writeFile(folder.filePath("club.ini"), clubSetupFile()));

    const CliRun run =
        CliRun::run({"write", folder.filePath("club.ini"), "--port", sim.ptyPath()}, 60000);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(run.out.isEmpty() && run.err.isEmpty());
    QCOMPARE(withoutWifi(readFile(folder.filePath("device.txt"))), withoutWifi(clubSettings()));
}

void TestCliWrite::writeNotAcknowledged_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QByteArray>("statusLogSays");
    QTest::newRow("no freq save") << QStringList{"--ignore", "AT+FREQ"} << QByteArray("Write fail");
    QTest::newRow("line lost part-way")
        << QStringList{"--hang-up-after-lines", "3"} << QByteArray("was lost");
}

void TestCliWrite::writeNotAcknowledged()
{
    QFETCH(QStringList, faults);
    QFETCH(QByteArray, statusLogSays);
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(sim.start(faults));
    QVERIFY(writeFile(folder.filePath("club.ini"), clubSetupFile()));

    const CliRun run =
        CliRun::run({"write", folder.filePath("club.ini"), "--port", sim.ptyPath()}, 60000);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("did not acknowledge the settings"), run.err.constData());
    // The window's own account of it follows.
    QVERIFY(run.err.contains("The status log reads:\n"));
    QVERIFY(run.err.contains(statusLogSays));
}

void TestCliWrite::wifi_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("acknowledged") << QStringList{} << 0;
    QTest::newRow("silent device") << QStringList{"--ignore", "AT+WIFI"} << 1;
}

void TestCliWrite::wifi()
{
    QFETCH(QStringList, faults);
    QFETCH(int, exitCode);
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(sim.start(QStringList{"--settings", folder.filePath("device.txt")} + faults));

    const CliRun run = CliRun::run(
        {"wifi", "--ssid", "club net", "--pass", "pa,ss#1", "--port", sim.ptyPath()}, 60000);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(sim.logCount("host> AT+WIFI,club net,pa,ss#1#"), 1);
    if (exitCode == 0) {
        const QByteArray settings = readFile(folder.filePath("device.txt"));
        QVERIFY(settings.contains("wifiname=club net\n"));
        QVERIFY(settings.contains("wifipassword=pa,ss#1\n"));
        QVERIFY(sim.waitForLog("host> REBOOT#")); // the device restarts to use them
    } else {
        QVERIFY2(run.err.contains("did not acknowledge the WiFi settings"), run.err.constData());
        QCOMPARE(sim.logCount("host> REBOOT#"), 0);
    }
}

void TestCliWrite::restart()
{
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(sim.start());
    const CliRun run = CliRun::run({"restart", "--port", sim.ptyPath()}, 30000);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    // Restarting is the one operation the device does not answer: both commands went out,
    // and the device went into its boot.
    QVERIFY(sim.waitForLog("rebooting"));
    // The second, half a second later, meets the loader (the test's boot takes 300 ms).
    QVERIFY(sim.waitForLog("host> 52 45 42 4F 4F 54 23 0D 0A"));
    QCOMPARE(sim.logCount("host> REBOOT#"), 1);
}

QTEST_GUILESS_MAIN(TestCliWrite)
#include "tst_cliwrite.moc"
