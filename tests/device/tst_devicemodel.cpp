#include "devicemodel.h"
#include "testbytes.h"
#include "virtualeventloop.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// The answer of a device with factory settings to "AT+READ#", written out by hand.
const QList<QByteArray> kFactoryAnswer = {
    "CALLSIGN:N0SIM-9",
    "PASS:12345",
    "DHCP:0#",
    "IP:192,168,1,99",
    "MASK:255,255,255,0",
    "GATE:192,168,1,1",
    "DNS:192,168,1,1",
    "POSITION:4807.38N/01131.00E",
    "COMMENT TEXT:KS936 simulator",
    "SERVER:aprs.example.net",
    "SENT TIME:600",
    "FILTER:m/50",
    "VER:KS936 SIM 1.0",
    "FREQ:144.6400",
    "BACKLIGHT:30",
    "UNIT:1",
    "DIGI:0",
    "MOD:3",
    "PATH:1",
    "ALIAS:3",
    "READ END",
};

QByteArray lines(const QList<QByteArray> &list)
{
    QByteArray bytes;
    for (const QByteArray &line : list)
        bytes += line + "\r\n";
    return bytes;
}

const QByteArray kProbe = QByteArray::fromHex("5F0000F5");
const QByteArray kReady = QByteArray::fromHex("E5");
const QByteArray kNext = QByteArray::fromHex("C5");
const QByteArray kAgain = QByteArray::fromHex("55");

QByteArray header(int length)
{
    const int rest = length % 2048;
    QByteArray bytes = QByteArray::fromHex("5E");
    bytes += char(rest / 256);
    bytes += char(rest % 256);
    bytes += char(length / 2048);
    bytes += char(0xE5);
    return bytes;
}

int blockCount(const QByteArray &image)
{
    return image.size() / 2048 + 1;
}

DeviceOptions unpaced()
{
    DeviceOptions options;
    options.pacing = false;
    return options;
}

// A device on the virtual clock with everything it sends recorded.
class Device
{
public:
    explicit Device(DeviceOptions options = unpaced()) : model(loop, std::move(options))
    {
        QObject::connect(&model, &DeviceModel::transmit, &model, [this](const QByteArray &b) {
            sent.append({loop.nowMs(), b});
            output += b;
        });
    }

    // Sends bytes, lets the clock run, returns what came back meanwhile.
    QByteArray exchange(const QByteArray &bytes, int runMs = 200)
    {
        output.clear();
        model.receive(bytes);
        loop.advanceBy(runMs);
        return std::exchange(output, QByteArray());
    }
    QByteArray command(const QByteArray &line, int runMs = 200)
    {
        return exchange("\r\n" + line + "\r\n", runMs);
    }
    QList<QByteArray> readAnswer()
    {
        QList<QByteArray> answer = command("AT+READ#").split('\n');
        for (QByteArray &line : answer)
            line.chop(1);    // CR
        answer.removeLast(); // after the final LF
        return answer;
    }
    // REBOOT#, then past the boot time into the loader.
    void bootIntoLoader()
    {
        command("REBOOT#", 0);
        loop.advanceBy(2000);
    }
    // Probe, header and every block, each answered as expected; false at the first
    // wrong answer.
    bool transfer(const QByteArray &image)
    {
        if (exchange(kProbe) != kReady || exchange(header(image.size())) != kNext)
            return false;
        for (int k = 0; k < blockCount(image); ++k) {
            if (exchange(loaderBlockFrame(image, k)) != kNext)
                return false;
        }
        return true;
    }

    VirtualEventLoop loop;
    DeviceModel model;
    QVector<QPair<qint64, QByteArray>> sent;
    QByteArray output;
};

} // namespace

class TestDeviceModel : public QObject
{
    Q_OBJECT
private slots:
    void textAnswers_data();
    void textAnswers();
    void answersAfterReplyDelay();
    void settingsCommandChangesItsLine_data();
    void settingsCommandChangesItsLine();
    void callsignSplitsAtLastDash_data();
    void callsignSplitsAtLastDash();
    void wifiCredentials_data();
    void wifiCredentials();
    void resetRestoresFactorySettings();
    void settingsText();

