// "Write data": the commands, their bytes and pauses, the acknowledgement wait.

#include "devicelink.h"
#include "operationfixture.h"

#include <QtTest>

class TestWriteOperation : public QObject
{
    Q_OBJECT

private slots:
    void dhcpWrite();
    void staticWrite();
    void acknowledgement_data();
    void acknowledgement();
    void codes_data();
    void codes();
    void portOpenAtPress();
    void portThatCannotBeOpened();
    void roundTripThroughTheDevice();
    void valuesTheLineCannotCarry();
    void fileInAnotherCodePageReachesTheDevice();
    void writeAfterLoadSeesTheAcknowledgement();
};

static const QByteArray ack = "freq save\r\n";

void TestWriteOperation::dhcpWrite()
{
    OperationFixture fx;
    Form1 &form = *fx.form;
    form.Command0.click();
    form.Text13.setText("not read");
    form.Command7.click();

    const QByteArrayList expected = {
        "AT+CALL,NOCALL-10#\r\n",
        "AT+PASS,27351#\r\n",
        "AT+DHCP,1#\r\n",
        "AT+POSI,!3035.00N/11417.00ErPHG1010#\r\n",
        "AT+COMMENT,MELKO 144.640MHz#\r\n",
        "AT+SERVER," + form.Combo3.text().toLatin1() + "#\r\n",
        "AT+TIME,0600#\r\n",
        "AT+FILTER,b/MELKO#\r\n",
        "AT+BACKLIGHT,00#\r\n",
        "AT+UNIT,1#\r\n",
        "AT+DIGI,1#\r\n",
        "AT+MOD,3#\r\n",
        "AT+PATH,1#\r\n",
        "AT+ALIAS,3#\r\n",
        "\r\nAT+FREQ,144.6400#\r\n",
    };
    QCOMPARE(fx.sent(), expected);
    const auto writes = fx.line.writes();
    QCOMPARE(writes.first().timeMs, 101); // no pause after the open
    for (int i = 1; i < writes.size(); ++i)
        QCOMPARE(writes[i].timeMs - writes[i - 1].timeMs, i == 14 ? 0 : 201); // alias, then freq
    QCOMPARE(form.Command7.caption(), QStringLiteral("Write data"));
    QVERIFY(!fx.line.isOpen());
}

void TestWriteOperation::staticWrite()
{
    OperationFixture fx;
    Form1 &form = *fx.form;
    form.Command0.click();
    form.Combo2.setText("STATIC IP");
    form.Command7.click();

    const QByteArrayList sent = fx.sent();
    QCOMPARE(sent.size(), 19);
    QCOMPARE(sent.mid(2, 5), (QByteArrayList{"AT+DHCP,0#\r\n", "AT+IP,192,168,1,99#\r\n",
                                             "AT+SUB,255,255,255,0#\r\n", "AT+GW,192,168,1,1#\r\n",
                                             "AT+DNS,8,8,8,8#\r\n"}));
    const auto writes = fx.line.writes();
    QCOMPARE(writes[7].timeMs - writes[6].timeMs, 402); // after "AT+DNS,"
}

void TestWriteOperation::acknowledgement_data()
{
    QTest::addColumn<int>("ackAtPoll"); // 0: never; the poll (1 to 16) that first sees it
    QTest::addColumn<QString>("log");

    const QString fail = QString::fromUtf8("Write fail\uFF0CPlease try again.\r\n");
    QTest::newRow("first poll") << 1 << "Writing......\r\nWrite complete";
    QTest::newRow("fourteenth poll") << 14 << "Writing......\r\nWrite complete";
    QTest::newRow("never") << 0 << "Writing......" + fail + fail;
    QTest::newRow("fifteenth poll") << 15 << "Writing......" + fail + "\r\nWrite complete";
    QTest::newRow("sixteenth poll") << 16 << "Writing......" + fail + fail + "\r\nWrite complete";
}

void TestWriteOperation::acknowledgement()
{
    QFETCH(int, ackAtPoll);
    QFETCH(QString, log);
    OperationFixture fx;
    Form1 &form = *fx.form;
    form.Command0.click();
    // The last command goes out at 101 + 13 * 201 ms; its pause ends 201 ms later, and
    // poll k comes 501 ms after the one before.
    const int lastCommand = 101 + 13 * 201;
    const int pollAt = lastCommand + 201 + 501 * ackAtPoll;
    if (ackAtPoll > 0)
        fx.loop.at(pollAt - 300, [&] { fx.line.deliver(ack); });
    form.Command7.click();
    QCOMPARE(fx.line.writes().last().timeMs, lastCommand);
    QCOMPARE(form.Text29.text(), log);
    QCOMPARE(int(form.bFreqSaved), ackAtPoll > 0 ? 1 : 0);
}

