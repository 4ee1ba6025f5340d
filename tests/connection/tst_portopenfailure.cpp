// A real port that does not open, through QSerialPort on a pseudo-terminal: the cause
// reaches the handlers with the system's reason.

#include "serial/mscomm.h"
#include "serial/qtserialline.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A pseudo-terminal whose device node stands in for a serial adapter.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            m_path = QString::fromLocal8Bit(::ptsname(m_master));
    }
    ~PseudoTerminal()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    QString path() const { return m_path; }

private:
    int m_master = -1;
    QString m_path;
};

} // namespace

class TestPortOpenFailure : public QObject
{
    Q_OBJECT

private slots:
    void opensWhenFree();
    void missingDevice();
    void deviceHeldElsewhere();
    void deviceWithoutPermission();

private:
    // Opens `device` through the serial control as the handlers do; returns the
    // failure it reported, or none when the port opened.
    static std::optional<OpenFailure> openThroughControl(QtSerialLine &line, const QString &device)
    {
        MSComm control(line, [device](int) { return device; });
        control.setSettings(QStringLiteral("115200,n,8,1"));
        try {
            control.setPortOpen(true);
        } catch (const CommError &error) {
            if (!error.openFailure())
                qWarning("a failure without its cause: %s", error.what());
            return error.openFailure() ? error.openFailure() : OpenFailure{};
        }
        return std::nullopt;
    }
};

void TestPortOpenFailure::opensWhenFree()
{
    PseudoTerminal pty;
    QVERIFY(!pty.path().isEmpty());
    QtSerialLine line;
    const std::optional<OpenFailure> failure = openThroughControl(line, pty.path());
    QVERIFY2(!failure, qPrintable(failure ? failure->reason : QString()));
    QVERIFY(line.isOpen());
}

void TestPortOpenFailure::missingDevice()
{
    QTemporaryDir folder;
    const QString device = folder.filePath("ttyUSB0"); // unplugged: no such node
    QtSerialLine line;
    const std::optional<OpenFailure> failure = openThroughControl(line, device);
    QVERIFY(failure);
    QCOMPARE(failure->cause, OpenFailure::Cause::Missing);
    QCOMPARE(failure->device, device);
    QVERIFY(!failure->reason.isEmpty());
    QVERIFY(!line.isOpen());
}

// Another program has the port open (here another line of this process, which holds
// the port's lock as any QSerialPort program does).
void TestPortOpenFailure::deviceHeldElsewhere()
{
    PseudoTerminal pty;
    QVERIFY(!pty.path().isEmpty());
    QtSerialLine holder;
    QVERIFY(!openThroughControl(holder, pty.path()));

    QtSerialLine line;
    const std::optional<OpenFailure> failure = openThroughControl(line, pty.path());
    QVERIFY(failure);
    QCOMPARE(failure->cause, OpenFailure::Cause::Busy);
    QCOMPARE(failure->device, pty.path());
    QVERIFY(!failure->reason.isEmpty());
    QVERIFY(describeOpenFailure(*failure, "PortSet.ini").contains("ModemManager"));
}

void TestPortOpenFailure::deviceWithoutPermission()
{
    if (::geteuid() == 0)
        QSKIP("running as root, which opens any device node whatever its mode: a refused "
              "open cannot be made here");
    PseudoTerminal pty;
    QVERIFY(!pty.path().isEmpty());
    QCOMPARE(::chmod(QFile::encodeName(pty.path()).constData(), 0), 0);
    QtSerialLine line;
    const std::optional<OpenFailure> failure = openThroughControl(line, pty.path());
    QVERIFY(failure);
    QCOMPARE(failure->cause, OpenFailure::Cause::PermissionDenied);
    QVERIFY(!failure->reason.isEmpty());
    QVERIFY(
        describeOpenFailure(*failure, "PortSet.ini").contains("sudo usermod -aG dialout $USER"));
}

QTEST_GUILESS_MAIN(TestPortOpenFailure)
#include "tst_portopenfailure.moc"
