#include "simcommandline.h"

#include <QTest>

class TestSimConfig : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void everyOption();
    void rejectsBadValues_data();
    void rejectsBadValues();
};

namespace {
SimCommandLine::Outcome parse(SimCommandLine &commandLine, const QStringList &arguments)
{
    return commandLine.parse(QStringList{QStringLiteral("ks936-sim")} + arguments);
}
} // namespace

void TestSimConfig::defaults()
{
    SimCommandLine commandLine;
    QCOMPARE(parse(commandLine, {}), SimCommandLine::Outcome::Run);
    const SimConfig &config = commandLine.config();
    QVERIFY(config.device.pacing);
    QCOMPARE(config.device.baudRate, 115200);
    QVERIFY(config.device.settings == DeviceSettings::factory());
    QVERIFY(config.linkPath.isEmpty() && config.logPath.isEmpty() && !config.quiet);
    QVERIFY(config.device.faults.ignored.isEmpty() && config.device.faults.answerFrom.isEmpty());
    QCOMPARE(config.device.faults.stallAfterBlocks, -1);
    QCOMPARE(config.device.faults.refuseBlock, 0);
    QCOMPARE(config.device.faults.hangUpAfterBytes, 0);
}

void TestSimConfig::everyOption()
{
    SimCommandLine commandLine;
    const QStringList arguments = {"--link",
                                   "/tmp/ks936",
                                   "--log",
                                   "/tmp/log",
                                   "--quiet",
                                   "--settings",
                                   "/tmp/s.txt",
                                   "--image-out",
                                   "/tmp/img.bin",
                                   "--reply-delay",
                                   "5",
                                   "--no-pacing",
                                   "--flash-time",
                                   "7",
                                   "--boot-time",
                                   "300",
                                   "--loader-window",
                                   "4000",
                                   "--ignore",
                                   "SETUP#",
                                   "--ignore",
                                   "AT+FREQ",
                                   "--answer-after",
                                   "AT+READ#:3",
                                   "--answer-after",
                                   "probe:9",
                                   "--stray-byte",
                                   "--refuse-block",
                                   "2",
                                   "--stall-after-blocks",
                                   "0",
                                   "--hang-up-after-bytes",
                                   "100",
                                   "--hang-up-after-blocks",
                                   "3",
                                   "--hang-up-after-lines",
                                   "4",
                                   "--garbage-every",
                                   "250",
                                   "--garbage-length",
                                   "4",
                                   "--garbage-burst",
                                   "32",
                                   "--garbage-seed",
                                   "99"};
    QCOMPARE(parse(commandLine, arguments), SimCommandLine::Outcome::Run);
    const SimConfig &config = commandLine.config();
    QCOMPARE(config.linkPath, QStringLiteral("/tmp/ks936"));
    QCOMPARE(config.logPath, QStringLiteral("/tmp/log"));
    QVERIFY(config.quiet);
    QCOMPARE(config.settingsPath, QStringLiteral("/tmp/s.txt"));
    QCOMPARE(config.imageOutPath, QStringLiteral("/tmp/img.bin"));
    const DeviceOptions &device = config.device;
    QCOMPARE(device.replyDelayMs, 5);
    QVERIFY(!device.pacing);
    QCOMPARE(device.flashTimeMs, 7);
    QCOMPARE(device.bootTimeMs, 300);
    QCOMPARE(device.loaderWindowMs, 4000);
    const DeviceFaults &faults = device.faults;
    QCOMPARE(faults.ignored, (QList<QByteArray>{"SETUP#", "AT+FREQ"}));
    QCOMPARE(faults.answerFrom.value("AT+READ#"), 3);
    QCOMPARE(faults.answerFrom.value("probe"), 9);
    QVERIFY(faults.strayByte);
    QCOMPARE(faults.refuseBlock, 2);
    QCOMPARE(faults.stallAfterBlocks, 0);
    QCOMPARE(faults.hangUpAfterBytes, 100);
    QCOMPARE(faults.hangUpAfterBlocks, 3);
    QCOMPARE(faults.hangUpAfterLines, 4);
    QCOMPARE(faults.garbageEveryMs, 250);
    QCOMPARE(faults.garbageLength, 4);
    QCOMPARE(faults.garbageBurst, 32);
    QCOMPARE(faults.garbageSeed, 99u);
}

void TestSimConfig::rejectsBadValues_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("not a number") << QStringList{"--reply-delay", "soon"};
    QTest::newRow("negative time") << QStringList{"--boot-time", "-1"};
    QTest::newRow("block 0") << QStringList{"--refuse-block", "0"};
    QTest::newRow("answer-after without tries") << QStringList{"--answer-after", "SETUP#"};
    QTest::newRow("answer-after 0 tries") << QStringList{"--answer-after", "SETUP#:0"};
    QTest::newRow("unknown option") << QStringList{"--fast"};
    QTest::newRow("missing value") << QStringList{"--link"};
    QTest::newRow("stray argument") << QStringList{"extra"};
}

void TestSimConfig::rejectsBadValues()
{
    QFETCH(QStringList, arguments);
    SimCommandLine commandLine;
    QCOMPARE(parse(commandLine, arguments), SimCommandLine::Outcome::Error);
    QVERIFY(!commandLine.errorText().isEmpty());
}

QTEST_GUILESS_MAIN(TestSimConfig)
#include "tst_simconfig.moc"
