// "Open ROM", "update" with its reset and loader waits, and the block transfer driven by
// the loader's replies, all on the virtual clock.

#include "firmware/firmwareimage.h"
#include "formfixture.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <memory>

namespace {

const QByteArray probeBytes = QByteArray::fromHex("5F0000F5");
const QString failText = QStringLiteral("Reset eeram fail,Please try again.\r\n");
const QString connectFail = QStringLiteral("\r\nConnect fail, Please try again.");

QByteArray patterned(int length)
{
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = char(i * 13 + i / 2048); // every block differs from the others
    return bytes;
}

// A file of the given length that takes no room on disk.
void writeSparseFile(const QString &path, qint64 length)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(length));
}

// A window with one port, COM1, chosen.
Form1 &createWithPort(FormFixture &fx)
{
    fx.addPort(QStringLiteral("/dev/ttyUSB0"));
    Form1 &form = fx.create();
    form.Combo1.pick(QStringLiteral("COM1"));
    return form;
}

// "Open ROM" with the given file chosen in the dialog.
void openRom(FormFixture &fx, const QString &path)
{
    fx.dialogs.fileAnswers.enqueue(path);
    fx.form->Command1.click();
}

QByteArray loadImage(FormFixture &fx, int length)
{
    const QByteArray file = patterned(length);
    if (!writeFile(fx.path("fw.bin"), file))
        qFatal("cannot write the firmware file");
    openRom(fx, fx.path("fw.bin"));
    return file;
}

// What the program wrote, by name: "probe", "header", "block k", or the text it sent.
// A frame counts as block k only when its 2048 bytes are block k of the file and its
// last byte is their XOR.
QStringList wireLog(const FakeSerialLine &line, const QByteArray &file)
{
    const QByteArray image = file + QByteArray(2048 - file.size() % 2048, char(0xFF));
    QStringList names;
    for (const FakeSerialLine::Write &w : line.writes()) {
        if (w.bytes == probeBytes) {
            names << "probe";
        } else if (w.bytes.size() == 5 && w.bytes.startsWith(char(0x5E))) {
            names << "header";
        } else if (w.bytes.size() == 2049) {
            const QByteArray data = w.bytes.left(2048);
            char sum = 0;
            for (const char byte : data)
                sum ^= byte;
            int k = 0;
            while (2048 * k < image.size() && image.mid(2048 * k, 2048) != data)
                ++k;
            const bool known = 2048 * k < image.size() && sum == w.bytes[2048];
            names << (known ? QStringLiteral("block %1").arg(k) : QStringLiteral("bad frame"));
        } else {
            names << QString::fromLatin1(w.bytes);
        }
    }
    return names;
}

int countOf(const QStringList &names, const QString &name)
{
    return int(names.count(name));
}

// The device's side of an update, ten milliseconds after each thing the program sends:
// "eeram reset" to the reset command, 0xE5 to the probe numbered readyOnProbe and later
// ones (0: never), 0xC5 to the header and to every block frame.
void scriptDevice(FormFixture &fx, int readyOnProbe)
{
    auto probes = std::make_shared<int>(0);
    QObject::connect(&fx.line, &FakeSerialLine::hostWrote, &fx.line,
                     [&line = fx.line, probes, readyOnProbe](const QByteArray &bytes) {
                         if (bytes == "AT+RESET#\r\n") {
                             line.deliverAfter(10, "eeram reset\r\n");
                         } else if (bytes == probeBytes) {
                             if (readyOnProbe > 0 && ++*probes >= readyOnProbe)
                                 line.deliverAfter(10, QByteArray::fromHex("E5"));
                         } else if (bytes.startsWith(char(0x5E)) || bytes.size() == 2049) {
                             line.deliverAfter(10, QByteArray::fromHex("C5"));
                         }
                     });
}

// The enabled state of "Open ROM", "update", the port opener and the port list.
QVector<bool> updateControls(const Form1 &form)
{
    return {form.Command1.isEnabled(), form.Command2.isEnabled(), form.Command3.isEnabled(),
            form.Combo1.isEnabled()};
}
const QVector<bool> allEnabled{true, true, true, true};
const QVector<bool> allDisabled{false, false, false, false};

} // namespace

class TestFirmwareUpdate : public QObject
{
    Q_OBJECT

private slots:
    void openRomLoadsImage();
    void openRomCancelKeepsImage();
    void openRomRefuses_data();
    void openRomRefuses();
    void openRomAcceptsLargestFile();

    void updateRefusesShortImage_data();
    void updateRefusesShortImage();
    void updateWaitsForResetLine_data();
    void updateWaitsForResetLine();
    void loaderAnswersNinthProbe();
    void noLoaderGivesUpOnTenthTick();
    void cancelDuringLoaderWait();
    void nextBlockAfterGiveUpIsIgnored();
    void newUpdateStopsATickingLoaderWait();
    void imageCannotChangeDuringAnUpdate_data();
    void imageCannotChangeDuringAnUpdate();
    void staleLoaderAnswerDoesNotEndNextWait();
    void staleLoaderReplyAfterTheUpdate();
    void portButtonsWaitForTheUpdate_data();
    void portButtonsWaitForTheUpdate();
    void portFailuresDuringStart_data();
    void portFailuresDuringStart();

