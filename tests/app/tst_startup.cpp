// Start-up, port choice and the port-settings file.

#include "formfixture.h"
#include "serial/inifile.h"

#include <QFile>
#include <QtTest>

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

private:
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
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
    writeFile(fx.path("PortSet.ini"), "[PortSet]\r\npar5=COM12\r\n");
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
    writeFile(fx.path("PortSet.ini"),
              "[PortSet]\r\npar5=COM7\r\n[PortMap]\r\nCOM7=/dev/pts/42\r\n");
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
    writeFile(fx.path("PortSet.ini"), "[PortMap]\r\nCOM9=/dev/pts/3\r\n\r\n[PortSet]\r\n"
                                      "OutBuff=1\r\npar5=COM1\r\n; a note\r\n[Other]\r\nx=y\r\n");
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

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
