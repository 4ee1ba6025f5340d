// The command line itself: help, version, usage errors, files that cannot be used, ports
// that cannot be opened, and the port list. None of the refused runs may reach the device.

#include "clirun.h"
#include "simulatorprocess.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestCliUsage : public QObject
{
    Q_OBJECT
private slots:
    void helpExplainsEveryCommandAndOption();
    void version();
    void usageErrors_data();
    void usageErrors();
    void unusableInput_data();
    void unusableInput();
    void portCannotBeOpened_data();
    void portCannotBeOpened();
    void portsListsTheWindowsMap();
};

void TestCliUsage::helpExplainsEveryCommandAndOption()
{
    const CliRun help = CliRun::run({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.err.isEmpty());
    for (const char *word :
         {"ports", "read", "write FILE", "wifi", "restart", "flash IMAGE", "--port", "--output",
          "--json", "--ssid", "--pass", "--keep-settings", "--settings-file", "--boot-wait",
          "--verbose", "--help", "--version", "Exit status"})
        QVERIFY2(help.out.contains(word), word);
}

void TestCliUsage::version()
{
    const CliRun run = CliRun::run({"--version"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("ks936-cli " KS936_VERSION "\n"));
}

void TestCliUsage::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("says");
    QTest::newRow("no command") << QStringList{} << QByteArray("no command");
    QTest::newRow("unknown command")
        << QStringList{"erase", "--port", "COM1"} << QByteArray("unknown command \"erase\"");
    QTest::newRow("unknown option")
        << QStringList{"read", "--port", "COM1", "--fast"} << QByteArray("Unknown option 'fast'");
    QTest::newRow("no port") << QStringList{"read"} << QByteArray("read needs --port");
    QTest::newRow("port neither COM nor path")
        << QStringList{"read", "--port", "ttyUSB0"} << QByteArray("COM1 to COM16");
    QTest::newRow("COM17") << QStringList{"restart", "--port", "COM17"}
                           << QByteArray("COM1 to COM16");
    QTest::newRow("write without its file")
        << QStringList{"write", "--port", "COM1"} << QByteArray("write needs FILE");
    QTest::newRow("flash without its image")
        << QStringList{"flash", "--port", "COM1"} << QByteArray("flash needs IMAGE");
    QTest::newRow("a second file") << QStringList{"write", "a.ini", "b.ini", "--port", "COM1"}
                                   << QByteArray("unexpected argument \"b.ini\"");
    QTest::newRow("wifi without password")
        << QStringList{"wifi", "--ssid", "net", "--port", "COM1"} << QByteArray("--pass");
    QTest::newRow("option of another command")
        << QStringList{"write", "a.ini", "--json", "--port", "COM1"}
        << QByteArray("write takes no --json");
    QTest::newRow("ports takes no port")
        << QStringList{"ports", "--port", "COM1"} << QByteArray("ports takes no --port");
    QTest::newRow("boot wait without keep-settings")
        << QStringList{"flash", "x.bin", "--port", "COM1", "--boot-wait", "30"}
        << QByteArray("--keep-settings");
    QTest::newRow("boot wait of 0")
        << QStringList{"flash", "x.bin", "--port", "COM1", "--keep-settings", "--boot-wait", "0"}
        << QByteArray("--boot-wait takes whole seconds");
}

void TestCliUsage::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, says);
    const CliRun run = CliRun::run(arguments, 10000);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(says), run.err.constData());
    QVERIFY(run.err.contains("Try ks936-cli --help."));
}

