// A device that goes away in the middle of an operation, as when its USB adapter is
// pulled: the program, on the real event loop and QSerialPort, ends the operation
// through its usual failure, closes the port, stays idle, and works again once the
// device is back under the same name.

#include "cputime.h"
#include "program.h"
#include "simulatorprocess.h"

#include <QtTest>

namespace {

QByteArray image(int length)
{
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = char(i * 7 + i / 2048);
    return bytes;
}

} // namespace

enum class Operation
{
    Read,
    Write,
    Apply,
    Update
};
Q_DECLARE_METATYPE(Operation)

class TestLineLoss : public QObject
{
    Q_OBJECT

private slots:
    void deviceGoesAway_data();
    void deviceGoesAway();
};

void TestLineLoss::deviceGoesAway_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QStringList>("fault");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("logEnd");

    const QString fail = QString::fromUtf8("Write fail\uFF0CPlease try again.\r\n");
    // "SETUP#" twice, then the line drops on "AT+READ#".
    QTest::newRow("read") << Operation::Read << QStringList{"--hang-up-after-lines", "3"}
                          << QStringList{"Port is open or no"} << QString();
    QTest::newRow("write") << Operation::Write << QStringList{"--hang-up-after-lines", "4"}
                           << QStringList() << "hung up.\r\n" + fail + fail;
    QTest::newRow("apply") << Operation::Apply << QStringList{"--hang-up-after-lines", "1"}
                           << QStringList() << "hung up.\r\nWIFI Write Fail\r\n";
    QTest::newRow("firmware transfer")
        << Operation::Update << QStringList{"--hang-up-after-blocks", "2"}
        << QStringList{"Update failed: the connection was lost. Press \"update\" to start again."}
        << "hung up.\r\nUpdate failed: the connection was lost. Press \"update\" to start "
           "again.\r\n";
}

void TestLineLoss::deviceGoesAway()
{
    QFETCH(Operation, operation);
    QFETCH(QStringList, fault);
    QFETCH(QStringList, messages);
    QFETCH(QString, logEnd);
    QTemporaryDir dir;
    const QString device = dir.filePath("device.tty");
    Program program(dir, device);
    Form1 &form = *program.form;
    {
        SimulatorProcess sim(dir);
        QVERIFY(sim.start(QStringList{"--link", device} + fault));

        switch (operation) {
        case Operation::Read:
            form.Command6.click();
            break;
        case Operation::Write:
            form.Command0.click();
            form.Command7.click();
            break;
        case Operation::Apply:
            form.Text34.setText("homenet");
            form.Command8.click();
            break;
        case Operation::Update: {
            QFile bin(dir.filePath("fw.bin"));
            QVERIFY(bin.open(QIODevice::WriteOnly));
            bin.write(image(20000));
            bin.close();
            program.dialogs.fileAnswers << bin.fileName();
            form.Command1.click();
            form.Command2.click();
            QTRY_VERIFY_WITH_TIMEOUT(!form.updateUnderWay(), 20000);
            break;
        }
        }
        QTRY_COMPARE_WITH_TIMEOUT(sim.process().state(), QProcess::NotRunning, 3000);
        QCOMPARE(sim.process().exitCode(), 3); // the simulator's hang-up
    }

    QCOMPARE(program.dialogs.messages, messages);
    const QString log = form.Text29.text();
    QVERIFY2(log.contains("The connection on COM5 (" + device + ") was lost: the device hung up."),
             qPrintable(log));
    QVERIFY2(log.endsWith(logEnd), qPrintable(log));
    QVERIFY(!program.line.isOpen());

    // Nothing keeps firing on the dead port: an idle second costs next to no processor.
    const qint64 cpuBefore = cpuTimeMs();
    QTest::qWait(1000);
    QVERIFY2(cpuTimeMs() - cpuBefore < 300, qPrintable(QString::number(cpuTimeMs() - cpuBefore)));

    // The device is back under the same name: the next press works, with no restart.
    SimulatorProcess again(dir);
    QVERIFY(again.start({"--link", device}));
    program.dialogs.messages.clear();
    form.Command6.click();
    QVERIFY2(form.Text29.text().endsWith("read ok"), qPrintable(form.Text29.text()));
    QVERIFY(program.dialogs.messages.isEmpty());
}

QTEST_GUILESS_MAIN(TestLineLoss)
#include "tst_lineloss.moc"