    void repliesAnswered_data();
    void repliesAnswered();
    void transferShowsProgressAndCompletes();
    void transferFailures_data();
    void transferFailures();
    void closingDuringTheTransferAsks_data();
    void closingDuringTheTransferAsks();

private:
    struct LogHistory
    {
        QStringList texts;
        QMetaObject::Connection connection;
        explicit LogHistory(Form1 &form)
        {
            connection = QObject::connect(&form.Text29, &Control::changed,
                                          [this, &form] { texts << form.Text29.text(); });
        }
        ~LogHistory() { QObject::disconnect(connection); }
    };

    // The window as a probe leaves it: image loaded, port open, reply record cleared.
    static QByteArray loaderSession(FormFixture &fx, int length)
    {
        const QByteArray file = loadImage(fx, length);
        fx.form->MSComm1.setPortOpen(true);
        fx.form->Text1.setText(QStringLiteral("  "));
        return file;
    }

    // A reply from the loader and the Timer2 tick that answers it.
    static void reply(FormFixture &fx, const QByteArray &bytes)
    {
        fx.line.deliver(bytes);
        fx.loop.advanceBy(100);
    }
};

// ---- Open ROM ----------------------------------------------------------------------

void TestFirmwareUpdate::openRomLoadsImage()
{
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    const QByteArray file = loadImage(fx, 5000);

    QCOMPARE(fx.dialogs.fileRequests.size(), 1);
    QCOMPARE(fx.dialogs.fileRequests[0].mode, FileDialogRequest::Mode::Open);
    QCOMPARE(fx.dialogs.fileRequests[0].title, QStringLiteral("打开"));
    QCOMPARE(form.CommonDialog1.Filter, QStringLiteral("Bin文件(*.bin)|*.bin"));
    QCOMPARE(form.Text29.text(), QStringLiteral("文件：") + fx.path("fw.bin"));
    QCOMPARE(form.lRomLen, 5000);
    QCOMPARE(form.abRomFile, file);
    QCOMPARE(form.abRomImage, file + QByteArray(1144, char(0xFF)));
    QCOMPARE(form.ProgressBar1.minimum(), 0);
    QCOMPARE(form.ProgressBar1.maximum(), 3);
    QCOMPARE(form.lBlockNo, 0);

    // A shorter file next: nothing of the longer one survives.
    QVERIFY(writeFile(fx.path("short.bin"), "\x01\x02\x03"));
    openRom(fx, fx.path("short.bin"));
    QCOMPARE(form.lRomLen, 3);
    QCOMPARE(form.abRomImage, QByteArray("\x01\x02\x03") + QByteArray(2045, char(0xFF)));
    QCOMPARE(form.ProgressBar1.maximum(), 1);
}

void TestFirmwareUpdate::openRomCancelKeepsImage()
{
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    const QByteArray file = loadImage(fx, 5000);
    form.Text29.setText(QStringLiteral("earlier"));

    openRom(fx, QString());

    QCOMPARE(fx.dialogs.fileRequests.size(), 2);
    QCOMPARE(form.lRomLen, 5000);
    QCOMPARE(form.abRomFile, file);
    QCOMPARE(form.ProgressBar1.maximum(), 3);
    QCOMPARE(form.Text29.text(), QStringLiteral("earlier"));
    QVERIFY(fx.dialogs.messages.isEmpty());
}

void TestFirmwareUpdate::openRomRefuses_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<qint64>("sparseLength"); // -1: a folder, -2: nothing there
    QTest::addColumn<QStringList>("saying");
    const QStringList tooLarge{"too large", "524287 bytes"};
    QTest::newRow("one byte past the header's reach") << "big.bin" << qint64(524288) << tooLarge;
    QTest::newRow("huge file, read no further than its size")
        << "huge.bin" << qint64(1) * 1024 * 1024 * 1024 << tooLarge;
    QTest::newRow("missing file") << "gone.bin" << qint64(-2) << QStringList{"Cannot open"};
    QTest::newRow("a folder") << "folder.bin" << qint64(-1) << QStringList{"Cannot"};
}

void TestFirmwareUpdate::openRomRefuses()
{
    QFETCH(QString, fileName);
    QFETCH(qint64, sparseLength);
    QFETCH(QStringList, saying);
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    const QByteArray file = loadImage(fx, 5000);
    const QString logBefore = form.Text29.text();
    const QString path = fx.path(fileName);
    if (sparseLength >= 0)
        writeSparseFile(path, sparseLength);
    else if (sparseLength == -1)
        QVERIFY(QDir(fx.folder.path()).mkdir(fileName));

    openRom(fx, path);

    QCOMPARE(fx.dialogs.messages.size(), 1);
    const QString message = fx.dialogs.messages[0];
    QVERIFY2(message.contains(path), qPrintable(message));
    for (const QString &words : saying)
        QVERIFY2(message.contains(words), qPrintable(message));
    QCOMPARE(form.Text29.text(), logBefore + QStringLiteral("\r\n") + message);
    QCOMPARE(form.lRomLen, 5000);
    QCOMPARE(form.abRomFile, file);
    QCOMPARE(form.abRomImage.size(), 3 * 2048);
    QCOMPARE(form.ProgressBar1.maximum(), 3);
}