void TestWriteOperation::codes_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("backlight ON") << "Combo16"
                                  << "ON" << QByteArray("AT+BACKLIGHT,00#");
    QTest::newRow("backlight 05") << "Combo16"
                                  << "05" << QByteArray("AT+BACKLIGHT,05#");
    QTest::newRow("unit mi") << "Combo4"
                             << "mi" << QByteArray("AT+UNIT,2#");
    QTest::newRow("unit third") << "Combo4" << QString::fromUtf8("\u516C\u91CC")
                                << QByteArray("AT+UNIT,3#");
    QTest::newRow("unit other") << "Combo4"
                                << "KM" << QByteArray("AT+UNIT,2#");
    QTest::newRow("digi clear") << "Check1"
                                << "0" << QByteArray("AT+DIGI,0#");
    QTest::newRow("digi grey") << "Check1"
                               << "2" << QByteArray("AT+DIGI,0#");
    QTest::newRow("path None") << "Combo7"
                               << "None" << QByteArray("AT+PATH,0#");
    QTest::newRow("path 2-2") << "Combo7"
                              << "WIDE1-1WIDE2-2" << QByteArray("AT+PATH,3#");
    QTest::newRow("path other") << "Combo7"
                                << "wide" << QByteArray("AT+PATH,1#");
    QTest::newRow("alias WIDE1") << "Combo8"
                                 << "WIDE1" << QByteArray("AT+ALIAS,1#");
    QTest::newRow("alias WIDE2") << "Combo8"
                                 << "WIDE2" << QByteArray("AT+ALIAS,2#");
    QTest::newRow("alias other") << "Combo8"
                                 << "" << QByteArray("AT+ALIAS,3#");
    QTest::newRow("empty callsign") << "Text4"
                                    << "" << QByteArray("AT+CALL,      -10#");
    QTest::newRow("six characters") << "Text4"
                                    << "AB1CDE" << QByteArray("AT+CALL,AB1CDE-10#");
    QTest::newRow("four characters") << "Text4"
                                     << "AB1C" << QByteArray("AT+CALL,AB1C  -10#");
    QTest::newRow("longer callsign sent whole") << "Text4"
                                                << "AB1CDEFG" << QByteArray("AT+CALL,AB1CDEFG-10#");
    QTest::newRow("comma and hash unchanged") << "Text7"
                                              << "a,b#c" << QByteArray("AT+COMMENT,a,b#c#");
    QTest::newRow("line break left out")
        << "Text7"
        << "a\nAT+RESET#\r" << QByteArray("AT+COMMENT,aAT+RESET##");
    QTest::newRow("frequency") << "Text31"
                               << "145.0000" << QByteArray("\r\nAT+FREQ,145.0000#");
}

void TestWriteOperation::codes()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QByteArray, command);
    OperationFixture fx;
    Form1 &f = *fx.form;
    f.Command0.click();
    if (field == "Check1")
        f.Check1.setValue(value.toInt());
    for (TextBox *box : {&f.Text4, &f.Text7, &f.Text31})
        if (box->name() == field)
            box->setText(value);
    for (ComboBox *combo : {&f.Combo4, &f.Combo7, &f.Combo8, &f.Combo16})
        if (combo->name() == field)
            combo->setText(value);
    f.Command7.click();
    QVERIFY2(fx.sent().contains(command + "\r\n"), qPrintable(fx.sent().join("|")));
    QCOMPARE(fx.sent().size(), 15); // nothing extra reached the line
}

void TestWriteOperation::portOpenAtPress()
{
    OperationFixture fx;
    Form1 &form = *fx.form;
    form.Text29.setText("old log");
    form.Command7.setEnabled(true);
    form.MSComm1.setPortOpen(true);
    form.Command7.click();
    QVERIFY(fx.line.writes().isEmpty());
    QCOMPARE(form.Text29.text(), QString());
    QCOMPARE(form.Command6.caption(), QStringLiteral("Port is open"));
    QCOMPARE(form.Command7.caption(), QStringLiteral("Write data"));
    QVERIFY(form.Command7.isEnabled());
    QVERIFY(!fx.line.isOpen());
}