    void imageOfTrueLength_data();
    void imageOfTrueLength();
    void newFirmwareStartsAfterTransfer();
    void badChecksumIsRefused();
    void bootAndLoaderWindow();
    void headerMidTransferRestarts();
    void probeMidTransferStartsOver();
    void blockStartingLikeAHeaderIsABlock();

    void ignoredCommands_data();
    void ignoredCommands();
    void onlyKnownCommandsAreCounted();
    void answerAfterTries_data();
    void answerAfterTries();
    void strayByteBeforeLoaderReplies();
    void refuseBlockOnce();
    void spoiltFrameAfterRefusalIsAskedAgain();
    void stallAfterBlocks_data();
    void stallAfterBlocks();
    void hangUpAfterBytes_data();
    void hangUpAfterBytes();
    void hangUpAfterBlocks();
    void hangUpAfterLines();
    void periodicGarbage();
    void garbageBurstBeforeFirstAnswer();

    void pacingHoldsTheLineRate();
    void pacingDelaysReactionToLastByte();
};

void TestDeviceModel::textAnswers_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("setup") << QByteArray("\r\nSETUP#\r\n") << QByteArray("CONNECT\r\n");
    QTest::newRow("setup, CR only") << QByteArray("SETUP#\r") << QByteArray("CONNECT\r\n");
    QTest::newRow("setup, LF only") << QByteArray("SETUP#\n") << QByteArray("CONNECT\r\n");
    QTest::newRow("read") << QByteArray("AT+READ#\r\n") << lines(kFactoryAnswer);
    QTest::newRow("freq") << QByteArray("\r\nAT+FREQ,144.8000#\r\n") << QByteArray("freq save\r\n");
    QTest::newRow("wifi") << QByteArray("AT+WIFI,a,b#\r\n") << QByteArray("WIFI Write success\r\n");
    QTest::newRow("reset") << QByteArray("AT+RESET#\r\n") << QByteArray("eeram reset\r\n");
    QTest::newRow("two commands in one write")
        << QByteArray("SETUP#\r\nAT+FREQ,1#\r\n") << QByteArray("CONNECT\r\nfreq save\r\n");
    QTest::newRow("settings command unanswered") << QByteArray("AT+PASS,1#\r\n") << QByteArray();
    QTest::newRow("lower case") << QByteArray("setup#\r\n") << QByteArray();
    QTest::newRow("leading space") << QByteArray(" SETUP#\r\n") << QByteArray();
    QTest::newRow("without #") << QByteArray("SETUP\r\n") << QByteArray();
    QTest::newRow("no line end yet") << QByteArray("SETUP#") << QByteArray();
    QTest::newRow("unknown") << QByteArray("AT+HELLO,1#\r\n") << QByteArray();
    QTest::newRow("value command without value") << QByteArray("AT+FREQ#\r\n") << QByteArray();
}

void TestDeviceModel::textAnswers()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, answer);
    Device device;
    QCOMPARE(device.exchange(input), answer);
}

void TestDeviceModel::answersAfterReplyDelay()
{
    DeviceOptions options = unpaced();
    options.replyDelayMs = 25;
    Device device(options);
    device.loop.advanceTo(1000);
    device.command("SETUP#");
    QCOMPARE(device.sent.size(), 1);
    QCOMPARE(device.sent[0].first, 1025);
    QCOMPARE(device.sent[0].second, QByteArray("CONNECT\r\n"));
}

