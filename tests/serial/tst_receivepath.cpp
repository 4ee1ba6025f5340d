// The receive path: hex record, line building and a dispatch after every byte.

#include "formfixture.h"

#include <QRandomGenerator>
#include <QtTest>

class TestReceivePath : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void connectLine_data();
    void connectLine();
    void lfOnlyLinesAreNeverCleared();
    void recordTrimsClearedSpaces();
    void lfKeepsPartialLine();
    void growingLines();
    void highBytesBecomeLatin1();
    void bytesAfterTheCountAreKept();
    void anyBytesAreSafe();
    void endlessLineIsCut();
    void endlessStreamKeepsBoundedState();

private:
    // Feeds the pieces as separate receive events.
    void receive(const QList<QByteArray> &pieces)
    {
        for (const QByteArray &piece : pieces) {
            fx->line.deliver(piece);
            fx->loop.advanceBy(1);
        }
    }
    Form1 &form() { return *fx->form; }
    std::unique_ptr<FormFixture> fx;
    QStringList dispatched;
};

void TestReceivePath::init()
{
    fx = std::make_unique<FormFixture>();
    fx->addPort("/dev/ttyUSB0");
    fx->create();
    form().Combo1.pick("COM1");
    form().MSComm1.setPortOpen(true);
    dispatched.clear();
    connect(fx->form.get(), &Form1::lineDispatched, this,
            [this](const QString &line) { dispatched << line; });
}

void TestReceivePath::connectLine_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::newRow("one event") << QList<QByteArray>{"CONNECT\r\n"};
    QTest::newRow("split after CONN") << QList<QByteArray>{"CONN", "ECT\r\n"};
    QTest::newRow("byte by byte") << QList<QByteArray>{"C", "O", "N",  "N", "E",
                                                       "C", "T", "\r", "\n"};
}

void TestReceivePath::connectLine()
{
    QFETCH(QList<QByteArray>, pieces);
    receive(pieces);
    QCOMPARE(dispatched,
             (QStringList{"C", "CO", "CON", "CONN", "CONNE", "CONNEC", "CONNECT", "", ""}));
    QCOMPARE(form().Text1.text(), QStringLiteral("Text1434F4E4E4543540D0A"));
    QCOMPARE(form().bConnectOk, std::uint8_t(1));
    QCOMPARE(form().Text29.text(), QStringLiteral("\r\nConnect OK")); // exactly once
    QCOMPARE(form().sRxLine, QString());
}

void TestReceivePath::lfOnlyLinesAreNeverCleared()
{
    receive({"VER:1\nPASS:12\n"});
    QCOMPARE(form().sRxLine, QStringLiteral("VER:1PASS:12"));
    QCOMPARE(form().Text6.text(), QStringLiteral("1PASS:12")); // the later key is not seen
    QCOMPARE(form().Text5.text(), QString());
}

void TestReceivePath::recordTrimsClearedSpaces()
{
    form().Text1.setText("  ");
    receive({QByteArray("\xC5", 1)});
    QCOMPARE(form().Text1.text(), QStringLiteral("C5"));
    receive({QByteArray("\x05\x00\xff", 3)});
    QCOMPARE(form().Text1.text(), QStringLiteral("C50500FF"));
}

void TestReceivePath::lfKeepsPartialLine()
{
    receive({"FILT", "\nER:b/X"});
    QCOMPARE(dispatched.mid(3), (QStringList{"FILT", "FILT", "FILTE", "FILTER",
                                             "FILTER:", "FILTER:b", "FILTER:b/", "FILTER:b/X"}));
    QCOMPARE(form().Text11.text(), QStringLiteral("b/X"));
}

