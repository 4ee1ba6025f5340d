// The image's pure pieces: block count and padding, header, checksum, progress share,
// counters with a sign place.

#include "firmware/firmwareimage.h"
#include "firmware/module1.h"

#include <QtTest>

class TestFirmwareImage : public QObject
{
    Q_OBJECT

private slots:
    void paddedToWholeBlocks_data();
    void paddedToWholeBlocks();
    void headerGivesTrueLength_data();
    void headerGivesTrueLength();
    void xorSumLeavesOutLastEntry_data();
    void xorSumLeavesOutLastEntry();
    void blockFrameCarriesItsChecksum();
    void progressRoundsHalfToEven_data();
    void progressRoundsHalfToEven();
    void counterHasSignPlace_data();
    void counterHasSignPlace();
};

static QByteArray patterned(int length)
{
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = char(i * 7 + 3); // no long runs of 0xFF that padding could hide in
    return bytes;
}

void TestFirmwareImage::paddedToWholeBlocks_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("blocks");
    QTest::newRow("empty file: one block of 0xFF") << 0 << 1;
    QTest::newRow("2047: one byte of padding") << 2047 << 1;
    QTest::newRow("4096: a whole extra block of 0xFF") << 4096 << 3;
    QTest::newRow("4999") << 4999 << 3;
    QTest::newRow("5000: 904 bytes, 1144 of padding") << 5000 << 3;
}

void TestFirmwareImage::paddedToWholeBlocks()
{
    QFETCH(int, length);
    QFETCH(int, blocks);
    const QByteArray file = patterned(length);
    QCOMPARE(FirmwareImage::blockCount(length), blocks);
    const QByteArray image = FirmwareImage::padded(file);
    QCOMPARE(image.size(), qsizetype(blocks) * 2048);
    QCOMPARE(image.left(length), file);
    QCOMPARE(image.mid(length), QByteArray(image.size() - length, char(0xFF)));
}

void TestFirmwareImage::headerGivesTrueLength_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("5000") << 5000 << QByteArray::fromHex("5E038802E5");
    QTest::newRow("4096") << 4096 << QByteArray::fromHex("5E000002E5");
    QTest::newRow("largest accepted")
        << FirmwareImage::maxFileLength << QByteArray::fromHex("5E07FFFFE5");
}

void TestFirmwareImage::headerGivesTrueLength()
{
    QFETCH(int, length);
    QFETCH(QByteArray, header);
    QCOMPARE(FirmwareImage::header(length).toHex(' '), header.toHex(' '));
}

void TestFirmwareImage::xorSumLeavesOutLastEntry_data()
{
    QTest::addColumn<QByteArray>("array");
    QTest::addColumn<int>("sum");
    QByteArray allFF(2049, char(0xFF));
    allFF[2048] = char(0x5A);
    QTest::newRow("2048 bytes of 0xFF") << allFF << 0x00;
    QByteArray oneBit(2049, '\0');
    oneBit[1000] = 0x01;
    QTest::newRow("zeros with one 0x01") << oneBit << 0x01;
    QByteArray lastOnly(2049, '\0');
    lastOnly[2048] = char(0x77);
    QTest::newRow("last entry not counted") << lastOnly << 0x00;
    QTest::newRow("mixed") << QByteArray::fromHex("0F3CA5FF") << (0x0F ^ 0x3C ^ 0xA5);
    QTest::newRow("one entry") << QByteArray::fromHex("AB") << 0x00;
    QTest::newRow("empty") << QByteArray() << 0x00;
}

void TestFirmwareImage::xorSumLeavesOutLastEntry()
{
    QFETCH(QByteArray, array);
    QFETCH(int, sum);
    QCOMPARE(int(Module1::XorSum(array)), sum);
}

void TestFirmwareImage::blockFrameCarriesItsChecksum()
{
    const QByteArray image = FirmwareImage::padded(patterned(5000));
    for (int k = 0; k < 3; ++k) {
        const QByteArray frame = FirmwareImage::blockFrame(image, k);
        QCOMPARE(frame.size(), 2049);
        QCOMPARE(frame.left(2048), image.mid(2048 * k, 2048));
        char sum = 0;
        for (int i = 0; i < 2048; ++i)
            sum ^= frame[i];
        QCOMPARE(frame[2048], sum);
    }
    // Past the end of the image (no image loaded at all) the block reads as padding.
    QCOMPARE(FirmwareImage::blockFrame(QByteArray(), 0),
             QByteArray(2048, char(0xFF)) + QByteArray(1, '\0'));
}

void TestFirmwareImage::progressRoundsHalfToEven_data()
{
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("percent");
    QTest::newRow("1 of 8: 12.5 down") << 1 << 8 << 12;
    QTest::newRow("3 of 8: 37.5 up") << 3 << 8 << 38;
    QTest::newRow("5 of 8: 62.5 down") << 5 << 8 << 62;
    QTest::newRow("7 of 8: 87.5 up") << 7 << 8 << 88;
    QTest::newRow("1 of 200: 0.5 to 0") << 1 << 200 << 0;
    QTest::newRow("3 of 200: 1.5 to 2") << 3 << 200 << 2;
    QTest::newRow("1 of 3: 33.3") << 1 << 3 << 33;
    QTest::newRow("2 of 3: 66.7") << 2 << 3 << 67;
    QTest::newRow("all sent") << 256 << 256 << 100;
}

void TestFirmwareImage::progressRoundsHalfToEven()
{
    QFETCH(int, sent);
    QFETCH(int, blocks);
    QFETCH(int, percent);
    QCOMPARE(FirmwareImage::progressPercent(sent, blocks), percent);
}

void TestFirmwareImage::counterHasSignPlace_data()
{
    QTest::addColumn<int>("counter");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << " 0";
    QTest::newRow("1") << 1 << " 1";
    QTest::newRow("10") << 10 << " 10";
    QTest::newRow("negative") << -3 << "-3";
}

void TestFirmwareImage::counterHasSignPlace()
{
    QFETCH(int, counter);
    QFETCH(QString, text);
    QCOMPARE(FirmwareImage::signPlaced(counter), text);
}

QTEST_GUILESS_MAIN(TestFirmwareImage)
#include "tst_firmwareimage.moc"