void TestDeviceModel::settingsCommandChangesItsLine_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("call") << QByteArray("AT+CALL,AB1C  -10#") << 0
                          << QByteArray("CALLSIGN:AB1C  -10");
    QTest::newRow("pass") << QByteArray("AT+PASS,54321#") << 1 << QByteArray("PASS:54321");
    QTest::newRow("empty pass") << QByteArray("AT+PASS,#") << 1 << QByteArray("PASS:");
    QTest::newRow("dhcp") << QByteArray("AT+DHCP,1#") << 2 << QByteArray("DHCP:1#");
    QTest::newRow("ip") << QByteArray("AT+IP,10,0,0,7#") << 3 << QByteArray("IP:10,0,0,7");
    QTest::newRow("sub") << QByteArray("AT+SUB,255,255,0,0#") << 4
                         << QByteArray("MASK:255,255,0,0");
    QTest::newRow("gw") << QByteArray("AT+GW,10,0,0,1#") << 5 << QByteArray("GATE:10,0,0,1");
    QTest::newRow("dns") << QByteArray("AT+DNS,9,9,9,9#") << 6 << QByteArray("DNS:9,9,9,9");
    QTest::newRow("posi") << QByteArray("AT+POSI,5130.00N/00007.00W#") << 7
                          << QByteArray("POSITION:5130.00N/00007.00W");
    QTest::newRow("comment with , and #")
        << QByteArray("AT+COMMENT,hi, there #1#") << 8 << QByteArray("COMMENT TEXT:hi, there #1");
    QTest::newRow("server") << QByteArray("AT+SERVER,euro.example.org:14580#") << 9
                            << QByteArray("SERVER:euro.example.org:14580");
    QTest::newRow("time") << QByteArray("AT+TIME,300#") << 10 << QByteArray("SENT TIME:300");
    QTest::newRow("filter with , and #")
        << QByteArray("AT+FILTER,r/48/11/50,#x#") << 11 << QByteArray("FILTER:r/48/11/50,#x");
    QTest::newRow("freq") << QByteArray("AT+FREQ,144.8000#") << 13 << QByteArray("FREQ:144.8000");
    QTest::newRow("backlight") << QByteArray("AT+BACKLIGHT,00#") << 14
                               << QByteArray("BACKLIGHT:00");
    QTest::newRow("unit") << QByteArray("AT+UNIT,3#") << 15 << QByteArray("UNIT:3");
    QTest::newRow("digi") << QByteArray("AT+DIGI,1#") << 16 << QByteArray("DIGI:1");
    QTest::newRow("mod") << QByteArray("AT+MOD,5#") << 17 << QByteArray("MOD:5");
    QTest::newRow("path") << QByteArray("AT+PATH,2#") << 18 << QByteArray("PATH:2");
    QTest::newRow("alias") << QByteArray("AT+ALIAS,1#") << 19 << QByteArray("ALIAS:1");
}

void TestDeviceModel::settingsCommandChangesItsLine()
{
    QFETCH(QByteArray, command);
    QFETCH(int, index);
    QFETCH(QByteArray, line);

    Device device;
    QSignalSpy changed(&device.model, &DeviceModel::settingsChanged);
    device.command(command);
    QCOMPARE(changed.count(), 1);
    QList<QByteArray> expected = kFactoryAnswer;
    expected[index] = line;
    QCOMPARE(device.readAnswer(), expected);
    QCOMPARE(device.model.commandCount(command), 1);
}

void TestDeviceModel::callsignSplitsAtLastDash_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("callsign");
    QTest::addColumn<QByteArray>("ssid");

    QTest::newRow("fill spaces kept")
        << QByteArray("AB1C  -9") << QByteArray("AB1C  ") << QByteArray("9");
    QTest::newRow("dash in callsign")
        << QByteArray("AB-1C -15") << QByteArray("AB-1C ") << QByteArray("15");
    QTest::newRow("empty callsign")
        << QByteArray("      -0") << QByteArray("      ") << QByteArray("0");
    QTest::newRow("no dash") << QByteArray("NODASH") << QByteArray("NODASH") << QByteArray();
}

void TestDeviceModel::callsignSplitsAtLastDash()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, callsign);
    QFETCH(QByteArray, ssid);
    Device device;
    device.command("AT+CALL," + value + '#');
    QCOMPARE(device.model.settings().callsign, callsign);
    QCOMPARE(device.model.settings().ssid, ssid);
}

void TestDeviceModel::wifiCredentials_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("password");

    QTest::newRow("plain") << QByteArray("home,secret") << QByteArray("home")
                           << QByteArray("secret");
    QTest::newRow("both empty") << QByteArray(",") << QByteArray() << QByteArray();
    QTest::newRow("password with , and #")
        << QByteArray("my,net,pa#ss") << QByteArray("my") << QByteArray("net,pa#ss");
    QTest::newRow("no comma") << QByteArray("solo") << QByteArray("solo") << QByteArray();
}

void TestDeviceModel::wifiCredentials()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, password);
    Device device;
    QCOMPARE(device.command("AT+WIFI," + value + '#'), QByteArray("WIFI Write success\r\n"));
    QCOMPARE(device.model.settings().wifiName, name);
    QCOMPARE(device.model.settings().wifiPassword, password);
}

