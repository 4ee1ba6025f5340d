// "Apply" (WiFi credentials) and "restart".

#include "devicelink.h"
#include "operationfixture.h"

#include <QtTest>

class TestWifiRestart : public QObject
{
    Q_OBJECT

private slots:
    void credentialsAsTyped_data();
    void credentialsAsTyped();
    void acknowledgement_data();
    void acknowledgement();
    void flagAlreadySetCountsAtFirstPoll();
    void applyWithPortOpen();
    void credentialsTheLineCannotCarry_data();
    void credentialsTheLineCannotCarry();
    void applyWithPortThatCannotOpen();
    void applyReachesTheDevice();
    void restartSendsTwice();
    void restartWithPortOpen();
    void restartWithPortThatCannotOpen();
};

static const QByteArray ack = "WIFI Write success\r\n";

void TestWifiRestart::credentialsAsTyped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("empty") << ""
                           << "" << QByteArray("AT+WIFI,,#\r\n");
    QTest::newRow("comma and hash") << "my,net#"
                                    << "p#a,ss" << QByteArray("AT+WIFI,my,net#,p#a,ss#\r\n");
    QTest::newRow("spaces kept") << " net "
                                 << " pw" << QByteArray("AT+WIFI, net , pw#\r\n");
    QTest::newRow("control characters left out")
        << "net\r\nREBOOT#"
        << "p\tw" << QByteArray("AT+WIFI,netREBOOT#,pw#\r\n");
    QTest::newRow("Latin-1 as its bytes")
        << QString::fromUtf8("Caf\u00E9") << QString::fromUtf8("\u00B0")
        << QByteArray("AT+WIFI,Caf\xE9,\xB0#\r\n");
}

void TestWifiRestart::credentialsAsTyped()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QByteArray, command);
    OperationFixture fx;
    fx.form->Text34.setText(name);
    fx.form->Text33.setText(password);
    fx.form->Command8.click();
    QCOMPARE(fx.sent().first(), command);
    QCOMPARE(fx.line.writes().first().timeMs, 201);
}

void TestWifiRestart::acknowledgement_data()
{
    QTest::addColumn<int>("ackAtPoll"); // 0: never
    QTest::addColumn<QString>("log");
    QTest::addColumn<int>("reboots");
    const QString ok = "WIFI Writing.....\r\nWIFI Write complete\r\nWIFI reset...\r\n";
    QTest::newRow("first poll") << 1 << ok << 1;
    QTest::newRow("sixteenth poll") << 16 << ok << 1;
    QTest::newRow("never") << 0 << "WIFI Writing.....\r\nWIFI Write Fail\r\n" << 0;
}

void TestWifiRestart::acknowledgement()
{
    QFETCH(int, ackAtPoll);
    QFETCH(QString, log);
    QFETCH(int, reboots);
    OperationFixture fx;
    Form1 &form = *fx.form;
    // The command goes out at 201 ms; poll k comes 801 ms after the one before.
    if (ackAtPoll > 0)
        fx.loop.at(201 + 801 * ackAtPoll - 100, [&] { fx.line.deliver(ack); });
    QStringList captions;
    connect(&form.Command8, &Control::changed, this, [&] { captions << form.Command8.caption(); });
    form.Command8.click();
    QCOMPARE(form.Text29.text(), log);
    QCOMPARE(fx.writesOf("REBOOT#").size(), reboots);
    QCOMPARE(int(form.bWifiOk), 0);
    QCOMPARE(captions, (QStringList{"Write", "Apply"}));
    QVERIFY(!fx.line.isOpen());
    QVERIFY(fx.dialogs.messages.isEmpty());
}

void TestWifiRestart::flagAlreadySetCountsAtFirstPoll()
{
    OperationFixture fx;
    fx.form->bWifiOk = 1; // from a loaded setup-file line, say
    fx.form->Command8.click();
    const auto reboot = fx.writesOf("REBOOT#");
    QCOMPARE(reboot.size(), 1);
    QCOMPARE(reboot.first().timeMs - fx.writesOf("AT+WIFI").first().timeMs, 801);
}

void TestWifiRestart::credentialsTheLineCannotCarry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("field");
    QTest::newRow("name") << QString::fromUtf8("\u5BB6\u5EAD") << "secret"
                          << "ssid";
    QTest::newRow("password") << "home" << QString::fromUtf8("pa\u20ACs") << "pass";
}

