#include "devicelink.h"
#include "virtualeventloop.h"

#include <QTest>

class TestDeviceLink : public QObject
{
    Q_OBJECT
private slots:
    void programTalksToDeviceThroughTheFakeLine();
    void answersToAClosedPortAreLost();
    void hangUpBreaksTheLine();
};

namespace {
DeviceOptions quick()
{
    DeviceOptions options;
    options.pacing = false;
    return options;
}
} // namespace

void TestDeviceLink::programTalksToDeviceThroughTheFakeLine()
{
    VirtualEventLoop loop;
    FakeSerialLine line(loop);
    line.openablePorts = {QStringLiteral("COM3")};
    DeviceLink link(loop, line); // default options: paced at 115200 baud
    QVERIFY(line.open(QStringLiteral("COM3"), LineSettings(), nullptr));

    int readyReads = 0;
    connect(&line, &SerialLine::readyRead, this, [&] { ++readyReads; });
    QVERIFY(line.write("\r\nAT+FREQ,145.0000#\r\n"));
    loop.advanceBy(100);
    QCOMPARE(line.readAll(), QByteArray("freq save\r\n"));
    QVERIFY(readyReads > 0);
    QCOMPARE(link.model().settings().frequency, QByteArray("145.0000"));
}

void TestDeviceLink::answersToAClosedPortAreLost()
{
    VirtualEventLoop loop;
    FakeSerialLine line(loop);
    line.openablePorts = {QStringLiteral("COM3")};
    DeviceLink link(loop, line, quick());
    QVERIFY(line.open(QStringLiteral("COM3"), LineSettings(), nullptr));
    QVERIFY(line.write("\r\nSETUP#\r\n"));
    line.close(); // before the reply delay is over
    loop.advanceBy(100);
    QVERIFY(line.open(QStringLiteral("COM3"), LineSettings(), nullptr));
    loop.advanceBy(100);
    QCOMPARE(line.readAll(), QByteArray());
    QCOMPARE(link.model().commandCount("SETUP"), 1);
}

void TestDeviceLink::hangUpBreaksTheLine()
{
    VirtualEventLoop loop;
    FakeSerialLine line(loop);
    line.openablePorts = {QStringLiteral("COM3")};
    DeviceOptions options = quick();
    options.faults.hangUpAfterBytes = 4;
    DeviceLink link(loop, line, options);
    QVERIFY(line.open(QStringLiteral("COM3"), LineSettings(), nullptr));
    QVERIFY(line.write("\r\nSETUP#\r\n"));
    loop.advanceBy(100);
    QVERIFY(!line.write("\r\nSETUP#\r\n"));
    QCOMPARE(line.readAll(), QByteArray());
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