void TestDeviceModel::resetRestoresFactorySettings()
{
    DeviceOptions options = unpaced();
    options.settings.passcode = "999";
    options.settings.version = "KS936 SIM 2.5";
    Device device(options);
    device.command("AT+WIFI,other,net#");
    QCOMPARE(device.readAnswer()[1], QByteArray("PASS:999"));

    QSignalSpy changed(&device.model, &DeviceModel::settingsChanged);
    QCOMPARE(device.command("AT+RESET#"), QByteArray("eeram reset\r\n"));
    QCOMPARE(changed.count(), 1);
    DeviceSettings expected = DeviceSettings::factory();
    expected.version = "KS936 SIM 2.5"; // the firmware stays what it is
    QVERIFY(device.model.settings() == expected);
    QCOMPARE(device.model.settings().wifiName, QByteArray("simnet"));
}

void TestDeviceModel::settingsText()
{
    DeviceSettings settings = DeviceSettings::factory();
    settings.callsign = " AB1C ";
    settings.comment = "a=b, #c ";
    settings.wifiPassword = "";
    QVERIFY(DeviceSettings::fromText(settings.toText()) == settings);

    const DeviceSettings partial =
        DeviceSettings::fromText("passcode=7\r\nno equals sign\nbogus=1\n filter = x\n");
    DeviceSettings expected = DeviceSettings::factory();
    expected.passcode = "7";
    expected.filter = " x"; // the key is trimmed, the value never
    QVERIFY(partial == expected);
}

void TestDeviceModel::imageOfTrueLength_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("5000: three blocks, last one partly padded") << 5000;
    QTest::newRow("4096: an extra block of padding") << 4096;
    QTest::newRow("2047: one block") << 2047;
    QTest::newRow("0: one block of padding") << 0;
}

void TestDeviceModel::imageOfTrueLength()
{
    QFETCH(int, length);
    const QByteArray image = randomBytes(length, 42);
    Device device;
    QSignalSpy received(&device.model, &DeviceModel::imageReceived);
    device.bootIntoLoader();
    QVERIFY(device.transfer(image));
    QCOMPARE(received.count(), 1);
    QCOMPARE(received[0][0].toByteArray(), image);
    QCOMPARE(device.model.receivedImage(), image);
    QCOMPARE(device.model.commandCount("block"), blockCount(image));
    // Back in text mode at once.
    QCOMPARE(device.command("SETUP#"), QByteArray("CONNECT\r\n"));
}

void TestDeviceModel::newFirmwareStartsAfterTransfer()
{
    // The new firmware is deaf while it starts, then answers with the settings it had.
    DeviceOptions options = unpaced();
    options.startTimeMs = 2000;
    const QByteArray image = randomBytes(5000, 11);
    Device device(options);
    QCOMPARE(device.command("AT+PASS,777#"), QByteArray());
    device.bootIntoLoader();
    QVERIFY(device.transfer(image));
    const qint64 lastBlockAt = device.loop.nowMs() - 200; // the exchange ran on for 200 ms
    QCOMPARE(device.model.mode(), DeviceModel::Mode::Booting);
    QCOMPARE(device.command("SETUP#"), QByteArray());
    device.loop.advanceTo(lastBlockAt + 1950);
    QCOMPARE(device.model.mode(), DeviceModel::Mode::Booting);
    device.loop.advanceTo(lastBlockAt + 2050);
    QCOMPARE(device.model.mode(), DeviceModel::Mode::Text);
    QCOMPARE(device.command("SETUP#"), QByteArray("CONNECT\r\n"));
    QCOMPARE(device.readAnswer()[1], QByteArray("PASS:777"));
}

