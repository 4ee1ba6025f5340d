// "flash" end to end against ks936-sim: a completed update, a silent device, a loader
// that stalls or never asks for a block, and --keep-settings.

#include "clirun.h"
#include "simulatorprocess.h"
#include "testbytes.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

class TestCliFlash : public QObject
{
    Q_OBJECT
private slots:
    void completes();
    void fails_data();
    void fails();
    void keepSettings();
    void keepSettingsSaysWhereTheSettingsAre();
};

namespace {

// The simulator writes the image once it has flashed the last block, just after the
// program has handed that block over and ended.
QByteArray waitForImage(const SimulatorProcess &sim, int size)
{
    QElapsedTimer timer;
    timer.start();
    while (readFile(sim.path("image.bin")).size() < size && timer.elapsed() < 5000)
        QThread::msleep(20);
    return readFile(sim.path("image.bin"));
}

} // namespace

void TestCliFlash::completes()
{
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(sim.start());
    const QByteArray image = randomBytes(9000, 3);
    QVERIFY(writeFile(folder.filePath("new.bin"), image));

    const CliRun run = CliRun::run({"flash", folder.filePath("new.bin"), "--port", sim.ptyPath()});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(waitForImage(sim, image.size()), image);
    QVERIFY(run.out.isEmpty());
    // Not a terminal: plain progress lines, the last one for the last block.
    QVERIFY2(run.err.contains("flash: waiting for the loader 1/10\n"), run.err.constData());
    QVERIFY(run.err.contains("flash: 100% 5/5 blocks\n"));
    QVERIFY(!run.err.contains('\r'));
}

void TestCliFlash::fails_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QByteArray>("says");
    QTest::newRow("silent device") << QStringList{"--ignore", "AT+RESET#", "--ignore", "probe"}
                                   << QByteArray("did not complete");
    QTest::newRow("loader stalls") << QStringList{"--stall-after-blocks", "2"}
                                   << QByteArray("the device did not answer for 10 seconds");
    QTest::newRow("loader never asks for a block")
        << QStringList{"--ignore", "header"}
        << QByteArray("the device did not answer for 10 seconds");
}

void TestCliFlash::fails()
{
    QFETCH(QStringList, faults);
    QFETCH(QByteArray, says);
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(sim.start(faults));
    QVERIFY(writeFile(folder.filePath("new.bin"), randomBytes(9000, 4)));

    const CliRun run =
        CliRun::run({"flash", folder.filePath("new.bin"), "--port", sim.ptyPath()}, 90000);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(says), run.err.constData());
    QVERIFY(run.err.contains("flash: the update on " + sim.ptyPath().toLocal8Bit() +
                             " did not complete"));
    QVERIFY(readFile(sim.path("image.bin")).isEmpty());
}

void TestCliFlash::keepSettings()
{
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(writeFile(folder.filePath("device.txt"), clubSettings()));
    QVERIFY(sim.start({"--settings", folder.filePath("device.txt"), "--start-time", "1500"}));
    const QByteArray image = randomBytes(7000, 5);
    QVERIFY(writeFile(folder.filePath("new.bin"), image));
    const QString kept = folder.filePath("kept.ini");

    const CliRun run = CliRun::run({"flash", folder.filePath("new.bin"), "--port", sim.ptyPath(),
                                    "--keep-settings", "--settings-file", kept});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.out, kept.toLocal8Bit() + '\n');
    QCOMPARE(readFile(kept), clubSetupFile());
    QCOMPARE(waitForImage(sim, image.size()), image);
    // The reset erased the settings; they are back, all but the WiFi credentials, which
    // no setup file carries.
    QVERIFY(sim.log().contains("host> AT+RESET#"));
    QCOMPARE(withoutWifi(readFile(folder.filePath("device.txt"))), withoutWifi(clubSettings()));
    // The device was asked while it started its new firmware and answered after it.
    QVERIFY(sim.log().contains("host> (booting, not heard)"));
    QVERIFY(run.err.contains("step 4 of 4: writing the settings back"));
}

void TestCliFlash::keepSettingsSaysWhereTheSettingsAre()
{
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(writeFile(folder.filePath("device.txt"), clubSettings()));
    QVERIFY(sim.start({"--settings", folder.filePath("device.txt"), "--stall-after-blocks", "0"}));
    QVERIFY(writeFile(folder.filePath("new.bin"), randomBytes(7000, 6)));

    // No --settings-file: the settings are kept in the current folder.
    const CliRun run = CliRun::run({"flash", "new.bin", "--port", sim.ptyPath(), "--keep-settings"},
                                   90000, folder.path());
    QCOMPARE(run.exitCode, 1);
    const QString kept = QString::fromLocal8Bit(run.out).trimmed();
    QVERIFY2(kept.startsWith(folder.path() + "/ks936-settings-") && kept.endsWith(".ini"),
             run.out.constData());
    QCOMPARE(readFile(kept), clubSetupFile());
    QVERIFY2(run.err.contains("step 2 of 4 failed"), run.err.constData());
    QVERIFY(run.err.contains("ks936-cli write \"" + kept.toLocal8Bit() + "\" --port " +
                             sim.ptyPath().toLocal8Bit()));
}

QTEST_GUILESS_MAIN(TestCliFlash)
#include "tst_cliflash.moc"