void TestFirmwareUpdate::openRomAcceptsLargestFile()
{
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    writeSparseFile(fx.path("largest.bin"), FirmwareImage::maxFileLength);
    openRom(fx, fx.path("largest.bin"));
    QVERIFY(fx.dialogs.messages.isEmpty());
    QCOMPARE(form.lRomLen, 524287);
    QCOMPARE(form.ProgressBar1.maximum(), 256);
}

enum class UpdatePhase
{
    ResetWait,
    LoaderWait,
    Transfer,
    DialogOpenedBefore
};
Q_DECLARE_METATYPE(UpdatePhase)

void TestFirmwareUpdate::imageCannotChangeDuringAnUpdate_data()
{
    QTest::addColumn<UpdatePhase>("phase");
    QTest::newRow("reset wait") << UpdatePhase::ResetWait;
    QTest::newRow("loader wait") << UpdatePhase::LoaderWait;
    QTest::newRow("transfer") << UpdatePhase::Transfer;
    QTest::newRow("dialog opened before the update") << UpdatePhase::DialogOpenedBefore;
}

void TestFirmwareUpdate::imageCannotChangeDuringAnUpdate()
{
    QFETCH(UpdatePhase, phase);
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    const QByteArray file = loadImage(fx, 20000); // 10 blocks
    QVERIFY(writeFile(fx.path("other.bin"), patterned(40000).mid(7)));
    scriptDevice(fx, 3);
    // The device answers slowly enough for the transfer to be caught in the middle.
    const auto pickOther = [&] { openRom(fx, fx.path("other.bin")); };

    switch (phase) {
    case UpdatePhase::ResetWait:
        fx.loop.at(fx.loop.nowMs() + 600, pickOther);
        form.Command2.click();
        break;
    case UpdatePhase::LoaderWait:
        form.Command2.click();
        QVERIFY(form.Timer1.isEnabled());
        fx.loop.advanceBy(1500);
        pickOther();
        break;
    case UpdatePhase::Transfer:
        form.Command2.click();
        fx.loop.advanceBy(3500);
        QVERIFY(form.lBlockNo > 0);
        QVERIFY(!form.Command1.isEnabled()); // the button is off while blocks go out
        form.Command1_Click();
        break;
    case UpdatePhase::DialogOpenedBefore:
        fx.dialogs.whileFileDialogOpen = [&] {
            fx.dialogs.whileFileDialogOpen = nullptr;
            form.Command2.click();
            fx.loop.advanceBy(3500);
        };
        pickOther(); // the dialog opens while nothing runs, and closes mid-transfer
        break;
    }

    QCOMPARE(fx.dialogs.messages,
             QStringList{"An update is running: the firmware image cannot change until it has "
                         "ended."});
    QCOMPARE(form.lRomLen, 20000);
    QCOMPARE(form.abRomFile, file);
    QCOMPARE(form.ProgressBar1.maximum(), 10);
    fx.loop.advanceBy(20000);
    QStringList blocks;
    for (int k = 0; k < 10; ++k)
        blocks << QStringLiteral("block %1").arg(k);
    QCOMPARE(wireLog(fx.line, file).mid(wireLog(fx.line, file).indexOf("header") + 1), blocks);
    QCOMPARE(form.Label2.caption(), QStringLiteral("update complete update step:100%"));

    // Once the update has ended, the image may change again.
    pickOther();
    QCOMPARE(form.lRomLen, 40000 - 7);
}

// An adapter can keep the loader's answer to the last block, sent after the update closed
// the port, and hand it over when a text operation opens the port again. It is no reply
// to answer: a block frame would go to a device that speaks text, and the window would
// report a transfer that never was.
void TestFirmwareUpdate::staleLoaderReplyAfterTheUpdate()
{
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    const QByteArray file = loadImage(fx, 20000); // 10 blocks
    scriptDevice(fx, 3);
    form.Command2.click();
    fx.loop.advanceBy(20000);
    QCOMPARE(form.Label2.caption(), QStringLiteral("update complete update step:100%"));
    const auto framesSent = countOf(wireLog(fx.line, file), QStringLiteral("block 0"));

    QObject::connect(&fx.line, &FakeSerialLine::hostWrote, &fx.line,
                     [&line = fx.line](const QByteArray &bytes) {
                         if (bytes == "REBOOT#\r\n")
                             line.deliver(QByteArray::fromHex("C5"));
                     });
    form.Command9.click(); // restart
    fx.loop.advanceBy(15000);

    QCOMPARE(countOf(wireLog(fx.line, file), QStringLiteral("block 0")), framesSent);
    QCOMPARE(form.lBlockNo, 0);
    QCOMPARE(form.Label2.caption(), QStringLiteral("update complete update step:100%"));
    QCOMPARE(updateControls(form), allEnabled);
    QVERIFY2(fx.dialogs.messages.isEmpty(), qPrintable(fx.dialogs.messages.join('|')));
}