void TestDeviceModel::badChecksumIsRefused()
{
    // A spoilt frame that answers a 0x55 is asked for again: the host's counter still
    // points at it. One that the host has already counted past cannot come again, so
    // the loader abandons the transfer rather than write a wrong image.
    const QByteArray image = randomBytes(5000, 7);
    Device device(unpaced());
    QSignalSpy written(&device.model, &DeviceModel::imageReceived);
    device.bootIntoLoader();
    QCOMPARE(device.exchange(kProbe), kReady);
    QCOMPARE(device.exchange(header(image.size())), kNext);

    const qint64 start = device.loop.nowMs();
    QCOMPARE(device.exchange(loaderBlockFrame(image, 0)), kNext);
    QCOMPARE(device.sent.last().first, start + 30); // flash time of the block

    QByteArray spoilt = loaderBlockFrame(image, 1);
    spoilt[2048] = char(spoilt[2048] ^ 0x01);
    QCOMPARE(device.exchange(spoilt), QByteArray());
    QCOMPARE(device.model.blocksAccepted(), 1);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 2)), QByteArray());
    QCOMPARE(written.count(), 0);
}

void TestDeviceModel::spoiltFrameAfterRefusalIsAskedAgain()
{
    DeviceOptions options = unpaced();
    options.faults.refuseBlock = 1;
    const QByteArray image = randomBytes(5000, 9);
    Device device(options);
    device.bootIntoLoader();
    QCOMPARE(device.exchange(kProbe), kReady);
    QCOMPARE(device.exchange(header(image.size())), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 0)), kAgain); // the host stays at block 1
    QByteArray spoilt = loaderBlockFrame(image, 1);
    spoilt[5] = char(spoilt[5] ^ 0x40);
    QCOMPARE(device.exchange(spoilt), kAgain);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 1)), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 1)),
             kNext); // sent again on 0xC5, then advanced
    QCOMPARE(device.exchange(loaderBlockFrame(image, 2)), kNext);
    QCOMPARE(device.model.receivedImage(), image);
}

void TestDeviceModel::bootAndLoaderWindow()
{
    Device device; // boot 1500 ms, loader window 8000 ms
    device.command("REBOOT#", 0);
    QCOMPARE(device.model.mode(), DeviceModel::Mode::Booting);
    device.loop.advanceTo(1000);
    QCOMPARE(device.command("SETUP#", 100), QByteArray());
    QCOMPARE(device.exchange(kProbe, 100), QByteArray());

    device.loop.advanceTo(1600);
    QCOMPARE(device.model.mode(), DeviceModel::Mode::Loader);
    QCOMPARE(device.command("SETUP#", 100), QByteArray());      // the loader knows no text
    QCOMPARE(device.exchange(header(5000), 100), QByteArray()); // no header before a probe
    QCOMPARE(device.model.commandCount("probe"), 0);            // the one during boot went unheard

    device.loop.advanceTo(9400); // still inside the window that opened at 1500
    QCOMPARE(device.model.mode(), DeviceModel::Mode::Loader);
    device.loop.advanceTo(9600);
    QCOMPARE(device.model.mode(), DeviceModel::Mode::Text);
    QCOMPARE(device.command("SETUP#"), QByteArray("CONNECT\r\n"));
}

void TestDeviceModel::headerMidTransferRestarts()
{
    const QByteArray first = randomBytes(9000, 1);
    const QByteArray second = randomBytes(3000, 2);
    Device device;
    device.bootIntoLoader();
    QCOMPARE(device.exchange(kProbe), kReady);
    QCOMPARE(device.exchange(header(first.size())), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(first, 0)), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(first, 1)), kNext);

    QCOMPARE(device.exchange(header(second.size())), kNext);
    QCOMPARE(device.model.blocksAccepted(), 0);
    QCOMPARE(device.exchange(loaderBlockFrame(second, 0)), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(second, 1)), kNext);
    QCOMPARE(device.model.receivedImage(), second);
}

void TestDeviceModel::probeMidTransferStartsOver()
{
    const QByteArray image = randomBytes(3000, 8);
    Device device;
    device.bootIntoLoader();
    QCOMPARE(device.exchange(kProbe), kReady);
    QCOMPARE(device.exchange(header(image.size())), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 0)), kNext);
    QCOMPARE(device.exchange(kProbe), kReady);
    QCOMPARE(device.exchange(header(image.size())), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 0)), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 1)), kNext);
    QCOMPARE(device.model.receivedImage(), image);
}

