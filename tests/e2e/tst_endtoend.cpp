// The window model on the real event loop and QSerialPort, talking to ks936-sim over a
// pseudo-terminal in real time.

#include "program.h"
#include "simulatorprocess.h"
#include "ui/mainwindow.h"

#include <QtTest>
#include <QtWidgets>

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void readEditWriteReadBack();
    void applyAndRestartReachTheDevice();
    void closingTheWindowDuringARead();
    void imageChosenDuringAnUpdateIsRefused();
    void loaderSilentAfterTheHeader();
};

void TestEndToEnd::readEditWriteReadBack()
{
    QTemporaryDir dir;
    SimulatorProcess sim(dir);
    QVERIFY(sim.start());
    Program program(dir, sim.ptyPath());
    Form1 &form = *program.form;
    QCOMPARE(form.Combo1.items(), QStringList{"COM5"});

    form.Command6.click();
    QCOMPARE(form.Command6.caption(), QStringLiteral("read data"));
    QVERIFY2(form.Text29.text().endsWith("read ok"), qPrintable(form.Text29.text()));
    QCOMPARE(form.Text4.text(), QStringLiteral("N0SIM"));
    QCOMPARE(form.Combo5.text(), QStringLiteral("9"));
    QCOMPARE(form.Text5.text(), QStringLiteral("12345"));
    QCOMPARE(form.Combo2.text(), QStringLiteral("STATIC IP"));
    QCOMPARE(form.Text16.text(), QStringLiteral("99"));
    QCOMPARE(form.Text20.text(), QStringLiteral("0"));
    QCOMPARE(form.Text8.text(), QStringLiteral("4807.38N/01131.00E"));
    QCOMPARE(form.Text7.text(), QStringLiteral("KS936 simulator"));
    QCOMPARE(form.Text6.text(), QStringLiteral("KS936 SIM 1.0"));
    QCOMPARE(form.Text31.text(), QStringLiteral("144.6400"));
    QCOMPARE(form.Combo16.text(), QStringLiteral("30"));
    QCOMPARE(form.Combo4.text(), QStringLiteral("km"));
    QCOMPARE(form.Check1.value(), 0);
    QCOMPARE(form.Combo6.text(), QStringLiteral("3"));
    QCOMPARE(form.Combo7.text(), QStringLiteral("WIDE1-1"));
    QCOMPARE(form.Combo8.text(), QStringLiteral("WIDE1+WIDE2"));
    QVERIFY(!program.line.isOpen());
    QVERIFY(sim.waitForLog("port closed"));

    form.Text4.setText("AB1C");
    form.Text7.setText("edited, #2");
    form.Text31.setText("145.5250");
    form.Combo16.setText("ON");
    form.Check1.setValue(1);
    form.Combo7.setText("WIDE1-1WIDE2-2");
    form.Command7.click();
    QVERIFY2(form.Text29.text().endsWith("Write complete"), qPrintable(form.Text29.text()));

    form.Command6.click();
    QVERIFY(form.Text29.text().endsWith("read ok"));
    QCOMPARE(form.Text4.text(), QStringLiteral("AB1C  "));
    QCOMPARE(form.Text7.text(), QStringLiteral("edited, #2"));
    QCOMPARE(form.Text31.text(), QStringLiteral("145.5250"));
    QCOMPARE(form.Combo16.text(), QStringLiteral("ON"));
    QCOMPARE(form.Check1.value(), 1);
    QCOMPARE(form.Combo7.text(), QStringLiteral("WIDE1-1WIDE2-2"));
    QVERIFY(program.dialogs.messages.isEmpty());
}

