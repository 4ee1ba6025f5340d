// The line dispatcher: every key with its value column, the codes, the failure points.

#include "app/settingsfields.h"
#include "formfixture.h"

#include <QtTest>

#include <stdexcept>

class TestPeizhi : public QObject
{
    Q_OBJECT

private slots:
    void init() { fx = std::make_unique<FormFixture>(); fx->create(); }

    void fieldLines_data();
    void fieldLines();
    void codedLines_data();
    void codedLines();
    void digi_data();
    void digi();
    void callsign_data();
    void callsign();
    void addressLines_data();
    void addressLines();
    void dhcpLines();
    void statusLines_data();
    void statusLines();
    void linesWithoutKeyChangeNothing_data();
    void linesWithoutKeyChangeNothing();

private:
    Form1 &form() { return *fx->form; }
    // Applies one line as the setup-file loader does; true when the dispatcher failed.
    bool apply(const QString &line)
    {
        form().sRxLine = line;
        try {
            form().peizhi();
        } catch (const std::invalid_argument &) {
            return true;
        }
        return false;
    }
    QString textOf(const QString &name);
    QStringList snapshot()
    {
        QStringList texts;
        for (const char *name : {"Text4", "Text5", "Text6", "Text7", "Text8", "Text10", "Text11",
                                 "Text31", "Text29", "Combo2", "Combo3", "Combo4", "Combo5",
                                 "Combo6", "Combo7", "Combo8", "Combo16", "Text13", "Text28"})
            texts << textOf(QString::fromLatin1(name));
        return texts;
    }

    std::unique_ptr<FormFixture> fx;
};

QString TestPeizhi::textOf(const QString &name)
{
    Form1 &f = form();
    for (TextBox *box : {&f.Text4, &f.Text5, &f.Text6, &f.Text7, &f.Text8, &f.Text10, &f.Text11,
                         &f.Text31, &f.Text29})
        if (box->name() == name)
            return box->text();
    for (ComboBox *combo : {&f.Combo2, &f.Combo3, &f.Combo4, &f.Combo5, &f.Combo6, &f.Combo7,
                            &f.Combo8, &f.Combo16})
        if (combo->name() == name)
            return combo->text();
    for (TextBox *box : f.addressBoxes)
        if (box->name() == name)
            return box->text();
    qFatal("no field %s", qPrintable(name));
}

void TestPeizhi::fieldLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");

    QTest::newRow("pass") << "PASS:27351" << "Text5" << "27351";
    QTest::newRow("pass trimmed by the field") << "PASS: 27351 " << "Text5" << "27351";
    QTest::newRow("position from column 10") << "POSITION:!3035.00N/11417.00ErPHG1010" << "Text8"
                                             << "!3035.00N/11417.00ErPHG1010";
    QTest::newRow("position any ninth char") << "POSITIONX12" << "Text8" << "12";
    QTest::newRow("comment from column 14") << "COMMENT TEXT:MELKO 144.640MHz" << "Text7"
                                            << "MELKO 144.640MHz";
    QTest::newRow("short comment line") << "COMMENT TEX" << "Text7" << "";
    QTest::newRow("server") << "SERVER:asia.aprs2.net" << "Combo3" << "asia.aprs2.net";
    QTest::newRow("tx time keeps zeros") << "SENT TIME:0600" << "Text10" << "0600";
    QTest::newRow("tx time trimmed") << "SENT TIME: 600 " << "Text10" << "600";
    QTest::newRow("filter") << "FILTER:b/MELKO" << "Text11" << "b/MELKO";
    QTest::newRow("version replaces") << "VER:KS936 V2.1" << "Text6" << "KS936 V2.1";
    QTest::newRow("freq") << "FREQ:144.6400" << "Text31" << "144.6400";
    QTest::newRow("backlight 0") << "BACKLIGHT:0" << "Combo16" << "ON";
    QTest::newRow("backlight 00") << "BACKLIGHT:00" << "Combo16" << "ON";
    QTest::newRow("backlight 05") << "BACKLIGHT:05" << "Combo16" << "05";
    QTest::newRow("backlight 000") << "BACKLIGHT:000" << "Combo16" << "000";
    QTest::newRow("mod one character") << "MOD:12" << "Combo6" << "1";
    QTest::newRow("mod alone empties") << "MOD:" << "Combo6" << "";
    QTest::newRow("long value kept whole") << "PASS:1234567890" << "Text5" << "1234567890";
}