void TestFirmwareUpdate::portButtonsWaitForTheUpdate_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<UpdatePhase>("phase");
    for (const char *button : {"Command6", "Command7", "Command8", "Command9"}) {
        QTest::addRow("%s in the reset wait", button) << button << UpdatePhase::ResetWait;
        QTest::addRow("%s in the loader wait", button) << button << UpdatePhase::LoaderWait;
        QTest::addRow("%s in the transfer", button) << button << UpdatePhase::Transfer;
    }
}

// "Read data", "Write data", "Apply" and "restart" would take the port from an update
// under way, and leave the device with part of an image; they wait for it instead.
void TestFirmwareUpdate::portButtonsWaitForTheUpdate()
{
    QFETCH(QString, button);
    QFETCH(UpdatePhase, phase);
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    const QByteArray file = loadImage(fx, 20000); // 10 blocks
    scriptDevice(fx, 3);
    form.Text4.setText(QStringLiteral("AB1C"));
    form.Command7.setEnabled(true);
    const auto press = [&] {
        for (CommandButton *command :
             {&form.Command6, &form.Command7, &form.Command8, &form.Command9})
            if (command->name() == button)
                command->click();
    };

    if (phase == UpdatePhase::ResetWait)
        fx.loop.at(fx.loop.nowMs() + 600, press);
    form.Command2.click();
    if (phase == UpdatePhase::LoaderWait) {
        fx.loop.advanceBy(1500);
        QVERIFY(form.Timer1.isEnabled());
        press();
    } else if (phase == UpdatePhase::Transfer) {
        fx.loop.advanceBy(3500);
        QVERIFY(form.lBlockNo > 0);
        press();
    }

    QCOMPARE(
        fx.dialogs.messages,
        QStringList{"An update is running: the device can do nothing else until it has ended."});
    QCOMPARE(form.Text4.text(), QStringLiteral("AB1C"));
    fx.loop.advanceBy(20000);
    QStringList blocks;
    for (int k = 0; k < 10; ++k)
        blocks << QStringLiteral("block %1").arg(k);
    const QStringList sent = wireLog(fx.line, file);
    QCOMPARE(sent.mid(sent.indexOf("header") + 1), blocks);
    QCOMPARE(form.Label2.caption(), QStringLiteral("update complete update step:100%"));
    QCOMPARE(form.Command6.caption(), QStringLiteral("Read data"));
}

// ---- update start and the loader wait -------------------------------------------

void TestFirmwareUpdate::updateRefusesShortImage_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("no image") << -1;
    QTest::newRow("4999 bytes") << 4999;
}

void TestFirmwareUpdate::updateRefusesShortImage()
{
    QFETCH(int, length);
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    if (length >= 0)
        loadImage(fx, length);
    const int opensBefore = fx.line.openCount();

    form.Command2.click();

    QCOMPARE(form.Text29.text(), QStringLiteral("Please choose fireware\r\n"));
    QCOMPARE(fx.dialogs.messages, QStringList{"Please choose fireware"});
    QCOMPARE(fx.line.openCount(), opensBefore);
    QVERIFY(fx.line.writes().isEmpty());
    QCOMPARE(form.Command2.caption(), QStringLiteral("update"));
}

void TestFirmwareUpdate::updateWaitsForResetLine_data()
{
    QTest::addColumn<int>("replyAfterMs"); // after the reset command; -1: never
    QTest::addColumn<int>("rebootAfterMs");
    QTest::addColumn<int>("waitsShown");
    QTest::addColumn<QString>("finalLog");
    QTest::newRow("in the first wait")
        << 50 << 2002 << 0 << "Please wait auto update.\r\n 0/10\r\nreset eeram OK\r\n";
    QTest::newRow("in the fifth wait")
        << 4500 << 6006 << 4 << "Wait for reset eeram  4/5\r\n\r\nreset eeram OK\r\n";
    QTest::newRow("never") << -1 << 5005 << 5 << failText;
}