void TestReceivePath::growingLines()
{
    QStringList backlight;
    connect(&form().Combo16, &Control::changed, this, [&] { backlight << form().Combo16.text(); });
    receive({"BACKLIGHT:05\r\n"});
    QCOMPARE(backlight, (QStringList{"0", "ON", "05"}));

    form().Text29.setText(QString());
    receive({"CONNECTAB\r\n"});
    QCOMPARE(form().Text29.text(), QStringLiteral("\r\nConnect OK\r\nConnect OK\r\nConnect OK"));

    // A callsign line fails until its "-" has arrived, then follows the line.
    receive({"CALLSIGN:AB1C", "-", "1", "2\r\n"});
    QCOMPARE(form().Text4.text(), QStringLiteral("AB1C"));
    QCOMPARE(form().Combo5.text(), QStringLiteral("12"));

    // An address line fills its boxes as its commas arrive.
    receive({"IP:10,20,30,4"});
    QCOMPARE(form().Text16.text(), QStringLiteral("4"));
    receive({"0\r\n"});
    QCOMPARE(form().Text16.text(), QStringLiteral("40"));
}

void TestReceivePath::highBytesBecomeLatin1()
{
    receive({QByteArray("VER:\x80\xE9\xFF\r", 8)});
    QCOMPARE(form().Text6.text(), QString::fromUtf8("\u0080\u00E9\u00FF"));
    QCOMPARE(form().Text1.text(), QStringLiteral("Text15645523A80E9FF0D"));
}

void TestReceivePath::bytesAfterTheCountAreKept()
{
    // Bytes that arrive while an earlier batch waits are taken with it: nothing is lost.
    fx->line.deliver("PASS:1");
    fx->line.deliver("23\r");
    fx->loop.advanceBy(1);
    QCOMPARE(form().Text5.text(), QStringLiteral("123"));
    QCOMPARE(dispatched.size(), 9);
}

void TestReceivePath::anyBytesAreSafe()
{
    QRandomGenerator random(936);
    QByteArray noise(64 * 1024, '\0');
    for (char &byte : noise)
        byte = char(random.bounded(256));
    noise += "\rCALLSIGN:no dash for a long time" + QByteArray(4096, 'x');
    noise += "\rIP:1,2";
    receive({noise.left(30000), noise.mid(30000)});
    QCOMPARE(form().sRxLine, QStringLiteral("IP:1,2"));
    // The record keeps its first part: the design text and the first bytes' digits.
    QCOMPARE(form().Text1.text(),
             QStringLiteral("Text1") + QString::fromLatin1(noise.left(4093).toHex().toUpper()));
}

void TestReceivePath::endlessLineIsCut()
{
    // A line far longer than any device line: its first 1024 characters are kept and the
    // rest is dropped until its CR; the next line is read as usual.
    const QByteArray comment = "COMMENT TEXT:" + QByteArray(16000, 'x');
    QList<QByteArray> pieces;
    for (int at = 0; at < comment.size(); at += 64)
        pieces << comment.mid(at, 64);
    receive(pieces);
    QCOMPARE(form().sRxLine.size(), 1024);
    QCOMPARE(form().Text7.text(), QString(1024 - 13, QLatin1Char('x')));
    QCOMPARE(dispatched.size(), comment.size()); // still one dispatch per byte

    receive({"\r\nPASS:42\r\n"});
    QCOMPARE(form().Text5.text(), QStringLiteral("42"));
    QCOMPARE(form().Text7.text().size(), 1024 - 13);
}

void TestReceivePath::endlessStreamKeepsBoundedState()
{
    // A status line that grows without end repeats its message at every byte; the log
    // drops its oldest lines and keeps the newest whole.
    receive({"CONNECT"});
    for (int i = 0; i < 1600; ++i)
        receive({QByteArray(64, 'K')});
    QCOMPARE(form().sRxLine.size(), 1024);
    QVERIFY(form().Text1.text().size() <= 8192);
    const QString log = form().Text29.text();
    QVERIFY2(log.size() <= 128 * 1024, qPrintable(QString::number(log.size())));
    QVERIFY(log.startsWith(QStringLiteral("Connect OK\r\n")));
    QVERIFY(log.endsWith(QStringLiteral("\r\nConnect OK")));

    // The log still takes what comes next.
    form().Text29.appendText(QStringLiteral("\r\nread ok"));
    QVERIFY(form().Text29.text().endsWith(QStringLiteral("Connect OK\r\nread ok")));
}

QTEST_GUILESS_MAIN(TestReceivePath)
#include "tst_receivepath.moc"