void TestPeizhi::fieldLines()
{
    QFETCH(QString, line);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QVERIFY(!apply(line));
    QCOMPARE(textOf(field), value);
}

void TestPeizhi::codedLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value"); // "unchanged" keeps the preset text

    const QString km = SettingsFields::kilometreUnit;
    QTest::newRow("unit 1") << "UNIT:1" << "Combo4" << "km";
    QTest::newRow("unit 2") << "UNIT:2" << "Combo4" << "mi";
    QTest::newRow("unit 3") << "UNIT:3" << "Combo4" << km;
    QTest::newRow("unit 4") << "UNIT:4" << "Combo4" << "unchanged";
    QTest::newRow("unit none") << "UNIT:" << "Combo4" << "unchanged";
    QTest::newRow("unit only one character") << "UNIT:21" << "Combo4" << "mi";
    QTest::newRow("path 0") << "PATH:0" << "Combo7" << "None";
    QTest::newRow("path 2") << "PATH:2" << "Combo7" << "WIDE1-1WIDE2-1";
    QTest::newRow("path 3") << "PATH:3" << "Combo7" << "WIDE1-1WIDE2-2";
    QTest::newRow("path 9") << "PATH:9" << "Combo7" << "unchanged";
    QTest::newRow("alias 1") << "ALIAS:1" << "Combo8" << "WIDE1";
    QTest::newRow("alias 3") << "ALIAS:3" << "Combo8" << "WIDE1+WIDE2";
    QTest::newRow("alias 0") << "ALIAS:0" << "Combo8" << "unchanged";
}

void TestPeizhi::codedLines()
{
    QFETCH(QString, line);
    QFETCH(QString, field);
    QFETCH(QString, value);
    for (ComboBox *combo : {&form().Combo4, &form().Combo7, &form().Combo8})
        combo->setText(QStringLiteral("unchanged"));
    QVERIFY(!apply(line));
    QCOMPARE(textOf(field), value);
}

void TestPeizhi::digi_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("value");
    QTest::newRow("1 ticks") << "DIGI:1" << 1;
    QTest::newRow("0 clears") << "DIGI:0" << 0;
    QTest::newRow("other clears") << "DIGI:Y" << 0;
    QTest::newRow("nothing clears") << "DIGI:" << 0;
    QTest::newRow("only column 6 counts") << "DIGI:10" << 1;
}

void TestPeizhi::digi()
{
    QFETCH(QString, line);
    QFETCH(int, value);
    form().Check1.setValue(2);
    QVERIFY(!apply(line));
    QCOMPARE(form().Check1.value(), value);
}

void TestPeizhi::callsign_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("callsign");
    QTest::addColumn<QString>("ssid");

    QTest::newRow("plain") << "CALLSIGN:NOCALL-10" << false << "NOCALL" << "10";
    QTest::newRow("empty callsign") << "CALLSIGN:-5" << false << "" << "5";
    QTest::newRow("fill spaces stay") << "CALLSIGN:AB1C  -9" << false << "AB1C  " << "9";
    QTest::newRow("first dash wins") << "CALLSIGN:A-B-C" << false << "A" << "B-C";
    QTest::newRow("long callsign whole") << "CALLSIGN:AB1CDEFGH-1" << false << "AB1CDEFGH" << "1";
    QTest::newRow("dash before column 10 ignored") << "CALLSIGN-X" << true << "old" << "old";
    QTest::newRow("no dash fails") << "CALLSIGN:AB1CD" << true << "old" << "old";
}

void TestPeizhi::callsign()
{
    QFETCH(QString, line);
    QFETCH(bool, fails);
    QFETCH(QString, callsign);
    QFETCH(QString, ssid);
    form().Text4.setText("old");
    form().Combo5.setText("old");
    QCOMPARE(apply(line), fails);
    QCOMPARE(form().Text4.text(), callsign);
    QCOMPARE(form().Combo5.text(), ssid);
}

