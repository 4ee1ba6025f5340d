// "Read data": connect, read, progress texts, cancel and failure.

#include "devicelink.h"
#include "operationfixture.h"
#include "serial/inifile.h"

#include <QtTest>

class TestReadOperation : public QObject
{
    Q_OBJECT

private slots:
    void promptDeviceFillsTheWindow();
    void silentDeviceEndsQuietly();
    void connectNeverAnsweredButReadIs();
    void portThatCannotBeOpened();
    void secondPressDuringConnectCancels();
    void pressWithPortOpenCancelsAtOnce();
    void portNameThatIsNotCom();
    void applyDuringReadCancelsIt();
    void deviceGoneDuringConnectEndsAtOnce();
};

void TestReadOperation::promptDeviceFillsTheWindow()
{
    OperationFixture fx;
    DeviceLink link(fx.loop, fx.line);
    Form1 &form = *fx.form;
    QStringList captions;
    connect(&form.Command6, &Control::changed, this, [&] { captions << form.Command6.caption(); });

    form.Command6.click();

    QCOMPARE(fx.writesOf("SETUP#").size(), 2);
    QCOMPARE(fx.writesOf("SETUP#").first().bytes, QByteArray("\r\nSETUP#\r\n"));
    QCOMPARE(fx.writesOf("AT+READ#").size(), 1);
    QCOMPARE(fx.writesOf("AT+READ#").first().bytes, QByteArray("AT+READ#\r\n"));
    QCOMPARE(fx.writesOf("SETUP#")[1].timeMs - fx.writesOf("SETUP#")[0].timeMs, 1001);
    QCOMPARE(form.Text3.text(), QStringLiteral("Connection is successful\r\n"));
    QCOMPARE(form.Text29.text(),
             QStringLiteral("Connection OK\r\nReading 1/20Times......\r\nread ok"));
    QCOMPARE(captions, (QStringList{"reading", "read data"}));
    QVERIFY(form.Command7.isEnabled());
    QVERIFY(!fx.line.isOpen());
    QVERIFY(fx.dialogs.messages.isEmpty());

    const DeviceSettings device = link.model().settings();
    QCOMPARE(form.Text4.text().toLatin1(), device.callsign);
    QCOMPARE(form.Combo5.text().toLatin1(), device.ssid);
    QCOMPARE(form.Text5.text().toLatin1(), device.passcode);
    QCOMPARE(form.Combo2.text(), QStringLiteral("STATIC IP"));
    QCOMPARE(form.Text13.text() + "," + form.Text14.text() + "," + form.Text15.text() + "," +
                 form.Text16.text(),
             QString::fromLatin1(device.address));
    QCOMPARE(form.Text8.text().toLatin1(), device.position);
    QCOMPARE(form.Text7.text().toLatin1(), device.comment);
    QCOMPARE(form.Combo3.text().toLatin1(), device.server);
    QCOMPARE(form.Text6.text().toLatin1(), device.version);
    QCOMPARE(form.Text31.text().toLatin1(), device.frequency);
    QCOMPARE(IniFile::read("PortSet", "par5", fx.path("PortSet.ini")), QStringLiteral("COM1"));
}

void TestReadOperation::silentDeviceEndsQuietly()
{
    OperationFixture fx;
    Form1 &form = *fx.form;
    form.Command6.click();

    const auto setups = fx.writesOf("SETUP#");
    const auto reads = fx.writesOf("AT+READ#");
    QCOMPARE(setups.size(), 20);
    QCOMPARE(reads.size(), 20);
    for (int i = 1; i < 20; ++i) {
        QCOMPARE(setups[i].timeMs - setups[i - 1].timeMs, 1001);
        QCOMPARE(reads[i].timeMs - reads[i - 1].timeMs, 1001);
    }
    // 100 ms, 20 and 20 waits of a second, 500 ms: about 40.6 s.
    QVERIFY(qAbs(fx.loop.nowMs() - 40600) < 100);
    QVERIFY(fx.dialogs.messages.isEmpty());
    QCOMPARE(form.Command6.caption(), QStringLiteral("read data"));
    QCOMPARE(form.Text29.text(), QStringLiteral("Connection OK\r\nReading 20/20Times......"));
    QVERIFY(form.Command7.isEnabled());
    QVERIFY(!fx.line.isOpen());
    QCOMPARE(form.sRxLine, QString());
    // The lists emptied at the start show a single space, the rest nothing.
    QCOMPARE(form.Combo3.text(), QStringLiteral(" "));
    QCOMPARE(form.Combo6.text(), QString());
    QCOMPARE(form.Text4.text(), QString());
}