void TestFirmwareUpdate::updateWaitsForResetLine()
{
    QFETCH(int, replyAfterMs);
    QFETCH(int, rebootAfterMs);
    QFETCH(int, waitsShown);
    QFETCH(QString, finalLog);
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    loadImage(fx, 5000);
    QObject::connect(&fx.line, &FakeSerialLine::hostWrote, &fx.line, [&](const QByteArray &b) {
        if (b == "AT+RESET#\r\n" && replyAfterMs >= 0)
            fx.line.deliverAfter(replyAfterMs, "eeram reset\r\n");
    });
    LogHistory log(form);
    const int opensBefore = fx.line.openCount();

    form.Command2.click();

    QCOMPARE(log.texts.first(), QStringLiteral("Please wait auto update.\r\n 0/10"));
    QCOMPARE(wireLog(fx.line, {}), (QStringList{"AT+RESET#\r\n", "REBOOT#\r\n"}));
    const std::int64_t resetAt = fx.line.writes()[0].timeMs;
    QCOMPARE(resetAt, std::int64_t(101));
    QCOMPARE(fx.line.writes()[1].timeMs - resetAt, std::int64_t(rebootAfterMs));
    QStringList waits;
    for (int k = 1; k <= waitsShown; ++k)
        waits << QStringLiteral("Wait for reset eeram  %1/5\r\n").arg(k);
    QStringList waitsSeen;
    for (const QString &text : log.texts)
        if (text.startsWith("Wait for reset eeram") && text.endsWith("/5\r\n"))
            waitsSeen << text;
    QCOMPARE(waitsSeen, waits);
    const bool resetSeen = replyAfterMs >= 0;
    QCOMPARE(log.texts.contains(failText), !resetSeen);
    QCOMPARE(form.Text29.text(), finalLog);
    // The restart, the re-opened port and the loader wait follow either way.
    QCOMPARE(form.Command2.caption(), resetSeen ? QStringLiteral("update...") : "update");
    QCOMPARE(fx.line.openCount(), opensBefore + 2);
    QVERIFY(form.MSComm1.PortOpen());
    QVERIFY(form.Timer1.isEnabled());
    QCOMPARE(form.lTryCount, 0);
}

void TestFirmwareUpdate::loaderAnswersNinthProbe()
{
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    const QByteArray file = loadImage(fx, 40000); // 20 blocks: the transfer outlasts tick 10
    scriptDevice(fx, 9);
    LogHistory log(form);

    form.Command2.click();
    fx.loop.advanceBy(20000);

    QStringList expected{"AT+RESET#\r\n", "REBOOT#\r\n"};
    for (int i = 0; i < 9; ++i)
        expected << "probe";
    expected << "header";
    for (int k = 0; k < 20; ++k)
        expected << QStringLiteral("block %1").arg(k);
    QCOMPARE(wireLog(fx.line, file), expected);
    for (const QString &text : log.texts)
        QVERIFY2(!text.contains("Connect fail"), qPrintable(text));
    QCOMPARE(form.Label2.caption(), QStringLiteral("update complete update step:100%"));
    QVERIFY(!form.Timer1.isEnabled());
    QVERIFY(!form.MSComm1.PortOpen());
    QCOMPARE(updateControls(form), allEnabled);
    QCOMPARE(form.Command2.caption(), QStringLiteral("update"));
    QCOMPARE(form.lTryCount, 0);
    QCOMPARE(form.lBlockNo, 0);
    QCOMPARE(form.bLoaderReady, std::uint8_t(0));
}

void TestFirmwareUpdate::noLoaderGivesUpOnTenthTick()
{
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    loadImage(fx, 5000);
    scriptDevice(fx, 0);

    form.Command2.click();
    const std::int64_t loaderWaitFrom = fx.loop.nowMs();
    fx.loop.advanceBy(9999);
    QVERIFY(form.MSComm1.PortOpen());
    fx.loop.advanceBy(1);

    QVector<std::int64_t> probeTimes;
    for (const FakeSerialLine::Write &w : fx.line.writes())
        if (w.bytes == probeBytes)
            probeTimes << w.timeMs - loaderWaitFrom;
    QCOMPARE(probeTimes,
             (QVector<std::int64_t>{1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000}));
    QVERIFY(!form.MSComm1.PortOpen());
    QVERIFY(!form.Timer1.isEnabled());
    QCOMPARE(form.Text29.text(), QStringLiteral("Wait for update\r\n 10/10") + connectFail);
    QCOMPARE(form.Text3.text(), QStringLiteral(" 10/10"));
    QCOMPARE(form.Command2.caption(), QStringLiteral("update"));

    // The counter is reset only before the loader wait: a second update shows 10.
    LogHistory log(form);
    form.Command2.click();
    QCOMPARE(log.texts.first(), QStringLiteral("Please wait auto update.\r\n 10/10"));
}

void TestFirmwareUpdate::cancelDuringLoaderWait()
{
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    loadImage(fx, 5000);
    scriptDevice(fx, 0);
    form.Command2.click();
    const std::int64_t loaderWaitFrom = fx.loop.nowMs();
    fx.loop.advanceTo(loaderWaitFrom + 3500);
    QCOMPARE(countOf(wireLog(fx.line, {}), "probe"), 3);

    form.Command2.click();

    QVERIFY(!form.MSComm1.PortOpen());
    QCOMPARE(form.Command2.caption(), QStringLiteral("update"));
    QCOMPARE(form.Text29.text(), QStringLiteral("Please wait auto update.\r\n 3/10"));
    QVERIFY(form.Timer1.isEnabled()); // the wait ticks on against the closed port

    LogHistory log(form);
    fx.loop.advanceTo(loaderWaitFrom + 10000);
    QCOMPARE(countOf(wireLog(fx.line, {}), "probe"), 3);
    QStringList ticks;
    for (int k = 4; k <= 10; ++k)
        ticks << QStringLiteral("Wait for update\r\n %1/10").arg(k);
    ticks << ticks.last() + connectFail;
    QCOMPARE(log.texts, ticks);
    QVERIFY(!form.Timer1.isEnabled());
    QVERIFY(fx.dialogs.messages.isEmpty());
}

