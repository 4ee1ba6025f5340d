// A whole firmware update in real time against ks936-sim, with a block refused on the way.

#include "simulatedupdate.h"
#include "testbytes.h"

#include <QtTest>

class TestFirmwareSim : public QObject
{
    Q_OBJECT

private slots:
    void updatesSimulator();
};

void TestFirmwareSim::updatesSimulator()
{
    const QByteArray file = randomBytes(300000, 2026);
    const SimulatedUpdate update = SimulatedUpdate::run(file, {"--refuse-block", "2"});
    QVERIFY(update.simulatorStarted);
    QVERIFY2(update.messages.isEmpty(), qPrintable(update.messages.join('\n')));
    QCOMPARE(update.label2, QStringLiteral("update complete update step:100%"));
    QVERIFY(!update.portOpenAtEnd);
    QVERIFY2(update.received == file,
             qPrintable(QStringLiteral("received %1 bytes").arg(update.received.size())));
    QVERIFY2(update.trafficLog.contains("refused once"), "no block was refused on the way");
}

QTEST_GUILESS_MAIN(TestFirmwareSim)
#include "tst_firmwaresim.moc"
