// Start-up, port choice and the port-settings file.

#include "app/settingslocation.h"
#include "formfixture.h"
#include "serial/inifile.h"
#include "testfiles.h"

#include <QFile>
#include <QtTest>

#include <unistd.h>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void noPortAndNoSettingsFile();
    void savedPortThatIsAbsent();
    void listsOnlyPortsThatOpen();
    void portMapPointsAtAnyDevice();
    void usbAdaptersComeFirst();
    void portSettingsWrittenFromScratch();
    void portSettingsUpdatedInPlace();
    void longValueComesBackCut();
    void unwritableSettingsFileFailsSilently();
    void pickSelectsPort_data();
    void pickSelectsPort();
    void pickWhilePortOpen();

    void settingsLocation_data();
    void settingsLocation();
    void settingsReadFromWhereTheyAreWritten();

    void listOpenedFindsPluggedAndPulledPorts();
    void deviceKeepsItsNumberWhenAnotherIsPlugged();
    void portMapNumbersAndDevicesAreNotHandedOut();
    void noProbeWhileThePortIsOpen();
    void noProbeWhileAnOperationWaits();

    void openFailureExplained_data();
    void openFailureExplained();

private:
};

void TestStartup::noPortAndNoSettingsFile()
{
    FormFixture fx;
    Form1 &form = fx.create();
    QVERIFY(form.Combo1.items().isEmpty());
    QCOMPARE(form.Combo1.text(), QString());
    QCOMPARE(form.MSComm1.CommPort(), 16);
    QCOMPARE(form.MSComm1.Settings(), QStringLiteral("115200,n,8,1"));
    QCOMPARE(form.MSComm1.InBufferSize, 4096);
    QCOMPARE(form.MSComm1.OutBufferSize, 2032);
    QCOMPARE(form.MSComm1.RThreshold, 1);
    QVERIFY(!form.MSComm1.PortOpen());
    QVERIFY(!QFile::exists(fx.path("PortSet.ini"))); // start-up writes nothing
}

void TestStartup::savedPortThatIsAbsent()
{
    FormFixture fx;
    QVERIFY(writeFile(fx.path("PortSet.ini"), "[PortSet]\r\npar5=COM12\r\n"));
    fx.addPort("/dev/ttyUSB0");
    Form1 &form = fx.create();
    QCOMPARE(form.Combo1.text(), QStringLiteral("COM12"));
    QCOMPARE(form.Combo1.items(), QStringList{"COM1"});
    QCOMPARE(form.MSComm1.CommPort(), 12);
    QVERIFY(!form.MSComm1.PortOpen());
}