void TestCliUsage::unusableInput_data()
{
    QTest::addColumn<QStringList>("arguments"); // "PORT" stands for the simulator's path
    QTest::addColumn<QByteArray>("says");
    QTest::newRow("missing setup file")
        << QStringList{"write", "missing.ini", "--port", "PORT"} << QByteArray("missing.ini");
    QTest::newRow("not a setup file")
        << QStringList{"write", "partial.ini", "--port", "PORT"}
        << QByteArray("it is not a setup file: it has no \"PASS:\" line");
    QTest::newRow("missing image")
        << QStringList{"flash", "missing.bin", "--port", "PORT"} << QByteArray("missing.bin");
    QTest::newRow("image under 5000 bytes")
        << QStringList{"flash", "short.bin", "--port", "PORT"}
        << QByteArray("holds 4999 bytes; a firmware image holds at least 5000");
    QTest::newRow("SSID longer than the box")
        << QStringList{"wifi", "--ssid", QString(21, 'n'), "--pass", "p", "--port", "PORT"}
        << QByteArray("--ssid takes at most 20 characters");
    QTest::newRow("SSID with a comma")
        << QStringList{"wifi", "--ssid", "club,net", "--pass", "p", "--port", "PORT"}
        << QByteArray("cannot hold a comma");
    QTest::newRow("password the line cannot carry")
        << QStringList{"wifi",   "--ssid", "net", "--pass", QString::fromUtf8("пароль"),
                       "--port", "PORT"}
        << QByteArray("the serial line cannot carry");
}

void TestCliUsage::unusableInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, says);
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath("partial.ini"), "[MELKO]\r\n\r\nCALLSIGN:AB1CD -7\r\n"));
    QVERIFY(writeFile(folder.filePath("short.bin"), QByteArray(4999, 'x')));
    SimulatorProcess sim(folder);
    QVERIFY(sim.start());
    arguments.replaceInStrings(QRegularExpression("^PORT$"), sim.ptyPath());

    const CliRun run = CliRun::run(arguments, 10000, folder.path());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(says), run.err.constData());
    QVERIFY(!sim.log().contains("host>")); // nothing reached the device
}

void TestCliUsage::portCannotBeOpened_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("reason");
    const QStringList commands[] = {{"read"},
                                    {"write", "setup.ini"},
                                    {"wifi", "--ssid", "net", "--pass", "secret"},
                                    {"restart"},
                                    {"flash", "image.bin"}};
    for (const QStringList &command : commands) {
        QTest::addRow("%s, missing device", qPrintable(command.first()))
            << command + QStringList{"--port", "/nonexistent/ttyUSB9"}
            << QByteArray("Cannot open /nonexistent/ttyUSB9: No such file or directory");
        QTest::addRow("%s, COM name mapped to a missing device", qPrintable(command.first()))
            << command + QStringList{"--port", "COM5"}
            << QByteArray("Cannot open /nonexistent/ttyACM7: No such file or directory");
    }
}

void TestCliUsage::portCannotBeOpened()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, reason);
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath("setup.ini"), clubSetupFile()));
    QVERIFY(writeFile(folder.filePath("image.bin"), QByteArray(6000, 'x')));
    // A copy of the program beside its own PortSet.ini, where COM5 names a missing device.
    QVERIFY(
        writeFile(folder.filePath("PortSet.ini"), "[PortMap]\r\nCOM5=/nonexistent/ttyACM7\r\n"));
    const QString program = CliRun::copyInto(folder.path());
    QVERIFY(!program.isEmpty());

    const CliRun run = CliRun::run(arguments, 20000, folder.path(), program);
    QCOMPARE(run.exitCode, 3);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains("the port cannot be opened: " + reason), run.err.constData());
}

void TestCliUsage::portsListsTheWindowsMap()
{
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    QVERIFY(sim.start({"--register", folder.filePath("PortSet.ini") + ":COM7"}));
    const QString program = CliRun::copyInto(folder.path());
    QVERIFY(!program.isEmpty());

    const CliRun run = CliRun::run({"ports"}, 20000, folder.path(), program);
    QCOMPARE(run.exitCode, 0);
    const QByteArray line = "COM7\t" + sim.ptyPath().toLocal8Bit() + "\t\n";
    QVERIFY2(run.out.contains(line), run.out.constData());
    QVERIFY(!sim.log().contains("host>")); // listing opens ports but sends nothing
}

QTEST_GUILESS_MAIN(TestCliUsage)
#include "tst_cliusage.moc"
