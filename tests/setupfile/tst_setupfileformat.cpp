// The lines of a setup file, their bytes, and how file bytes split into lines.

#include "setupfile/setupfileformat.h"

#include <QtTest>

Q_DECLARE_METATYPE(SetupValues)

class TestSetupFileFormat : public QObject
{
    Q_OBJECT

private slots:
    void valueRules_data();
    void valueRules();
    void linesInOrderWithFixedHeader();
    void encodeUtf8WithCrLf();
    void decode_data();
    void decode();
};

// Settings that give no fill, no code fallback and no special case on any line.
static SetupValues typical()
{
    SetupValues values;
    values.callsign = QStringLiteral("AB1CDE");
    values.ssid = QStringLiteral("9");
    values.passcode = QStringLiteral("12345");
    values.addressMode = QStringLiteral("DHCP");
    const char *const octets[16] = {"10", "0", "0", "7", "255", "0", "0", "0",
                                    "10", "0", "0", "1", "9",   "9", "9", "9"};
    for (int i = 0; i < 16; ++i)
        values.addressOctets[i] = QString::fromLatin1(octets[i]);
    values.position = QStringLiteral("!3035.00N/11417.00ErPHG1010");
    values.comment = QStringLiteral("comment");
    values.server = QStringLiteral("server.example");
    values.txTime = QStringLiteral("1200");
    values.filter = QStringLiteral("b/AB1CDE");
    values.backlight = QStringLiteral("30");
    values.frequency = QStringLiteral("144.6400");
    values.unit = QStringLiteral("mi");
    values.digi = 1;
    values.txVol = QStringLiteral("4");
    values.path = QStringLiteral("WIDE1-1WIDE2-1");
    values.alias = QStringLiteral("WIDE2");
    return values;
}

template <typename T> static SetupValues with(T SetupValues::*field, const T &value)
{
    SetupValues values = typical();
    values.*field = value;
    return values;
}

static SetupValues with(QString SetupValues::*field, const char *value)
{
    return with(field, QString::fromUtf8(value));
}