void TestWifiRestart::credentialsTheLineCannotCarry()
{
    // Nothing goes out in a changed form ("?" for each such character): the field is
    // named instead, and the port is closed again.
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, field);
    OperationFixture fx;
    fx.form->Text34.setText(name);
    fx.form->Text33.setText(password);
    fx.form->Command8.click();
    QVERIFY(fx.line.writes().isEmpty());
    QCOMPARE(fx.form->Text29.text(),
             "WIFI Writing.....\r\nNot sent: \"" + field +
                 "\" holds characters the device cannot take.\r\nWIFI Write Fail\r\n");
    QCOMPARE(fx.form->Command8.caption(), QStringLiteral("Apply"));
    QVERIFY(!fx.line.isOpen());
    QVERIFY(fx.dialogs.messages.isEmpty());
}

void TestWifiRestart::applyWithPortOpen()
{
    OperationFixture fx;
    Form1 &form = *fx.form;
    form.Text29.setText("log");
    form.MSComm1.setPortOpen(true);
    form.Command8.click();
    QCOMPARE(form.Command6.caption(), QStringLiteral("Port is open"));
    QVERIFY(!fx.line.isOpen());
    QCOMPARE(fx.dialogs.messages, QStringList{"Port is open or no"});
    QCOMPARE(form.Command8.caption(), QStringLiteral("Apply"));
    QCOMPARE(form.Text29.text(), QStringLiteral("log"));
    QVERIFY(fx.line.writes().isEmpty());
}

void TestWifiRestart::applyWithPortThatCannotOpen()
{
    OperationFixture fx;
    fx.line.openablePorts.clear();
    fx.form->Command8.click();
    QCOMPARE(fx.dialogs.messages, QStringList{"Port is open or no"});
    QCOMPARE(fx.form->Command8.caption(), QStringLiteral("Apply"));
    QVERIFY(fx.line.writes().isEmpty());
}

void TestWifiRestart::applyReachesTheDevice()
{
    OperationFixture fx;
    DeviceLink link(fx.loop, fx.line);
    fx.form->Text34.setText("homenet");
    fx.form->Text33.setText("secret,#1");
    fx.form->Command8.click();
    fx.loop.advanceBy(100); // the last bytes reach the device at the line's pace
    QCOMPARE(link.model().settings().wifiName, QByteArray("homenet"));
    QCOMPARE(link.model().settings().wifiPassword, QByteArray("secret,#1"));
    QCOMPARE(link.model().commandCount("REBOOT"), 1);
}

void TestWifiRestart::restartSendsTwice()
{
    OperationFixture fx;
    fx.form->Command9.click();
    QCOMPARE(fx.sent(), (QByteArrayList{"REBOOT#\r\n", "REBOOT#\r\n"}));
    QCOMPARE(fx.line.writes()[0].timeMs, 101);
    QCOMPARE(fx.line.writes()[1].timeMs - fx.line.writes()[0].timeMs, 501);
    QVERIFY(!fx.line.isOpen());
    QCOMPARE(fx.form->Command9.caption(), QStringLiteral("restart"));
}

void TestWifiRestart::restartWithPortOpen()
{
    OperationFixture fx;
    fx.form->MSComm1.setPortOpen(true);
    fx.form->Command9.click();
    QVERIFY(fx.line.writes().isEmpty());
    QVERIFY(!fx.line.isOpen());
    QCOMPARE(fx.form->Command9.caption(), QStringLiteral("Port is open"));
    fx.form->Command9.click(); // the next press restarts
    QCOMPARE(fx.writesOf("REBOOT#").size(), 2);
    QCOMPARE(fx.form->Command9.caption(), QStringLiteral("restart"));
}

void TestWifiRestart::restartWithPortThatCannotOpen()
{
    OperationFixture fx;
    fx.line.openablePorts.clear();
    fx.form->Command9.click();
    QCOMPARE(fx.dialogs.messages, QStringList{"Port is open or no"});
    QVERIFY(!fx.line.isOpen());
    QCOMPARE(fx.form->Command9.caption(), QStringLiteral("restart"));
}

QTEST_GUILESS_MAIN(TestWifiRestart)
#include "tst_wifirestart.moc"
