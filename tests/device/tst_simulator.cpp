// The real ks936-sim on a real pseudo-terminal, driven through QSerialPort the way the
// program drives the device. These run in real time and take a few seconds.

#include "simulatorprocess.h"
#include "testbytes.h"
#include "testfiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kFactoryAnswer = "CALLSIGN:N0SIM-9\r\n"
                                  "PASS:12345\r\n"
                                  "DHCP:0#\r\n"
                                  "IP:192,168,1,99\r\n"
                                  "MASK:255,255,255,0\r\n"
                                  "GATE:192,168,1,1\r\n"
                                  "DNS:192,168,1,1\r\n"
                                  "POSITION:4807.38N/01131.00E\r\n"
                                  "COMMENT TEXT:KS936 simulator\r\n"
                                  "SERVER:aprs.example.net\r\n"
                                  "SENT TIME:600\r\n"
                                  "FILTER:m/50\r\n"
                                  "VER:KS936 SIM 1.0\r\n"
                                  "FREQ:144.6400\r\n"
                                  "BACKLIGHT:30\r\n"
                                  "UNIT:1\r\n"
                                  "DIGI:0\r\n"
                                  "MOD:3\r\n"
                                  "PATH:1\r\n"
                                  "ALIAS:3\r\n"
                                  "READ END\r\n";

const QByteArray kProbe = QByteArray::fromHex("5F0000F5");

bool openPort(QSerialPort &port, const QString &path)
{
    port.setPortName(path);
    port.setBaudRate(115200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    return port.open(QIODevice::ReadWrite);
}

void send(QSerialPort &port, const QByteArray &bytes)
{
    port.write(bytes);
    port.waitForBytesWritten(1000);
}

// Reads until the bytes end with the given tail, or the time is up.
QByteArray readUntil(QSerialPort &port, const QByteArray &tail, int timeoutMs = 2000)
{
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    while (!data.endsWith(tail) && timer.elapsed() < timeoutMs) {
        port.waitForReadyRead(50);
        data += port.readAll();
    }
    return data;
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT
private slots:
    void readWriteAndFirmwareUpdate();
    void settingsSurviveARestart();
    void hangUpFaultClosesThePseudoTerminal();
};

void TestSimulator::readWriteAndFirmwareUpdate()
{
    QTemporaryDir dir;
    SimulatorProcess sim(dir);
    const QString link = sim.path("ks936");
    QVERIFY(sim.start({"--link", link}));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.ptyPath());

    QSerialPort port;
    QVERIFY2(openPort(port, link), qPrintable(port.errorString()));
    send(port, "\r\nSETUP#\r\n");
    QCOMPARE(readUntil(port, "\n"), QByteArray("CONNECT\r\n"));
    send(port, "AT+READ#\r\n");
    QCOMPARE(readUntil(port, "READ END\r\n"), kFactoryAnswer);
    send(port, "AT+CALL,AB1C  -7#\r\nAT+COMMENT,a, b #c#\r\n\r\nAT+FREQ,145.1000#\r\n");
    QCOMPARE(readUntil(port, "\n"), QByteArray("freq save\r\n"));

    // The program closes the port after each operation; the simulator notices.
    port.close();
    QTRY_COMPARE_WITH_TIMEOUT(sim.logCount("port closed"), 1, 2000);
    QVERIFY(openPort(port, link));
    send(port, "REBOOT#\r\n");
    port.close();
    QVERIFY(openPort(port, sim.ptyPath()));
    QTRY_COMPARE_WITH_TIMEOUT(sim.logCount("port opened"), 3, 2000);

    // Probe until the loader answers, as the program does once a second.
    QByteArray reply;
    for (int attempt = 0; attempt < 20 && reply.isEmpty(); ++attempt) {
        send(port, kProbe);
        reply = readUntil(port, QByteArray::fromHex("E5"), 250);
    }
    QCOMPARE(reply, QByteArray::fromHex("E5"));

    const QByteArray image = randomBytes(5000, 2024);
    send(port, QByteArray::fromHex("5E038802E5"));
    QCOMPARE(readUntil(port, QByteArray::fromHex("C5")), QByteArray::fromHex("C5"));
    send(port, loaderBlockFrame(image, 0));
    QCOMPARE(readUntil(port, QByteArray::fromHex("C5")), QByteArray::fromHex("C5"));
    send(port, loaderBlockFrame(image, 1));
    QCOMPARE(readUntil(port, QByteArray::fromHex("C5")), QByteArray::fromHex("C5"));
    send(port, loaderBlockFrame(image, 2));
    port.close(); // at once, without awaiting the last reply

    QTRY_COMPARE_WITH_TIMEOUT(readFile(sim.path("image.bin")), image, 3000);
    // The loader's reply to the last block finds the port closed.
    QTRY_COMPARE_WITH_TIMEOUT(sim.logCount("port closed, lost: C5"), 1, 2000);
    QVERIFY(openPort(port, link));
    send(port, "\r\nSETUP#\r\n");
    QCOMPARE(readUntil(port, "\n"), QByteArray("CONNECT\r\n")); // text mode again, no stale C5
    send(port, "AT+READ#\r\n");
    const QByteArray answer = readUntil(port, "READ END\r\n");
    QVERIFY(answer.startsWith("CALLSIGN:AB1C  -7\r\n"));
    QVERIFY(answer.contains("\r\nCOMMENT TEXT:a, b #c\r\n"));
    QVERIFY(answer.contains("\r\nFREQ:145.1000\r\n"));
    port.close();

    sim.process().terminate();
    QVERIFY(sim.process().waitForFinished(3000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimulator::settingsSurviveARestart()
{
    QTemporaryDir dir;
    const QString settings = dir.filePath("device.txt");
    {
        SimulatorProcess sim(dir);
        QVERIFY(sim.start({"--settings", settings}));
        QSerialPort port;
        QVERIFY(openPort(port, sim.ptyPath()));
        send(port, "AT+PASS,24680#\r\nAT+WIFI,lab,pw#\r\n");
        QCOMPARE(readUntil(port, "\n"), QByteArray("WIFI Write success\r\n"));
    }
    SimulatorProcess sim(dir);
    QVERIFY(sim.start({"--settings", settings}));
    QSerialPort port;
    QVERIFY(openPort(port, sim.ptyPath()));
    send(port, "AT+READ#\r\n");
    QByteArray expected = kFactoryAnswer;
    expected.replace("PASS:12345", "PASS:24680");
    QCOMPARE(readUntil(port, "READ END\r\n"), expected);
    QVERIFY(readFile(settings).contains("\nwifiname=lab\n"));
}

void TestSimulator::hangUpFaultClosesThePseudoTerminal()
{
    QTemporaryDir dir;
    SimulatorProcess sim(dir);
    QVERIFY(sim.start({"--hang-up-after-bytes", "10"}));
    QSerialPort port;
    QVERIFY(openPort(port, sim.ptyPath()));
    send(port, "\r\nSETUP#\r\n");
    QVERIFY(sim.process().waitForFinished(3000));
    QCOMPARE(sim.process().exitCode(), 3);
    QCOMPARE(readUntil(port, "\n", 300), QByteArray());
    // The program's end of the line fails (a read error on this system) and the
    // pseudo-terminal is gone.
    QVERIFY2(port.error() == QSerialPort::ReadError || port.error() == QSerialPort::ResourceError,
             qPrintable(port.errorString()));
    QVERIFY(!QFileInfo::exists(sim.ptyPath()));
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