void TestEndToEnd::applyAndRestartReachTheDevice()
{
    QTemporaryDir dir;
    SimulatorProcess sim(dir);
    // A short loader window: the restart below must find the device back in text mode.
    QVERIFY(sim.start({"--settings", dir.filePath("device.txt"), "--loader-window", "1000"}));
    Program program(dir, sim.ptyPath());
    Form1 &form = *program.form;

    form.Text34.setText("homenet");
    form.Text33.setText("pa,ss#1");
    form.Command8.click();
    QCOMPARE(form.Text29.text(),
             QStringLiteral("WIFI Writing.....\r\nWIFI Write complete\r\nWIFI reset...\r\n"));
    QVERIFY(sim.waitForLog("REBOOT#"));
    QFile settings(dir.filePath("device.txt"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray stored = settings.readAll();
    QVERIFY2(stored.contains("wifiname=homenet\n") && stored.contains("wifipassword=pa,ss#1\n"),
             stored.constData());

    QTest::qWait(3500); // the device restarts (0.3 s), then its loader window passes (1 s)
    form.Command9.click();
    QCOMPARE(form.Command9.caption(), QStringLiteral("restart"));
    QVERIFY(!program.line.isOpen());
    // Both restart commands reached the line, the second one just before the close; the
    // device, already restarting, logs that one as loader bytes.
    QVERIFY2(sim.waitForLog("host> REBOOT#", 2), sim.log().constData());
    QVERIFY2(sim.waitForLog("host> 52 45 42 4F 4F 54 23 0D 0A"), sim.log().constData());
    QVERIFY(program.dialogs.messages.isEmpty());
}

void TestEndToEnd::closingTheWindowDuringARead()
{
    QTemporaryDir dir;
    SimulatorProcess sim(dir);
    QVERIFY(sim.start({"--ignore", "SETUP#"})); // the read waits in its connect phase
    Program program(dir, sim.ptyPath());
    MainWindow window(*program.form);
    window.show();

    bool handlerEnded = false;
    QTimer::singleShot(0, [&] {
        window.findChild<QPushButton *>("Command6")->click();
        handlerEnded = true;
    });
    QTimer::singleShot(1500, &window, &QWidget::close);
    QTRY_VERIFY_WITH_TIMEOUT(handlerEnded, 5000);

    QVERIFY(!program.line.isOpen());
    QVERIFY(program.dialogs.messages.isEmpty()); // no failure reported after the close
    QVERIFY(sim.waitForLog("port closed"));
    QVERIFY(!program.form->Timer2.isEnabled());
    QCOMPARE(program.form->Command6.caption(), QStringLiteral("reading"));
}

void TestEndToEnd::imageChosenDuringAnUpdateIsRefused()
{
    // "Open ROM" pressed before "update", its dialog left open while the update runs,
    // then another image chosen in the middle of the transfer: the device still gets the
    // first image whole, and nothing else.
    QTemporaryDir dir;
    SimulatorProcess sim(dir);
    QVERIFY(sim.start());
    Program program(dir, sim.ptyPath());
    Form1 &form = *program.form;
    const auto writeImage = [&dir](const QString &name, int length, int seed) {
        QByteArray bytes(length, '\0');
        for (int i = 0; i < length; ++i)
            bytes[i] = char(i * seed + i / 2048);
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return bytes;
    };
    const QByteArray first = writeImage("first.bin", 40000, 7);
    writeImage("second.bin", 4000, 11);
    program.dialogs.fileAnswers << dir.filePath("first.bin");
    form.Command1.click();

    program.dialogs.fileAnswers << dir.filePath("second.bin");
    program.dialogs.whileFileDialogOpen = [&] {
        program.dialogs.whileFileDialogOpen = nullptr;
        form.Command2.click();
        QTRY_VERIFY_WITH_TIMEOUT(form.lBlockNo >= 5, 15000); // in the middle of the transfer
    };
    form.Command1.click();
    QCOMPARE(program.dialogs.messages,
             QStringList{"An update is running: the firmware image cannot change until it has "
                         "ended."});

    QTRY_VERIFY_WITH_TIMEOUT(!form.updateUnderWay(), 20000);
    QCOMPARE(form.Label2.caption(), QStringLiteral("update complete update step:100%"));
    QVERIFY(sim.waitForLog("image written"));
    QFile received(sim.path("image.bin"));
    QVERIFY(received.open(QIODevice::ReadOnly));
    QCOMPARE(received.readAll(), first);
    QCOMPARE(form.lRomLen, 40000);
}

void TestEndToEnd::loaderSilentAfterTheHeader()
{
    // The loader takes the header and then never asks for a block: ten seconds later the
    // update ends as failed, with the port closed and the window's controls back.
    QTemporaryDir dir;
    SimulatorProcess sim(dir);
    QVERIFY(sim.start({"--ignore", "header"}));
    Program program(dir, sim.ptyPath());
    Form1 &form = *program.form;
    QFile image(dir.filePath("fw.bin"));
    QVERIFY(image.open(QIODevice::WriteOnly));
    image.write(QByteArray(6000, 'f'));
    image.close();
    program.dialogs.fileAnswers << image.fileName();
    form.Command1.click();
    form.Command2.click();
    QTRY_VERIFY_WITH_TIMEOUT(form.bTransferStarted == 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!form.updateUnderWay(), 15000);

    const QString failure = QStringLiteral("Update failed: the device did not answer for 10 "
                                           "seconds. Press \"update\" to start again.");
    QCOMPARE(program.dialogs.messages, QStringList{failure});
    QVERIFY(!program.line.isOpen());
    QVERIFY(form.Command1.isEnabled() && form.Command2.isEnabled() && form.Combo1.isEnabled());
    QCOMPARE(form.Label2.caption(), QStringLiteral("update failed update step:0%"));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