void TestDeviceModel::blockStartingLikeAHeaderIsABlock()
{
    QByteArray image = randomBytes(3000, 9);
    image.replace(0, 5, header(2048 + 16));
    const QByteArray frame = loaderBlockFrame(image, 0);
    Device device;
    device.bootIntoLoader();
    QCOMPARE(device.exchange(kProbe), kReady);
    QCOMPARE(device.exchange(header(image.size())), kNext);
    // The frame comes in two writes, the first exactly a header long.
    QCOMPARE(device.exchange(frame.left(5), 10), QByteArray());
    QCOMPARE(device.exchange(frame.mid(5)), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 1)), kNext);
    QCOMPARE(device.model.receivedImage(), image);
}

void TestDeviceModel::ignoredCommands_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("SETUP#") << QByteArray("SETUP#") << QByteArray("\r\nSETUP#\r\n");
    QTest::newRow("SETUP without #") << QByteArray("SETUP") << QByteArray("\r\nSETUP#\r\n");
    QTest::newRow("AT+READ#") << QByteArray("AT+READ#") << QByteArray("AT+READ#\r\n");
    QTest::newRow("AT+FREQ") << QByteArray("AT+FREQ") << QByteArray("AT+FREQ,145.0000#\r\n");
    QTest::newRow("AT+WIFI,") << QByteArray("AT+WIFI,") << QByteArray("AT+WIFI,x,y#\r\n");
    QTest::newRow("probe") << QByteArray("probe") << kProbe;
}

void TestDeviceModel::ignoredCommands()
{
    QFETCH(QByteArray, fault);
    QFETCH(QByteArray, command);
    DeviceOptions options = unpaced();
    options.faults.ignored = {fault};
    Device device(options);
    if (command == kProbe)
        device.bootIntoLoader();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(device.exchange(command), QByteArray());
    QCOMPARE(device.model.commandCount(fault), 3);
    QVERIFY(device.model.settings() == DeviceSettings::factory()); // not acted on either
    // Other commands are still heard.
    if (command != kProbe)
        QCOMPARE(device.command("AT+RESET#"), QByteArray("eeram reset\r\n"));
}

// A host sending endless distinct lines must not grow the device's memory: only its own
// commands and those a fault names are counted.
void TestDeviceModel::onlyKnownCommandsAreCounted()
{
    DeviceOptions options = unpaced();
    options.faults.ignored = {"AT+HELLO"};
    Device device(options);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(device.command("LINE" + QByteArray::number(i) + "#"), QByteArray());
        QCOMPARE(device.command("AT+HELLO,1#"), QByteArray());
        QCOMPARE(device.command("SETUP#"), QByteArray("CONNECT\r\n"));
    }
    QCOMPARE(device.model.commandCount("LINE0"), 0);
    QCOMPARE(device.model.commandCount("AT+HELLO"), 3);
    QCOMPARE(device.model.commandCount("SETUP"), 3);
}

void TestDeviceModel::answerAfterTries_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<int>("firstHeard");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("SETUP# from the 3rd")
        << QByteArray("SETUP#") << 3 << QByteArray("\r\nSETUP#\r\n") << QByteArray("CONNECT\r\n");
    QTest::newRow("SETUP# from the 1st")
        << QByteArray("SETUP#") << 1 << QByteArray("\r\nSETUP#\r\n") << QByteArray("CONNECT\r\n");
    QTest::newRow("probe from the 9th") << QByteArray("probe") << 9 << kProbe << kReady;
}

void TestDeviceModel::answerAfterTries()
{
    QFETCH(QByteArray, fault);
    QFETCH(int, firstHeard);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    DeviceOptions options = unpaced();
    options.faults.answerFrom.insert(fault, firstHeard);
    Device device(options);
    if (command == kProbe)
        device.bootIntoLoader();
    for (int attempt = 1; attempt <= firstHeard + 1; ++attempt)
        QCOMPARE(device.exchange(command), attempt >= firstHeard ? answer : QByteArray());
}

void TestDeviceModel::strayByteBeforeLoaderReplies()
{
    DeviceOptions options = unpaced();
    options.faults.strayByte = true;
    options.faults.refuseBlock = 1;
    const QByteArray image = randomBytes(2100, 3);
    Device device(options);
    device.bootIntoLoader();
    QCOMPARE(device.exchange(kProbe), QByteArray::fromHex("00E5"));
    QCOMPARE(device.exchange(header(image.size())), QByteArray::fromHex("00C5"));
    QCOMPARE(device.exchange(loaderBlockFrame(image, 0)), QByteArray::fromHex("0055"));
    QCOMPARE(device.exchange(loaderBlockFrame(image, 1)), QByteArray::fromHex("00C5"));
    QCOMPARE(device.exchange(loaderBlockFrame(image, 1)), QByteArray::fromHex("00C5"));
    QCOMPARE(device.model.receivedImage(), image);
    // Text answers stay clean.
    QCOMPARE(device.command("SETUP#"), QByteArray("CONNECT\r\n"));
}