void TestStartup::listsOnlyPortsThatOpen()
{
    FormFixture fx;
    fx.addPort("/dev/ttyUSB0");
    fx.addPort("/dev/ttyUSB1", false); // held by another program
    fx.addPort("/dev/ttyUSB2");
    Form1 &form = fx.create();
    QCOMPARE(form.Combo1.items(), (QStringList{"COM1", "COM3"}));
    QCOMPARE(form.Combo1.itemToolTips().first(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(fx.line.openCount(), 2);
    QVERIFY(!form.MSComm1.PortOpen());
}

void TestStartup::portMapPointsAtAnyDevice()
{
    FormFixture fx;
    QVERIFY(writeFile(fx.path("PortSet.ini"),
                      "[PortSet]\r\npar5=COM7\r\n[PortMap]\r\nCOM7=/dev/pts/42\r\n"));
    fx.line.openablePorts.insert("/dev/pts/42");
    Form1 &form = fx.create();
    QCOMPARE(form.Combo1.items(), QStringList{"COM7"});
    QCOMPARE(form.Combo1.itemToolTips(), QStringList{"/dev/pts/42"});
    QCOMPARE(form.MSComm1.CommPort(), 7);
    form.MSComm1.setPortOpen(true);
    QCOMPARE(fx.line.openedName(), QStringLiteral("/dev/pts/42"));
}

void TestStartup::usbAdaptersComeFirst()
{
    FormFixture fx;
    fx.systemPorts << SystemPort{"/dev/ttyS0", "", false} << SystemPort{"/dev/ttyUSB1", "", true}
                   << SystemPort{"/dev/ttyACM0", "", true};
    fx.line.openablePorts = {"/dev/ttyS0", "/dev/ttyUSB1", "/dev/ttyACM0"};
    Form1 &form = fx.create();
    QCOMPARE(form.Combo1.itemToolTips(),
             (QStringList{"/dev/ttyACM0", "/dev/ttyUSB1", "/dev/ttyS0"}));
}

void TestStartup::portSettingsWrittenFromScratch()
{
    FormFixture fx;
    Form1 &form = fx.create();
    form.WriteCommSet("COM3", "115200", "1", "n", "8", "0", "2048", "2048");
    QCOMPARE(readFile(fx.path("PortSet.ini")),
             QByteArray("[PortSet]\r\npar5=COM3\r\npar4=115200\r\npar1=1\r\npar3=n\r\npar2=8\r\n"
                        "par0=0\r\nInBuff=2048\r\nOutBuff=2048\r\n"));
    QCOMPARE(form.ReadINI("PortSet", "par5", fx.path("PortSet.ini")), QStringLiteral("COM3"));
}

void TestStartup::portSettingsUpdatedInPlace()
{
    FormFixture fx;
    QVERIFY(writeFile(fx.path("PortSet.ini"),
                      "[PortMap]\r\nCOM9=/dev/pts/3\r\n\r\n[PortSet]\r\n"
                      "OutBuff=1\r\npar5=COM1\r\n; a note\r\n[Other]\r\nx=y\r\n"));
    Form1 &form = fx.create();
    form.WriteCommSet("COM9", "115200", "1", "n", "8", "0", "2048", "2048");
    QCOMPARE(readFile(fx.path("PortSet.ini")),
             QByteArray("[PortMap]\r\nCOM9=/dev/pts/3\r\n\r\n[PortSet]\r\nOutBuff=2048\r\n"
                        "par5=COM9\r\n; a note\r\npar4=115200\r\npar1=1\r\npar3=n\r\npar2=8\r\n"
                        "par0=0\r\nInBuff=2048\r\n[Other]\r\nx=y\r\n"));
}

void TestStartup::longValueComesBackCut()
{
    FormFixture fx;
    const QString longName = QString(300, QLatin1Char('P'));
    QVERIFY(IniFile::write("PortSet", "par5", longName, fx.path("PortSet.ini")));
    Form1 &form = fx.create();
    QCOMPARE(form.Combo1.text(), longName.left(254));
    QCOMPARE(form.MSComm1.CommPort(), 16); // no number after "COM"
}

void TestStartup::unwritableSettingsFileFailsSilently()
{
    FormFixture fx;
    Form1 &form = fx.create();
    QVERIFY(QDir(fx.folder.path()).mkdir("PortSet.ini")); // a folder where the file should be
    QCOMPARE(form.WriteINI("PortSet", "par5", "COM1", fx.path("PortSet.ini")), std::int16_t(0));
    form.WriteCommSet("COM1", "115200", "1", "n", "8", "0", "2048", "2048");
    QVERIFY(fx.dialogs.messages.isEmpty());
}

void TestStartup::pickSelectsPort_data()
{
    QTest::addColumn<QString>("picked");
    QTest::addColumn<int>("port");
    QTest::newRow("COM5") << "COM5" << 5;
    QTest::newRow("COM9") << "COM9" << 9;
    QTest::newRow("COM12 listed too") << "COM12" << 12;
    QTest::newRow("COM16") << "COM16" << 16;
    QTest::newRow("COM17 is not a port") << "COM17" << 2;
    QTest::newRow("lower case") << "com5" << 2;
}

void TestStartup::pickSelectsPort()
{
    QFETCH(QString, picked);
    QFETCH(int, port);
    FormFixture fx;
    Form1 &form = fx.create();
    form.Combo1.pick("COM2");
    form.Combo1.pick(picked);
    QCOMPARE(form.MSComm1.CommPort(), port);
    form.Combo1.setText("COM7"); // typed, not picked
    QCOMPARE(form.MSComm1.CommPort(), port);
}

void TestStartup::pickWhilePortOpen()
{
    FormFixture fx;
    fx.addPort("/dev/ttyUSB0");
    fx.addPort("/dev/ttyUSB1");
    Form1 &form = fx.create();
    form.Combo1.pick("COM1");
    form.MSComm1.setPortOpen(true);
    form.Combo1.pick("COM2");
    QCOMPARE(fx.dialogs.messages, QStringList{"Port is open"});
    QCOMPARE(form.MSComm1.CommPort(), 1);
    QVERIFY(form.MSComm1.PortOpen());
}

void TestStartup::settingsLocation_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<bool>("beside");
    QTest::newRow("writable folder: beside the program") << "writable" << true;
    QTest::newRow("installed copy: the user's folder") << "installed" << false;
    QTest::newRow("folder that is not there: the user's folder") << "missing" << false;
    QTest::newRow("read-only folder: the user's folder") << "read-only" << false;
}

void TestStartup::settingsLocation()
{
    QFETCH(QString, programFolder);
    QFETCH(bool, beside);
    QTemporaryDir root;
    const QString bin = root.filePath("bin");
    const QString config = root.filePath("config/ks936-config");
    if (programFolder != "missing")
        QVERIFY(QDir(root.path()).mkdir("bin"));
    if (programFolder == "installed") {
        QVERIFY(QDir(root.path()).mkpath("share/applications"));
        QVERIFY(writeFile(root.filePath("share/applications/org.example.test.desktop"),
                          "[Desktop Entry]\n"));
    }
    if (programFolder == "read-only") {
        if (::geteuid() == 0)
            QSKIP("root may write into any folder, so no folder is read-only for this test");
        QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
    }
    const QString chosen =
        SettingsLocation::portSettingsFile(bin, config, "org.example.test.desktop");
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(chosen, QDir(beside ? bin : config).filePath("PortSet.ini"));
}

// The user's configuration folder may not exist yet: the first write makes it, and the
// next start reads the port back from there. Nothing lands beside the program.
void TestStartup::settingsReadFromWhereTheyAreWritten()
{
    FormFixture fx;
    fx.settingsFile = fx.path("home/.config/ks936-config/PortSet.ini");
    fx.addPort("/dev/ttyUSB0");
    fx.create().WriteCommSet("COM3", "115200", "1", "n", "8", "0", "2048", "2048");
    QVERIFY(readFile(fx.settingsFile).startsWith("[PortSet]\r\npar5=COM3\r\n"));

    QVERIFY(IniFile::write("PortMap", "COM3", "/dev/pts/42", fx.settingsFile));
    fx.line.openablePorts.insert("/dev/pts/42");
    Form1 &form = fx.create();
    QCOMPARE(form.Combo1.text(), QStringLiteral("COM3"));
    QCOMPARE(form.MSComm1.CommPort(), 3);
    QCOMPARE(form.Combo1.items(), (QStringList{"COM1", "COM3"}));
    QCOMPARE(form.Combo1.itemToolTips().last(), QStringLiteral("/dev/pts/42"));
    QVERIFY(!QFile::exists(fx.path("PortSet.ini")));
}

void TestStartup::listOpenedFindsPluggedAndPulledPorts()
{
    FormFixture fx;
    QVERIFY(writeFile(fx.path("PortSet.ini"), "[PortSet]\r\npar5=COM2\r\n"));
    fx.addPort("/dev/ttyUSB0");
    fx.addPort("/dev/ttyUSB1");
    fx.addPort("/dev/ttyUSB2", false); // held by another program
    Form1 &form = fx.create();
    QCOMPARE(form.Combo1.items(), (QStringList{"COM1", "COM2"}));
    QCOMPARE(fx.enumerations, 1);

    fx.removePort("/dev/ttyUSB0");
    fx.addPort("/dev/ttyUSB7");
    fx.addPort("/dev/ttyACM0");
    form.Combo1.setText("my adapter"); // typed, not picked
    form.Combo1.dropDown();
    // COM1 went with its device and is handed out again; COM3 stays taken while its
    // device stays plugged in, though it does not open.
    QCOMPARE(form.Combo1.items(), (QStringList{"COM1", "COM2", "COM4"}));
    QCOMPARE(form.Combo1.itemToolTips(),
             (QStringList{"/dev/ttyACM0", "/dev/ttyUSB1", "/dev/ttyUSB7"}));
    QCOMPARE(fx.enumerations, 2); // once per look, however many numbers were tried
    QCOMPARE(form.Combo1.text(), QStringLiteral("my adapter"));
    QCOMPARE(form.MSComm1.CommPort(), 2);
    QVERIFY(!form.MSComm1.PortOpen());

    fx.removePort("/dev/ttyACM0");
    fx.removePort("/dev/ttyUSB1");
    fx.removePort("/dev/ttyUSB7");
    form.Combo1.dropDown();
    QVERIFY(form.Combo1.items().isEmpty());
    QCOMPARE(form.MSComm1.CommPort(), 2);
    QVERIFY(fx.dialogs.messages.isEmpty());
}

// A second adapter that sorts first does not take over COM1, whether the list was
// opened since or not.
void TestStartup::deviceKeepsItsNumberWhenAnotherIsPlugged()
{
    FormFixture fx;
    fx.addPort("/dev/ttyUSB1");
    Form1 &form = fx.create();
    form.Combo1.pick("COM1");
    fx.addPort("/dev/ttyUSB0");
    form.MSComm1.setPortOpen(true);
    QCOMPARE(fx.line.openedName(), QStringLiteral("/dev/ttyUSB1"));
    form.MSComm1.setPortOpen(false);

    form.Combo1.dropDown();
    QCOMPARE(form.Combo1.itemToolTips(), (QStringList{"/dev/ttyUSB1", "/dev/ttyUSB0"}));
    form.MSComm1.setPortOpen(true);
    QCOMPARE(fx.line.openedName(), QStringLiteral("/dev/ttyUSB1"));
}

// A number named in [PortMap] is not handed out to another device, and the device it
// names (here through a link, as /dev/serial/by-id/... does) gets no second number.
void TestStartup::portMapNumbersAndDevicesAreNotHandedOut()
{
    FormFixture fx;
    QVERIFY(QDir(fx.folder.path()).mkpath("dev"));
    QVERIFY(QDir(fx.folder.path()).mkpath("by-id"));
    QVERIFY(writeFile(fx.path("dev/ttyS9"), QByteArray()));
    QVERIFY(QFile::link(fx.path("dev/ttyS9"), fx.path("by-id/adapter")));
    QVERIFY(IniFile::write("PortMap", "COM1", fx.path("by-id/adapter"), fx.path("PortSet.ini")));
    fx.line.openablePorts.insert(fx.path("by-id/adapter"));
    fx.systemPorts << SystemPort{fx.path("dev/ttyS9"), "built-in", false};
    fx.line.openablePorts.insert(fx.path("dev/ttyS9"));
    fx.addPort("/dev/ttyUSB0");
    Form1 &form = fx.create();
    QCOMPARE(form.Combo1.items(), (QStringList{"COM1", "COM2"}));
    QCOMPARE(form.Combo1.itemToolTips(), (QStringList{fx.path("by-id/adapter"), "/dev/ttyUSB0"}));
}

void TestStartup::noProbeWhileThePortIsOpen()
{
    FormFixture fx;
    fx.addPort("/dev/ttyUSB0");
    Form1 &form = fx.create();
    form.Combo1.pick("COM1");
    form.MSComm1.setPortOpen(true);
    const int opens = fx.line.openCount();
    fx.addPort("/dev/ttyUSB1");
    form.Combo1.dropDown();
    QCOMPARE(fx.line.openCount(), opens);
    QCOMPARE(fx.enumerations, 1);
    QCOMPARE(form.Combo1.items(), QStringList{"COM1"});
    QVERIFY(form.MSComm1.PortOpen());
    QCOMPARE(fx.line.openedName(), QStringLiteral("/dev/ttyUSB0"));
}

// "restart" waits before it opens the port: the list opened meanwhile stays as it is,
// and the restart opens the port it was meant to.
void TestStartup::noProbeWhileAnOperationWaits()
{
    FormFixture fx;
    fx.addPort("/dev/ttyUSB0");
    Form1 &form = fx.create();
    form.Combo1.pick("COM1");
    fx.addPort("/dev/ttyUSB1");
    const int opens = fx.line.openCount();
    bool dropped = false;
    fx.loop.post(
        [&] {
            QVERIFY(!form.MSComm1.PortOpen());
            form.Combo1.dropDown();
            dropped = true;
        },
        50);
    form.Command9.click();
    QVERIFY(dropped);
    QCOMPARE(fx.enumerations, 1);
    QCOMPARE(form.Combo1.items(), QStringList{"COM1"});
    QCOMPARE(fx.line.openCount(), opens + 1);
    QCOMPARE(fx.line.openedName(), QStringLiteral("/dev/ttyUSB0"));
    QVERIFY(fx.line.written().contains("REBOOT#"));

    form.Combo1.dropDown(); // idle again: the list is brought up to date
    QCOMPARE(form.Combo1.items(), (QStringList{"COM1", "COM2"}));
}

namespace {
enum Refusal
{
    NoDevice = -1,
    AlreadyOpen = -2
};
}

void TestStartup::openFailureExplained_data()
{
    using Cause = OpenFailure::Cause;
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("refusal"); // an OpenFailure::Cause or a Refusal
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("details"); // parts the details hold; none: no details

    const QStringList permission = {"/dev/ttyUSB0: Permission denied.", "\"dialout\"",
                                    "sudo usermod -aG dialout $USER", "log in again"};
    const QStringList busy = {"/dev/ttyUSB0: Device or resource busy.", "terminal", "ModemManager",
                              "brltty"};
    const QStringList missing = {"/dev/ttyUSB0: No such file or directory.", "unplugged",
                                 "[PortMap] section of " + QString("%SETTINGS%"),
                                 "open the port list"};
    QTest::newRow("read, permission")
        << "Command6" << int(Cause::PermissionDenied) << "Port is open or no" << permission;
    QTest::newRow("read, busy") << "Command6" << int(Cause::Busy) << "Port is open or no" << busy;
    QTest::newRow("read, unplugged")
        << "Command6" << int(Cause::Missing) << "Port is open or no" << missing;
    QTest::newRow("read, no device for the number")
        << "Command6" << int(NoDevice) << "Port is open or no"
        << QStringList{"COM5 stands for no serial device.", "unplugged", "[PortMap]"};
    QTest::newRow("read, other") << "Command6" << int(Cause::Other) << "Port is open or no"
                                 << QStringList{"/dev/ttyUSB0: Input/output error.",
                                                "Check the adapter"};
    QTest::newRow("apply, busy") << "Command8" << int(Cause::Busy) << "Port is open or no" << busy;
    QTest::newRow("apply with the port open: not an open failure")
        << "Command8" << int(AlreadyOpen) << "Port is open or no" << QStringList();
    QTest::newRow("restart, permission")
        << "Command9" << int(Cause::PermissionDenied) << "Port is open or no" << permission;
    QTest::newRow("update, unplugged")
        << "Command2" << int(Cause::Missing) << "Port is use or no" << missing;
    QTest::newRow("update, busy") << "Command2" << int(Cause::Busy) << "Port is use or no" << busy;
}

// The message keeps its text; its details give the system's reason and a hint.
void TestStartup::openFailureExplained()
{
    QFETCH(QString, button);
    QFETCH(int, refusal);
    QFETCH(QString, message);
    QFETCH(QStringList, details);
    FormFixture fx;
    fx.addPort("/dev/ttyUSB0");
    Form1 &form = fx.create();
    form.Combo1.pick(refusal == NoDevice ? "COM5" : "COM1");
    form.lRomLen = 6000; // an image is loaded, so "update" goes for the port
    if (refusal == AlreadyOpen)
        form.MSComm1.setPortOpen(true);
    else if (refusal == int(OpenFailure::Cause::Missing))
        fx.removePort("/dev/ttyUSB0");
    else if (refusal >= 0)
        fx.line.refusedPorts.insert("/dev/ttyUSB0", OpenFailure::Cause(refusal));

    CommandButton *const buttons[] = {&form.Command6, &form.Command8, &form.Command9,
                                      &form.Command2};
    const auto pressed = std::find_if(std::begin(buttons), std::end(buttons),
                                      [&](CommandButton *b) { return b->name() == button; });
    QVERIFY(pressed != std::end(buttons));
    (*pressed)->click();

    QCOMPARE(fx.dialogs.messages, QStringList{message});
    const QString shown = fx.dialogs.details.value(0);
    if (details.isEmpty())
        QCOMPARE(shown, QString());
    for (QString part : std::as_const(details)) {
        part.replace("%SETTINGS%", QDir::toNativeSeparators(fx.path("PortSet.ini")));
        QVERIFY2(shown.contains(part), qPrintable(shown + "\n lacks: " + part));
    }
    if (refusal != AlreadyOpen)
        QVERIFY(!form.MSComm1.PortOpen());
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