void TestSetupFileFormat::valueRules_data()
{
    QTest::addColumn<SetupValues>("values");
    QTest::addColumn<int>("lineNumber");
    QTest::addColumn<QString>("line");

    using V = SetupValues;
    QTest::newRow("callsign filled to six")
        << with(&V::callsign, "AB1C") << 3 << "CALLSIGN:AB1C  -9";
    QTest::newRow("callsign of six, no fill") << typical() << 3 << "CALLSIGN:AB1CDE-9";
    QTest::newRow("callsign empty, six spaces")
        << with(&V::callsign, "") << 3 << "CALLSIGN:      -9";
    QTest::newRow("callsign of eight kept whole")
        << with(&V::callsign, "AB1CDEFG") << 3 << "CALLSIGN:AB1CDEFG-9";
    QTest::newRow("ssid as displayed") << with(&V::ssid, " x") << 3 << "CALLSIGN:AB1CDE- x";
    QTest::newRow("passcode empty, bare key") << with(&V::passcode, "") << 4 << "PASS:";
    QTest::newRow("static address") << with(&V::addressMode, "STATIC IP") << 5 << "DHCP:0#";
    QTest::newRow("address mode case-sensitive")
        << with(&V::addressMode, "static ip") << 5 << "DHCP:1#";
    QTest::newRow("address mode typed") << with(&V::addressMode, "") << 5 << "DHCP:1#";
    QTest::newRow("empty octets, three commas")
        << with(&V::addressOctets, std::array<QString, 16>()) << 6 << "IP:,,,";
    QTest::newRow("position untrimmed") << with(&V::position, " pos ") << 10 << "POSITION: pos ";
    QTest::newRow("comment") << with(&V::comment, "a:b") << 11 << "COMMENT TEXT:a:b";
    QTest::newRow("server") << with(&V::server, "192.168.1.10") << 12 << "SERVER:192.168.1.10";
    QTest::newRow("tx time of three") << with(&V::txTime, "600") << 13 << "SENT TIME:0600";
    QTest::newRow("tx time of two") << with(&V::txTime, "30") << 13 << "SENT TIME:0030";
    QTest::newRow("tx time empty") << with(&V::txTime, "") << 13 << "SENT TIME:0000";
    QTest::newRow("tx time of four") << with(&V::txTime, "0600") << 13 << "SENT TIME:0600";
    QTest::newRow("tx time of five kept whole")
        << with(&V::txTime, "12345") << 13 << "SENT TIME:12345";
    QTest::newRow("filter") << with(&V::filter, "") << 14 << "FILTER:";
    QTest::newRow("backlight on") << with(&V::backlight, "ON") << 15 << "BACKLIGHT:00";
    QTest::newRow("backlight 05") << with(&V::backlight, "05") << 15 << "BACKLIGHT:05";
    QTest::newRow("backlight case-sensitive") << with(&V::backlight, "on") << 15 << "BACKLIGHT:on";
    QTest::newRow("frequency") << with(&V::frequency, "144/64") << 16 << "FREQ:144/64";
    QTest::newRow("unit km") << with(&V::unit, "km") << 17 << "UNIT:1";
    QTest::newRow("unit mi") << typical() << 17 << "UNIT:2";
    QTest::newRow("unit kilometre in Chinese")
        << with(&V::unit, "\xE5\x85\xAC\xE9\x87\x8C") << 17 << "UNIT:3";
    QTest::newRow("unit case-sensitive") << with(&V::unit, "Mi") << 17 << "UNIT:1";
    QTest::newRow("unit typed") << with(&V::unit, "miles") << 17 << "UNIT:1";
    QTest::newRow("digi ticked") << typical() << 18 << "DIGI:1";
    QTest::newRow("digi clear") << with(&V::digi, 0) << 18 << "DIGI:0";
    QTest::newRow("digi grey") << with(&V::digi, 2) << 18 << "DIGI:0";
    QTest::newRow("tx vol as displayed") << with(&V::txVol, "12") << 19 << "MOD:12";
    QTest::newRow("path none") << with(&V::path, "None") << 20 << "PATH:0";
    QTest::newRow("path wide1-1") << with(&V::path, "WIDE1-1") << 20 << "PATH:1";
    QTest::newRow("path wide2-1") << typical() << 20 << "PATH:2";
    QTest::newRow("path wide2-2") << with(&V::path, "WIDE1-1WIDE2-2") << 20 << "PATH:3";
    QTest::newRow("path case-sensitive") << with(&V::path, "none") << 20 << "PATH:1";
    QTest::newRow("path empty") << with(&V::path, "") << 20 << "PATH:1";
    QTest::newRow("alias wide1") << with(&V::alias, "WIDE1") << 21 << "ALIAS:1";
    QTest::newRow("alias wide2") << typical() << 21 << "ALIAS:2";
    QTest::newRow("alias both") << with(&V::alias, "WIDE1+WIDE2") << 21 << "ALIAS:3";
    QTest::newRow("alias case-sensitive") << with(&V::alias, "wide1") << 21 << "ALIAS:3";
}

void TestSetupFileFormat::valueRules()
{
    QFETCH(SetupValues, values);
    QFETCH(int, lineNumber);
    QFETCH(QString, line);
    const QStringList lines = SetupFileFormat::lines(values);
    QCOMPARE(lines.size(), 21);
    QCOMPARE(lines.at(lineNumber - 1), line);
}

