// The port-settings file: a write changes its own key's line and no other byte.

#include "formfixture.h"
#include "serial/inifile.h"
#include "testfiles.h"

#include <QtTest>

#include <unistd.h>

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void writeKeepsEveryOtherByte_data();
    void writeKeepsEveryOtherByte();
    void valueInAnotherCodePageReadsAsLatin1();
    void unreadableFileIsNotReplaced();
    void failedSaveIsLoggedOnce();
};

void TestIniFile::writeKeepsEveryOtherByte_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after"); // once par5 is COM3

    // A section of another program, written in a single-byte code page.
    const QByteArray foreign("[Other]\r\nname=Stra\xDF"
                             "e \xB0\xE9\r\n");
    QTest::newRow("foreign bytes, key replaced")
        << foreign + "[PortSet]\r\npar5=COM1\r\npar4=115200\r\n"
        << foreign + "[PortSet]\r\npar5=COM3\r\npar4=115200\r\n";
    QTest::newRow("foreign bytes, section added")
        << foreign << foreign + "[PortSet]\r\npar5=COM3\r\n";
    QTest::newRow("LF line ends stay") << QByteArray("[PortSet]\npar4=115200\npar5=COM1\n; note\n")
                                       << QByteArray("[PortSet]\npar4=115200\npar5=COM3\n; note\n");
    QTest::newRow("key added after the section's last key")
        << QByteArray("[PortSet]\r\npar4=115200\r\n\r\n[PortMap]\r\nCOM3=/dev/ttyS0\r\n")
        << QByteArray(
               "[PortSet]\r\npar4=115200\r\npar5=COM3\r\n\r\n[PortMap]\r\nCOM3=/dev/ttyS0\r\n");
    QTest::newRow("last line without a line end")
        << QByteArray("[PortSet]\r\npar4=115200")
        << QByteArray("[PortSet]\r\npar4=115200\r\npar5=COM3\r\n");
    QTest::newRow("byte-order mark before the section")
        << QByteArray("\xEF\xBB\xBF[PortSet]\r\npar5=COM1\r\n")
        << QByteArray("\xEF\xBB\xBF[PortSet]\r\npar5=COM3\r\n");
    QTest::newRow("key in other letter case keeps its place")
        << QByteArray("[portset]\r\nPAR5 = COM1\r\nx=1\r\n")
        << QByteArray("[portset]\r\npar5=COM3\r\nx=1\r\n");
}

void TestIniFile::writeKeepsEveryOtherByte()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString path = dir.filePath("PortSet.ini");
    QVERIFY(writeFile(path, before));
    QVERIFY(IniFile::write("PortSet", "par5", "COM3", path));
    QCOMPARE(readFile(path), after);
    QCOMPARE(IniFile::read("PortSet", "par5", path), QStringLiteral("COM3"));
}

void TestIniFile::valueInAnotherCodePageReadsAsLatin1()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("PortSet.ini");
    QVERIFY(writeFile(path, "[PortMap]\r\nCOM2=/dev/serial/by-id/usb-Gr\xFC"
                            "n\r\nCOM3=/dev/\xC3\xA9\r\n"));
    QCOMPARE(IniFile::read("PortMap", "COM2", path),
             QString::fromUtf8("/dev/serial/by-id/usb-Grün"));
    QCOMPARE(IniFile::read("PortMap", "COM3", path), QString::fromUtf8("/dev/é")); // UTF-8
}

void TestIniFile::unreadableFileIsNotReplaced()
{
    if (geteuid() == 0)
        QSKIP("root reads a file whatever its permissions, so none can be made unreadable");
    QTemporaryDir dir;
    const QString path = dir.filePath("PortSet.ini");
    const QByteArray content = "[PortMap]\r\nCOM1=/dev/ttyUSB0\r\n";
    QVERIFY(writeFile(path, content));
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    QString reason;
    QVERIFY(!IniFile::write("PortSet", "par5", "COM1", path, &reason));
    QVERIFY(!reason.isEmpty());
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readFile(path), content);
}

void TestIniFile::failedSaveIsLoggedOnce()
{
    FormFixture fx;
    Form1 &form = fx.create();
    QVERIFY(QDir(fx.folder.path()).mkdir("PortSet.ini")); // a folder where the file should be
    form.WriteCommSet("COM1", "115200", "1", "n", "8", "0", "2048", "2048");
    const QString log = form.Text29.text();
    QCOMPARE(log.count(QStringLiteral("Cannot save the port settings")), 1);
    QVERIFY2(log.contains(QDir::toNativeSeparators(fx.path("PortSet.ini"))), qPrintable(log));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