void TestWriteOperation::portThatCannotBeOpened()
{
    OperationFixture fx;
    fx.line.openablePorts.clear();
    Form1 &form = *fx.form;
    form.Command0.click();
    form.Command7.click();
    const QString fail = QString::fromUtf8("Write fail\uFF0CPlease try again.\r\n");
    QCOMPARE(form.Text29.text(), "Writing......" + fail + fail);
    QCOMPARE(form.Command7.caption(), QStringLiteral("Write data"));
    QVERIFY(fx.dialogs.messages.isEmpty());
    QVERIFY(fx.loop.nowMs() > 2800 + 8000); // the pauses and the wait still ran
}

void TestWriteOperation::roundTripThroughTheDevice()
{
    OperationFixture fx;
    DeviceLink link(fx.loop, fx.line);
    Form1 &form = *fx.form;
    form.Command6.click();
    form.Text4.setText("AB1C");
    form.Combo5.setText("7");
    form.Text7.setText("edited, #1");
    form.Text16.setText("42");
    form.Combo16.setText("ON");
    form.Combo7.setText("None");
    form.Check1.setValue(1);
    form.Command7.click();
    QVERIFY(form.Text29.text().endsWith("Write complete"));

    form.Command6.click();
    QCOMPARE(form.Text4.text(), QStringLiteral("AB1C  ")); // the fill comes back
    QCOMPARE(form.Combo5.text(), QStringLiteral("7"));
    QCOMPARE(form.Text7.text(), QStringLiteral("edited, #1"));
    QCOMPARE(form.Text16.text(), QStringLiteral("42"));
    QCOMPARE(form.Combo16.text(), QStringLiteral("ON"));
    QCOMPARE(form.Combo7.text(), QStringLiteral("None"));
    QCOMPARE(form.Check1.value(), 1);
}

void TestWriteOperation::valuesTheLineCannotCarry()
{
    // Latin-1 goes out as its bytes; a character beyond it is not turned into "?": the
    // command is left out, the field is named, and the rest of the write goes on.
    OperationFixture fx;
    fx.answer("AT+FREQ,", ack);
    Form1 &form = *fx.form;
    form.Command0.click();
    form.Text8.setText(QString::fromUtf8("!3035.00N/11417.00E> 20\u00B0C"));
    form.Text7.setText(QString::fromUtf8("MELKO \u6E29\u5EA6"));
    form.Command7.click();
    const QByteArrayList sent = fx.sent();
    QCOMPARE(sent.size(), 14);
    QVERIFY(sent.contains("AT+POSI,!3035.00N/11417.00E> 20\xB0"
                          "C#\r\n"));
    QVERIFY(fx.writesOf("AT+COMMENT,").isEmpty());
    QCOMPARE(form.Text29.text(),
             QStringLiteral("Writing......\r\nNot sent: \"Status\" holds characters the device "
                            "cannot take.\r\nWrite complete"));
}

void TestWriteOperation::fileInAnotherCodePageReachesTheDevice()
{
    // A setup file saved in a single-byte code page: its bytes reach the device as they
    // stand in the file.
    OperationFixture fx;
    const QString file = fx.path("latin1.ini");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("[MELKO]\r\n\r\nCOMMENT TEXT:MELKO 20\xB0 caf\xE9\r\nFREQ:144.6400\r\n");
    out.close();
    fx.dialogs.fileAnswers << file;
    fx.form->Command4.click();
    QCOMPARE(fx.form->Text7.text(), QString::fromUtf8("MELKO 20\u00B0 caf\u00E9"));
    fx.form->Command7.click();
    const auto comment = fx.writesOf("AT+COMMENT,");
    QCOMPARE(comment.size(), 1);
    QCOMPARE(comment.first().bytes, QByteArray("AT+COMMENT,MELKO 20\xB0 caf\xE9#\r\n"));
}

void TestWriteOperation::writeAfterLoadSeesTheAcknowledgement()
{
    // "Load file" leaves the file's last line as the line received so far; the device's
    // "freq save" after the write must not be read as the rest of that line.
    OperationFixture fx;
    fx.answer("AT+FREQ,", ack);
    const QString file = fx.path("setup.ini");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("[MELKO]\r\n\r\nCALLSIGN:AB1CDE-7\r\nALIAS:3");
    out.close();
    fx.dialogs.fileAnswers << file;
    fx.form->Command4.click();
    QCOMPARE(fx.form->sRxLine, QStringLiteral("ALIAS:3"));
    fx.form->Command7.click();
    QCOMPARE(fx.form->bFreqSaved, std::uint8_t(1));
    QVERIFY(fx.form->Text29.text().endsWith("Write complete"));
}

QTEST_GUILESS_MAIN(TestWriteOperation)
#include "tst_writeoperation.moc"
