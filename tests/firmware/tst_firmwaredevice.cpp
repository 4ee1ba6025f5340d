// Whole updates against the device model on the virtual clock: its reset answer, its
// boot time, its loader paced at 115200 baud, and its faults.

#include "devicelink.h"
#include "formfixture.h"
#include "testbytes.h"

#include <QtTest>

class TestFirmwareDevice : public QObject
{
    Q_OBJECT

private slots:
    void update_data();
    void update();
};

void TestFirmwareDevice::update_data()
{
    QTest::addColumn<int>("refuseBlock");
    QTest::addColumn<int>("stallAfterBlocks");
    QTest::addColumn<int>("hangUpAfterBlocks");
    QTest::addColumn<bool>("strayByte");
    QTest::addColumn<QString>("logEnd");
    QTest::addColumn<QString>("label2");
    const QString failed = QStringLiteral("\r\nUpdate failed: the device did not answer for 10 "
                                          "seconds. Press \"update\" to start again.\r\n");
    QTest::newRow("a block refused once")
        << 2 << -1 << 0 << false << QString() << "update complete";
    QTest::newRow("loader stalls after 3 blocks")
        << 0 << 3 << 0 << false << failed << "update failed";
    QTest::newRow("line drops at the 5th frame")
        << 0 << -1 << 5 << false
        << "\r\nThe connection on COM1 (/dev/ttyUSB0) was lost: the device hung up.\r\nUpdate "
           "failed: the connection was lost. Press \"update\" to start again.\r\n"
        << "update failed";
    QTest::newRow("a stray byte before every reply")
        << 0 << -1 << 0 << true << "\r\nConnect fail, Please try again." << QString();
}

void TestFirmwareDevice::update()
{
    QFETCH(int, refuseBlock);
    QFETCH(int, stallAfterBlocks);
    QFETCH(int, hangUpAfterBlocks);
    QFETCH(bool, strayByte);
    QFETCH(QString, logEnd);
    QFETCH(QString, label2);
    FormFixture fx;
    fx.addPort(QStringLiteral("/dev/ttyUSB0"));
    Form1 &form = fx.create();
    form.Combo1.pick(QStringLiteral("COM1"));
    DeviceOptions options;
    options.faults.refuseBlock = refuseBlock;
    options.faults.stallAfterBlocks = stallAfterBlocks;
    options.faults.hangUpAfterBlocks = hangUpAfterBlocks;
    options.faults.strayByte = strayByte;
    DeviceLink link(fx.loop, fx.line, options);
    const QByteArray file = randomBytes(30000, 11);
    QFile bin(fx.path("fw.bin"));
    QVERIFY(bin.open(QIODevice::WriteOnly));
    bin.write(file);
    bin.close();
    fx.dialogs.fileAnswers.enqueue(fx.path("fw.bin"));
    form.Command1.click();

    form.Command2.click();
    fx.loop.advanceBy(60000);

    const bool succeeds = logEnd.isEmpty();
    QCOMPARE(link.model().receivedImage(), succeeds ? file : QByteArray());
    if (succeeds) {
        QVERIFY(fx.dialogs.messages.isEmpty());
        QVERIFY2(!form.Text29.text().contains("fail"), qPrintable(form.Text29.text()));
    } else {
        QVERIFY2(form.Text29.text().endsWith(logEnd), qPrintable(form.Text29.text()));
    }
    if (!label2.isEmpty())
        QVERIFY2(form.Label2.caption().startsWith(label2), qPrintable(form.Label2.caption()));
    QVERIFY(!form.MSComm1.PortOpen());
    QVERIFY(form.Command1.isEnabled() && form.Command2.isEnabled() && form.Combo1.isEnabled());
    QCOMPARE(form.Command2.caption(), QStringLiteral("update"));
    QCOMPARE(form.lBlockNo, 0);
}

QTEST_GUILESS_MAIN(TestFirmwareDevice)
#include "tst_firmwaredevice.moc"