void TestSetupFileFormat::linesInOrderWithFixedHeader()
{
    const QStringList expected = {"[MELKO]",
                                  "",
                                  "CALLSIGN:AB1CDE-9",
                                  "PASS:12345",
                                  "DHCP:1#",
                                  "IP:10,0,0,7",
                                  "MASK:255,0,0,0",
                                  "GATE:10,0,0,1",
                                  "DNS:9,9,9,9",
                                  "POSITION:!3035.00N/11417.00ErPHG1010",
                                  "COMMENT TEXT:comment",
                                  "SERVER:server.example",
                                  "SENT TIME:1200",
                                  "FILTER:b/AB1CDE",
                                  "BACKLIGHT:30",
                                  "FREQ:144.6400",
                                  "UNIT:2",
                                  "DIGI:1",
                                  "MOD:4",
                                  "PATH:2",
                                  "ALIAS:2"};
    QCOMPARE(SetupFileFormat::lines(typical()), expected);
}

void TestSetupFileFormat::encodeUtf8WithCrLf()
{
    const QStringList lines = {
        QStringLiteral("[MELKO]"), QString(),
        QString::fromUtf8("COMMENT TEXT:Gr\xC3\xBC\xC3\x9F\x65 \xE5\x85\xAC")};
    QCOMPARE(SetupFileFormat::encode(lines),
             QByteArray("[MELKO]\r\n\r\nCOMMENT TEXT:Gr\xC3\xBC\xC3\x9F\x65 \xE5\x85\xAC\r\n"));
}

void TestSetupFileFormat::decode_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("cr lf") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"};
    QTest::newRow("lone cr") << QByteArray("A\rB\r") << QStringList{"A", "B"};
    QTest::newRow("last line without end") << QByteArray("A\r\nB") << QStringList{"A", "B"};
    QTest::newRow("lf only is one line") << QByteArray("A\nB\n") << QStringList{"A\nB\n"};
    QTest::newRow("lf after a line end") << QByteArray("A\r\n\nB") << QStringList{"A", "\nB"};
    QTest::newRow("empty lines") << QByteArray("\r\n\r\r\n") << QStringList{"", "", ""};
    QTest::newRow("utf-8") << QByteArray("UNIT:\xE5\x85\xAC\xE9\x87\x8C\r\n")
                           << QStringList{QString::fromUtf8("UNIT:\xE5\x85\xAC\xE9\x87\x8C")};
    QTest::newRow("utf-8 with a byte-order mark")
        << QByteArray("\xEF\xBB\xBF"
                      "CALLSIGN:AB1C-9\r\nCOMMENT TEXT:caf\xC3\xA9\r\n")
        << QStringList{"CALLSIGN:AB1C-9", QString::fromUtf8("COMMENT TEXT:caf\u00E9")};
    // A single-byte code page: every byte is the character of the same code.
    QTest::newRow("latin-1") << QByteArray("COMMENT TEXT:20\xB0 caf\xE9\r\n")
                             << QStringList{QString::fromUtf8("COMMENT TEXT:20\u00B0 caf\u00E9")};
    // As a Windows editor saves "Unicode" text.
    QTest::newRow("utf-16 little-endian") << QByteArray("\xFF\xFE"
                                                        "C\0A\0:\0\xE9\0\r\0\n\0B\0",
                                                        16)
                                          << QStringList{QString::fromUtf8("CA:\u00E9"), "B"};
    QTest::newRow("utf-16 big-endian") << QByteArray("\xFE\xFF"
                                                     "\0C\0A\0:\0\xE9\0\r\0\n\0B",
                                                     16)
                                       << QStringList{QString::fromUtf8("CA:\u00E9"), "B"};
    QTest::newRow("utf-16 mark on an odd length is latin-1")
        << QByteArray("\xFF\xFE"
                      "C\0A",
                      5)
        << QStringList{QString::fromLatin1("\xFF\xFE"
                                           "C\0A",
                                           5)};
    QTest::newRow("utf-8 cut short at the end")
        << QByteArray("ALIAS:3\r\xC8") << QStringList{"ALIAS:3", QString::fromUtf8("\u00C8")};
}

void TestSetupFileFormat::decode()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);
    QCOMPARE(SetupFileFormat::decode(content), lines);
}

QTEST_GUILESS_MAIN(TestSetupFileFormat)
#include "tst_setupfileformat.moc"