void TestFirmwareUpdate::staleLoaderAnswerDoesNotEndNextWait()
{
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    loadImage(fx, 5000);
    scriptDevice(fx, 0);
    form.Command2.click();
    const std::int64_t loaderWaitFrom = fx.loop.nowMs();
    // An E5 that came in just before the tenth tick gave up is found by the next Timer2
    // tick, which answers it on the closed port.
    fx.loop.at(loaderWaitFrom + 10001, [&] { form.Text1.setText(QStringLiteral("E5")); });
    fx.loop.advanceTo(loaderWaitFrom + 10200);
    QVERIFY(!form.MSComm1.PortOpen());

    form.Command2.click();
    const std::int64_t secondWaitFrom = fx.loop.nowMs();
    fx.loop.advanceTo(secondWaitFrom + 1000);
    int probesInSecondWait = 0;
    for (const FakeSerialLine::Write &w : fx.line.writes())
        if (w.bytes == probeBytes && w.timeMs > secondWaitFrom)
            ++probesInSecondWait;
    QCOMPARE(probesInSecondWait, 1);
    QVERIFY(form.Timer1.isEnabled());
}

void TestFirmwareUpdate::portFailuresDuringStart_data()
{
    QTest::addColumn<bool>("portOpens");
    QTest::addColumn<int>("secondPressAtMs"); // 0: none
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("port does not open") << false << 0 << QByteArray();
    QTest::newRow("second press in the reset wait") << true << 1500 << QByteArray("AT+RESET#\r\n");
}

void TestFirmwareUpdate::portFailuresDuringStart()
{
    QFETCH(bool, portOpens);
    QFETCH(int, secondPressAtMs);
    QFETCH(QByteArray, sent);
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    loadImage(fx, 5000);
    if (!portOpens)
        fx.line.openablePorts.clear();
    if (secondPressAtMs > 0)
        fx.loop.at(secondPressAtMs, [&] { form.Command2.click(); });
    form.Command2.click();
    QCOMPARE(fx.dialogs.messages, QStringList{"Port is use or no"});
    QCOMPARE(fx.line.written(), sent);
    QCOMPARE(form.Command2.caption(), QStringLiteral("update"));
    QVERIFY(!form.Timer1.isEnabled());
    QVERIFY(!form.MSComm1.PortOpen());
}

void TestFirmwareUpdate::nextBlockAfterGiveUpIsIgnored()
{
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    loadImage(fx, 5000);
    scriptDevice(fx, 0);
    form.Command2.click();
    fx.loop.advanceBy(10000);
    QVERIFY(!form.MSComm1.PortOpen());
    const int writesBefore = fx.line.writes().size();

    // A next-block reply that came in just before the give-up closed the port: its
    // frame cannot go out, so no block is counted and no transfer begins.
    form.Text1.setText(QStringLiteral("C5"));
    fx.loop.advanceBy(100);

    QCOMPARE(fx.line.writes().size(), writesBefore);
    QCOMPARE(form.lBlockNo, 0);
    QCOMPARE(form.ProgressBar1.value(), 3);
    QCOMPARE(updateControls(form), allEnabled);
    fx.loop.advanceBy(10000);
    QVERIFY(fx.dialogs.messages.isEmpty());
}

void TestFirmwareUpdate::newUpdateStopsATickingLoaderWait()
{
    // A cancel leaves the loader wait ticking; an update started before its tenth tick
    // must not have its reset wait probed into, nor its port closed under it.
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    const QByteArray file = loadImage(fx, 5000);
    scriptDevice(fx, 1);
    form.Command2.click();
    const std::int64_t firstWaitFrom = fx.loop.nowMs();
    fx.loop.advanceTo(firstWaitFrom + 500);
    form.Command2.click(); // cancel: the port closes, the wait ticks on
    QVERIFY(form.Timer1.isEnabled());
    const int writesBefore = fx.line.writes().size();

    form.Command2.click(); // a new update, within the old wait's ten ticks
    fx.loop.advanceBy(20000);

    QVERIFY2(fx.dialogs.messages.isEmpty(), qPrintable(fx.dialogs.messages.join('|')));
    QCOMPARE(wireLog(fx.line, file).mid(writesBefore),
             (QStringList{"AT+RESET#\r\n", "REBOOT#\r\n", "probe", "header", "block 0", "block 1",
                          "block 2"}));
    QCOMPARE(form.Label2.caption(), QStringLiteral("update complete update step:100%"));
}

// ---- the block transfer ---------------------------------------------------------