void TestPeizhi::addressLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("first"); // index of the first of the four boxes
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("ip") << "IP:192,168,1,99" << 0 << false << QStringList{"192", "168", "1", "99"};
    QTest::newRow("ip three commas less one") << "IP:192,168,1" << 0 << true
                                              << QStringList{"192", "168", "old", "old"};
    QTest::newRow("ip two parts") << "IP:192,168" << 0 << true
                                  << QStringList{"192", "old", "old", "old"};
    QTest::newRow("ip extra commas in part 4") << "IP:1,2,3,4,5" << 0 << false
                                               << QStringList{"1", "2", "3", "4,5"};
    QTest::newRow("ip dots") << "IP:192.168.1.99" << 0 << true
                             << QStringList{"old", "old", "old", "old"};
    QTest::newRow("ip empty parts") << "IP:,,," << 0 << false << QStringList{"", "", "", ""};
    QTest::newRow("mask") << "MASK:255,255,255,0" << 4 << false
                          << QStringList{"255", "255", "255", "0"};
    QTest::newRow("gate") << "GATE:192,168,1,1" << 8 << false << QStringList{"192", "168", "1", "1"};
    QTest::newRow("dns") << "DNS:8,8,4,4" << 12 << false << QStringList{"8", "8", "4", "4"};
}

void TestPeizhi::addressLines()
{
    QFETCH(QString, line);
    QFETCH(int, first);
    QFETCH(bool, fails);
    QFETCH(QStringList, boxes);
    for (TextBox *box : form().addressBoxes)
        box->setText("old");
    QCOMPARE(apply(line), fails);
    for (int i = 0; i < 16; ++i) {
        const bool target = i >= first && i < first + 4;
        QCOMPARE(form().addressBoxes[i]->text(), target ? boxes[i - first] : QStringLiteral("old"));
    }
}

void TestPeizhi::dhcpLines()
{
    QVERIFY(!apply("DHCP:0#"));
    QCOMPARE(form().Combo2.text(), QStringLiteral("STATIC IP"));
    for (TextBox *box : form().addressBoxes)
        QVERIFY(box->isEnabled()); // static mode enables nothing

    QVERIFY(!apply("DHCP:1#"));
    QCOMPARE(form().Combo2.text(), QStringLiteral("DHCP"));
    for (TextBox *box : form().addressBoxes)
        QVERIFY(!box->isEnabled());

    QVERIFY(!apply("DHCP:0#"));
    for (TextBox *box : form().addressBoxes)
        QVERIFY(!box->isEnabled()); // stays disabled until the user picks a mode
}

void TestPeizhi::statusLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("log");

    QTest::newRow("eeram reset with more text") << "eeram reset done" << "bEeramReset" << "";
    QTest::newRow("connect") << "CONNECT" << "bConnectOk" << "\r\nConnect OK";
    QTest::newRow("read end") << "READ END" << "bReadEnd" << "\r\nRead end";
    QTest::newRow("wifi") << "WIFI Write success" << "bWifiOk" << "";
    QTest::newRow("freq save and more") << "freq saved!" << "bFreqSaved" << "";
}

void TestPeizhi::statusLines()
{
    QFETCH(QString, line);
    QFETCH(QString, flag);
    QFETCH(QString, log);
    Form1 &f = form();
    f.Text29.setText("log");
    QVERIFY(!apply(line));
    const std::pair<QString, std::uint8_t> flags[] = {{"bEeramReset", f.bEeramReset},
                                                      {"bConnectOk", f.bConnectOk},
                                                      {"bReadEnd", f.bReadEnd},
                                                      {"bWifiOk", f.bWifiOk},
                                                      {"bFreqSaved", f.bFreqSaved}};
    for (const auto &[name, value] : flags)
        QCOMPARE(int(value), name == flag ? 1 : 0);
    QCOMPARE(f.Text29.text(), "log" + log);
}

void TestPeizhi::linesWithoutKeyChangeNothing_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("lower case key") << "pass:1";
    QTest::newRow("leading space") << " PASS:1";
    QTest::newRow("header") << "[MELKO]";
    QTest::newRow("empty") << "";
    QTest::newRow("shorter than key") << "CONNEC";
    QTest::newRow("garbage") << QString::fromLatin1("\xff\x01\x7f#");
}

void TestPeizhi::linesWithoutKeyChangeNothing()
{
    QFETCH(QString, line);
    Form1 &f = form();
    f.Command0.click(); // every field holds a value
    const QStringList before = snapshot();
    QVERIFY(!apply(line));
    QCOMPARE(snapshot(), before);
    QCOMPARE(f.Check1.value(), 1);
    QCOMPARE(f.bConnectOk + f.bReadEnd + f.bFreqSaved + f.bWifiOk + f.bEeramReset, 0);
}

QTEST_GUILESS_MAIN(TestPeizhi)
#include "tst_peizhi.moc"