void TestDeviceModel::refuseBlockOnce()
{
    DeviceOptions options = unpaced();
    options.faults.refuseBlock = 2;
    const QByteArray image = randomBytes(5000, 4);
    Device device(options);
    device.bootIntoLoader();
    QCOMPARE(device.exchange(kProbe), kReady);
    QCOMPARE(device.exchange(header(image.size())), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 0)), kNext);
    // Block 2 is kept but refused: the host sends the block at its counter (3) and stays,
    // then sends it once more on 0xC5 and moves on.
    QCOMPARE(device.exchange(loaderBlockFrame(image, 1)), kAgain);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 2)), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 2)), kNext);
    QCOMPARE(device.model.receivedImage(), image);
}

void TestDeviceModel::stallAfterBlocks_data()
{
    QTest::addColumn<int>("blocks");
    QTest::newRow("after the header") << 0;
    QTest::newRow("after one block") << 1;
    QTest::newRow("before the last block") << 2;
}

void TestDeviceModel::stallAfterBlocks()
{
    QFETCH(int, blocks);
    DeviceOptions options = unpaced();
    options.faults.stallAfterBlocks = blocks;
    const QByteArray image = randomBytes(5000, 5);
    Device device(options);
    QSignalSpy received(&device.model, &DeviceModel::imageReceived);
    device.bootIntoLoader();
    QCOMPARE(device.exchange(kProbe), kReady);
    QCOMPARE(device.exchange(header(image.size())), kNext);
    for (int k = 0; k < blocks; ++k)
        QCOMPARE(device.exchange(loaderBlockFrame(image, k)), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(image, blocks)), QByteArray());
    // Silent from then on, whatever comes.
    QCOMPARE(device.exchange(loaderBlockFrame(image, blocks)), QByteArray());
    QCOMPARE(device.exchange(kProbe), QByteArray());
    QCOMPARE(received.count(), 0);
    // A loader window after the last frame the device is back in text mode.
    device.loop.advanceBy(8000);
    QCOMPARE(device.command("SETUP#"), QByteArray("CONNECT\r\n"));
}

void TestDeviceModel::hangUpAfterBytes_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("inside the command") << 5;
    QTest::newRow("on its last byte") << 10;
}

void TestDeviceModel::hangUpAfterBytes()
{
    QFETCH(int, limit);
    DeviceOptions options = unpaced();
    options.faults.hangUpAfterBytes = limit;
    Device device(options);
    QSignalSpy hungUp(&device.model, &DeviceModel::hangUp);
    QCOMPARE(device.exchange("\r\nSETUP#"), QByteArray()); // 8 bytes
    QCOMPARE(hungUp.count(), limit <= 8 ? 1 : 0);
    QCOMPARE(device.exchange("\r\n"), QByteArray()); // 10 bytes
    QCOMPARE(hungUp.count(), 1);
    QCOMPARE(device.model.mode(), DeviceModel::Mode::HungUp);
    QCOMPARE(device.command("SETUP#"), QByteArray());
    QCOMPARE(hungUp.count(), 1);
}

void TestDeviceModel::hangUpAfterBlocks()
{
    DeviceOptions options = unpaced();
    options.faults.hangUpAfterBlocks = 2;
    const QByteArray image = randomBytes(5000, 6);
    Device device(options);
    QSignalSpy hungUp(&device.model, &DeviceModel::hangUp);
    device.bootIntoLoader();
    QCOMPARE(device.exchange(kProbe), kReady);
    QCOMPARE(device.exchange(header(image.size())), kNext);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 0)), kNext);
    QCOMPARE(hungUp.count(), 0);
    QCOMPARE(device.exchange(loaderBlockFrame(image, 1)), QByteArray());
    QCOMPARE(hungUp.count(), 1);
    QCOMPARE(device.model.mode(), DeviceModel::Mode::HungUp);
}