void TestFirmwareUpdate::repliesAnswered_data()
{
    QTest::addColumn<QByteArrayList>("replies"); // hex, one per tick
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<int>("counter");
    QTest::newRow("55 after the header sends block 0, and C5 sends it again")
        << QByteArrayList{"E5", "55", "C5"} << QStringList{"header", "block 0", "block 0"} << 1;
    QTest::newRow("55 sends the block at the counter")
        << QByteArrayList{"E5", "C5", "55", "C5"}
        << QStringList{"header", "block 0", "block 1", "block 1"} << 2;
    QTest::newRow("E5 mid-transfer resends the header, counter kept")
        << QByteArrayList{"E5", "C5", "E5", "C5"}
        << QStringList{"header", "block 0", "header", "block 1"} << 2;
    QTest::newRow("a stray byte before a reply answers nothing")
        << QByteArrayList{"E5", "00C5", "C5"} << QStringList{"header"} << 0;
    QTest::newRow("bytes after the reply are ignored")
        << QByteArrayList{"E5", "C5C5"} << QStringList{"header", "block 0"} << 1;
}

void TestFirmwareUpdate::repliesAnswered()
{
    QFETCH(QByteArrayList, replies);
    QFETCH(QStringList, sent);
    QFETCH(int, counter);
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    const QByteArray file = loaderSession(fx, 20000);

    for (const QByteArray &hex : replies)
        reply(fx, QByteArray::fromHex(hex));

    QCOMPARE(wireLog(fx.line, file), sent);
    QCOMPARE(form.lBlockNo, counter);
    QCOMPARE(form.bLoaderReady, std::uint8_t(1));
    if (sent.contains("header"))
        QCOMPARE(fx.line.writes()[0].bytes.toHex(' '), QByteArray("5e 06 20 09 e5"));
}

void TestFirmwareUpdate::transferShowsProgressAndCompletes()
{
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    fx.loop.advanceBy(100);
    QCOMPARE(form.ProgressBar1.value(), 1); // no image: one block, and the bar stands full

    const QByteArray file = loaderSession(fx, 15000); // 8 blocks
    reply(fx, QByteArray::fromHex("E5"));
    QCOMPARE(form.ProgressBar1.value(), 8);
    QCOMPARE(updateControls(form), allEnabled);

    const int percents[] = {12, 25, 38, 50, 62, 75, 88};
    for (int sent = 1; sent <= 7; ++sent) {
        reply(fx, QByteArray::fromHex("C5"));
        QCOMPARE(form.ProgressBar1.value(), sent);
        QCOMPARE(
            form.Label2.caption(),
            QStringLiteral("updating，don't remove power update step:%1%").arg(percents[sent - 1]));
        QCOMPARE(updateControls(form), allDisabled);
        QVERIFY(form.MSComm1.PortOpen());
    }

    reply(fx, QByteArray::fromHex("C5"));

    QCOMPARE(wireLog(fx.line, file).last(), QStringLiteral("block 7"));
    QCOMPARE(fx.line.writes().last().bytes.mid(15000 - 7 * 2048, 2048 - (15000 - 7 * 2048)),
             QByteArray(2048 - (15000 - 7 * 2048), char(0xFF)));
    QCOMPARE(form.Label2.caption(), QStringLiteral("update complete update step:100%"));
    QCOMPARE(updateControls(form), allEnabled);
    QVERIFY(!form.MSComm1.PortOpen());
    QCOMPARE(form.ProgressBar1.value(), 8);
    QCOMPARE(form.lBlockNo, 0);
    QCOMPARE(form.bLoaderReady, std::uint8_t(0));
    QCOMPARE(form.Command2.caption(), QStringLiteral("update"));
    QVERIFY(fx.dialogs.messages.isEmpty());
}

enum class TransferFault
{
    LoaderSilent,
    SilentAfterHeader,
    FrameRefused,
    LastFrameRefused,
    HungUp
};
Q_DECLARE_METATYPE(TransferFault)

void TestFirmwareUpdate::transferFailures_data()
{
    QTest::addColumn<TransferFault>("fault");
    QTest::addColumn<int>("blocksSent");
    QTest::addColumn<bool>("atOnce"); // or only after 10 s of silence
    QTest::addColumn<QString>("why");
    const QString silent = QStringLiteral("the device did not answer for 10 seconds");
    QTest::newRow("loader falls silent") << TransferFault::LoaderSilent << 2 << false << silent;
    QTest::newRow("silent after the header")
        << TransferFault::SilentAfterHeader << 0 << false << silent;
    QTest::newRow("a frame refused by the port")
        << TransferFault::FrameRefused << 1 << true
        << "block 2 could not be sent (The port refused the output)";
    QTest::newRow("the last frame refused")
        << TransferFault::LastFrameRefused << 7 << true
        << "block 8 could not be sent (The port refused the output)";
    QTest::newRow("cable pulled") << TransferFault::HungUp << 1 << true
                                  << "the connection was lost";
}