void TestReadOperation::connectNeverAnsweredButReadIs()
{
    OperationFixture fx;
    DeviceOptions options;
    options.faults.ignored = {"SETUP"};
    DeviceLink link(fx.loop, fx.line, options);
    fx.form->Command6.click();
    QCOMPARE(fx.writesOf("SETUP#").size(), 20);
    QCOMPARE(fx.writesOf("AT+READ#").size(), 1);
    QVERIFY(fx.form->Text29.text().endsWith("read ok"));
}

void TestReadOperation::portThatCannotBeOpened()
{
    OperationFixture fx;
    fx.line.openablePorts.clear();
    Form1 &form = *fx.form;
    form.Command0.click(); // enables "Write data"
    form.Command6.click();
    QCOMPARE(fx.dialogs.messages, QStringList{"Port is open or no"});
    QCOMPARE(form.Command6.caption(), QStringLiteral("reading"));
    QVERIFY(!form.Command7.isEnabled());
    QVERIFY(fx.line.writes().isEmpty());
}

void TestReadOperation::secondPressDuringConnectCancels()
{
    OperationFixture fx;
    Form1 &form = *fx.form;
    fx.loop.at(1500, [&] { form.Command6.click(); });
    form.Command6.click();
    QCOMPARE(form.Text3.text(), QStringLiteral("test fail"));
    QCOMPARE(fx.dialogs.messages, QStringList{"Port is open or no"});
    QCOMPARE(form.Command6.caption(), QStringLiteral("Port is open"));
    QVERIFY(form.Command7.isEnabled());
    QVERIFY(!fx.line.isOpen());
    QCOMPARE(fx.writesOf("SETUP#").size(), 2); // at 101 and 1102; at 2103 the port is closed
    QVERIFY(fx.writesOf("AT+READ#").isEmpty());

    // The next press starts a new read.
    fx.dialogs.messages.clear();
    DeviceLink link(fx.loop, fx.line);
    form.Command6.click();
    QCOMPARE(form.Command6.caption(), QStringLiteral("read data"));
    QVERIFY(fx.dialogs.messages.isEmpty());
}

void TestReadOperation::pressWithPortOpenCancelsAtOnce()
{
    OperationFixture fx;
    Form1 &form = *fx.form;
    form.Command0.click();
    form.MSComm1.setPortOpen(true);
    form.Command7.setEnabled(false);
    form.Command6.click();
    QCOMPARE(form.Command6.caption(), QStringLiteral("Port is open"));
    QVERIFY(!fx.line.isOpen());
    QVERIFY(form.Command7.isEnabled());
    QVERIFY(fx.line.writes().isEmpty());
    QVERIFY(fx.dialogs.messages.isEmpty());
    QCOMPARE(form.Text4.text(), QString()); // emptied all the same
    QCOMPARE(form.Combo2.text(), QStringLiteral(" "));
}

void TestReadOperation::portNameThatIsNotCom()
{
    OperationFixture fx;
    DeviceLink link(fx.loop, fx.line);
    fx.form->Combo1.setText("port7");
    fx.form->Command6.click();
    QCOMPARE(fx.form->Combo1.text(), QStringLiteral("COM1"));
    QCOMPARE(fx.line.openedName(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(IniFile::read("PortSet", "par5", fx.path("PortSet.ini")), QStringLiteral("COM1"));
}

void TestReadOperation::applyDuringReadCancelsIt()
{
    OperationFixture fx;
    Form1 &form = *fx.form;
    fx.loop.at(2500, [&] { form.Command8.click(); });
    form.Command6.click();
    QCOMPARE(form.Command6.caption(), QStringLiteral("Port is open"));
    // Apply's own message, then the read's failure exit at its next send.
    QCOMPARE(fx.dialogs.messages, (QStringList{"Port is open or no", "Port is open or no"}));
    QVERIFY(!fx.line.isOpen());
}

void TestReadOperation::deviceGoneDuringConnectEndsAtOnce()
{
    // The adapter is pulled while the read waits for "CONNECT": the read ends through
    // its failure exit at the next attempt, not after the remaining attempts, and says
    // why in the status log.
    OperationFixture fx;
    Form1 &form = *fx.form;
    fx.loop.at(2500, [&] { fx.line.hangUp(); });
    form.Command6.click();
    QVERIFY(fx.loop.nowMs() < 3200);
    QCOMPARE(fx.dialogs.messages, QStringList{"Port is open or no"});
    QCOMPARE(
        form.Text29.text(),
        QStringLiteral("Please restart MELKO......Connection 4/20Times......\r\nThe connection "
                       "on COM1 (/dev/ttyUSB0) was lost: the device hung up.\r\n"));
    QCOMPARE(fx.writesOf("SETUP#").size(), 3);
    QVERIFY(!fx.line.isOpen());
}

QTEST_GUILESS_MAIN(TestReadOperation)
#include "tst_readoperation.moc"