void TestDeviceModel::hangUpAfterLines()
{
    // Empty lines do not count; the last line is acted on but never answered.
    DeviceOptions options = unpaced();
    options.faults.hangUpAfterLines = 2;
    Device device(options);
    QSignalSpy hungUp(&device.model, &DeviceModel::hangUp);
    QCOMPARE(device.exchange("\r\nSETUP#\r\n"), QByteArray("CONNECT\r\n"));
    QCOMPARE(device.exchange("AT+CALL,AB1C  -7#\r\nAT+READ#\r\n"), QByteArray());
    QCOMPARE(hungUp.count(), 1);
    QCOMPARE(device.model.settings().callsign, QByteArray("AB1C  "));
    QCOMPARE(device.model.commandCount("AT+READ"), 0);
}

void TestDeviceModel::periodicGarbage()
{
    DeviceOptions options = unpaced();
    options.faults.garbageEveryMs = 100;
    options.faults.garbageLength = 8;
    options.faults.garbageSeed = 7;
    Device device(options);
    device.loop.advanceTo(1050);
    QCOMPARE(device.sent.size(), 10);
    for (int i = 0; i < device.sent.size(); ++i) {
        QCOMPARE(device.sent[i].first, 100 * (i + 1));
        QCOMPARE(device.sent[i].second.size(), 8);
    }

    Device sameSeed(options);
    sameSeed.loop.advanceTo(1050);
    QCOMPARE(sameSeed.output, device.output);
    options.faults.garbageSeed = 8;
    Device otherSeed(options);
    otherSeed.loop.advanceTo(1050);
    QVERIFY(otherSeed.output != device.output);
}

void TestDeviceModel::garbageBurstBeforeFirstAnswer()
{
    DeviceOptions options = unpaced();
    options.faults.garbageBurst = 16;
    Device device(options);
    QCOMPARE(device.command("AT+PASS,1#"), QByteArray()); // no answer, no burst yet
    const QByteArray first = device.command("SETUP#");
    QCOMPARE(first.size(), 16 + 9);
    QVERIFY(first.endsWith("CONNECT\r\n"));
    QVERIFY(first.left(16) != QByteArray(16, '\0'));
    QCOMPARE(device.command("SETUP#"), QByteArray("CONNECT\r\n"));
}

void TestDeviceModel::pacingHoldsTheLineRate()
{
    DeviceOptions options;
    options.pacing = true;
    options.replyDelayMs = 0;
    Device device(options);
    device.loop.advanceTo(100);
    const qint64 heardAt = 101; // "AT+READ#\r\n": 10 bytes take 0.87 ms
    device.exchange("AT+READ#\r\n", 500);
    const QByteArray expected = lines(kFactoryAnswer);
    QByteArray all;
    for (const auto &[timeMs, bytes] : std::as_const(device.sent)) {
        all += bytes;
        // Each step hands over exactly the bytes that have crossed the line by then.
        const qint64 onTheLineUs = (timeMs - heardAt) * 1000;
        const qint64 crossed = onTheLineUs * 115200 / 10'000'000;
        QCOMPARE(qint64(all.size()), qMin(qint64(expected.size()), crossed));
    }
    QCOMPARE(all, expected);
    QVERIFY(device.sent.size() > 20); // spread over many steps, not one write
}

void TestDeviceModel::pacingDelaysReactionToLastByte()
{
    DeviceOptions options;
    options.pacing = true;
    options.replyDelayMs = 0;
    options.flashTimeMs = 0;
    const QByteArray image = randomBytes(100, 9);
    Device device(options);
    device.bootIntoLoader();
    QCOMPARE(device.exchange(kProbe), kReady);
    QCOMPARE(device.exchange(header(image.size())), kNext);
    device.sent.clear();
    const qint64 start = device.loop.nowMs();
    QCOMPARE(device.exchange(loaderBlockFrame(image, 0), 500), kNext);
    // 2049 bytes at 115200 baud take 177.9 ms; C5 itself 0.09 ms more.
    QCOMPARE(device.sent.size(), 1);
    QCOMPARE(device.sent[0].first - start, 179);
}

QTEST_GUILESS_MAIN(TestDeviceModel)
#include "tst_devicemodel.moc"