void TestFirmwareUpdate::transferFailures()
{
    QFETCH(TransferFault, fault);
    QFETCH(int, blocksSent);
    QFETCH(bool, atOnce);
    QFETCH(QString, why);
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    // A real update, so that the header is sent as part of one; the loader's replies
    // come from the test.
    const QByteArray file = loadImage(fx, 15000); // 8 blocks
    QObject::connect(&fx.line, &FakeSerialLine::hostWrote, &fx.line, [&](const QByteArray &b) {
        if (b == "AT+RESET#\r\n")
            fx.line.deliverAfter(10, "eeram reset\r\n");
    });
    form.Command2.click();
    QVERIFY(form.Timer1.isEnabled());
    fx.loop.advanceBy(1000); // the first probe
    reply(fx, QByteArray::fromHex("E5"));
    fx.loop.advanceBy(1000); // Timer1 sees the loader ready and stops
    QVERIFY(!form.Timer1.isEnabled());
    for (int k = 0; k < blocksSent; ++k)
        reply(fx, QByteArray::fromHex("C5"));
    QCOMPARE(form.lBlockNo, blocksSent);

    if (fault == TransferFault::FrameRefused || fault == TransferFault::LastFrameRefused) {
        fx.line.breakLine();
        reply(fx, QByteArray::fromHex("C5"));
    } else if (fault == TransferFault::HungUp) {
        fx.line.hangUp();
        fx.loop.advanceBy(1);
    }
    const std::int64_t faultAt = fx.loop.nowMs();
    if (!atOnce) {
        fx.loop.advanceTo(faultAt + 8000);
        QVERIFY(form.MSComm1.PortOpen());
        QVERIFY(fx.dialogs.messages.isEmpty());
        fx.loop.advanceTo(faultAt + 10000);
    }

    const QString failure = "Update failed: " + why + ". Press \"update\" to start again.";
    QCOMPARE(fx.dialogs.messages, QStringList{failure});
    QVERIFY2(form.Text29.text().endsWith(QStringLiteral("\r\n") + failure + QStringLiteral("\r\n")),
             qPrintable(form.Text29.text()));
    QCOMPARE(form.Label2.caption(), QStringLiteral("update failed update step:%1%")
                                        .arg(FirmwareImage::progressPercent(blocksSent, 8)));
    QCOMPARE(updateControls(form), allEnabled);
    QVERIFY(!form.MSComm1.PortOpen());
    QCOMPARE(form.Command2.caption(), QStringLiteral("update"));
    QCOMPARE(form.lBlockNo, 0);
    QCOMPARE(form.lTryCount, 0);
    QCOMPARE(form.bLoaderReady, std::uint8_t(0));
    QVERIFY(!form.updateUnderWay());
    if (fault == TransferFault::HungUp)
        QVERIFY(form.Text29.text().contains("The connection on COM1 (/dev/ttyUSB0) was lost: the "
                                            "device hung up."));

    // The port is free again: a new update starts.
    const int writesBefore = fx.line.writes().size();
    form.Command2.click();
    QCOMPARE(wireLog(fx.line, file).mid(writesBefore, 1), QStringList{"AT+RESET#\r\n"});
}

void TestFirmwareUpdate::closingDuringTheTransferAsks_data()
{
    QTest::addColumn<bool>("close");
    QTest::newRow("the user keeps the window") << false;
    QTest::newRow("the user closes it") << true;
}

void TestFirmwareUpdate::closingDuringTheTransferAsks()
{
    QFETCH(bool, close);
    FormFixture fx;
    Form1 &form = createWithPort(fx);
    QVERIFY(form.Form_QueryUnload());
    const QByteArray file = loaderSession(fx, 15000); // 8 blocks
    QVERIFY(form.Form_QueryUnload()); // the loader has not answered: nothing is sent yet
    QVERIFY(fx.dialogs.questions.isEmpty());

    reply(fx, QByteArray::fromHex("E5"));
    reply(fx, QByteArray::fromHex("C5"));
    fx.dialogs.confirmAnswers.enqueue(close);
    QCOMPARE(form.Form_QueryUnload(), close);
    QCOMPARE(fx.dialogs.questions,
             QStringList{"A firmware update is running. Close the window and stop it?"});

    if (close) {
        form.Form_Unload();
        const auto sent = fx.line.writes().size();
        reply(fx, QByteArray::fromHex("C5"));
        fx.loop.advanceBy(20000);
        QCOMPARE(fx.line.writes().size(), sent);
        QVERIFY(!form.MSComm1.PortOpen());
        return;
    }
    for (int block = 1; block < 8; ++block)
        reply(fx, QByteArray::fromHex("C5"));
    QCOMPARE(wireLog(fx.line, file).last(), QStringLiteral("block 7"));
    QCOMPARE(form.Label2.caption(), QStringLiteral("update complete update step:100%"));
    QVERIFY(form.Form_QueryUnload());
    QCOMPARE(fx.dialogs.questions.size(), 1);
}

QTEST_GUILESS_MAIN(TestFirmwareUpdate)
#include "tst_firmwareupdate.moc"
