// The virtual clock, the timers and Delay: clicks, received bytes and timer ticks run
// inside a wait, at exact virtual instants.

#include "formfixture.h"

#include <QtTest>

class TestTiming : public QObject
{
    Q_OBJECT

private slots:
    void delayWaitsStrictlyLonger_data();
    void delayWaitsStrictlyLonger();
    void clickAndReceiveRunInsideWait();
    void nestedWaitRunsLaterEventsFirst();
    void timersTick();
    void unloadEndsTheWait();
};

void TestTiming::delayWaitsStrictlyLonger_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<int>("returnsAt");
    QTest::newRow("100") << 100 << 101;
    QTest::newRow("1000") << 1000 << 1001;
    QTest::newRow("zero waits a millisecond") << 0 << 1;
    QTest::newRow("negative returns at once") << -5 << 0;
}

void TestTiming::delayWaitsStrictlyLonger()
{
    QFETCH(int, ms);
    QFETCH(int, returnsAt);
    FormFixture fx;
    Form1 &form = fx.create();
    form.Delay(ms);
    QCOMPARE(fx.loop.nowMs(), std::int64_t(returnsAt));
}

void TestTiming::clickAndReceiveRunInsideWait()
{
    FormFixture fx;
    fx.addPort("/dev/ttyUSB0");
    Form1 &form = fx.create();
    form.Combo1.pick("COM1");
    form.MSComm1.setPortOpen(true);

    std::int64_t clickedAt = -1;
    form.Command0.onClick = [&] { clickedAt = fx.loop.nowMs(); };
    fx.loop.at(250, [&] { form.Command0.click(); });
    fx.loop.at(400, [&] { fx.line.deliver("CONNECT\r\n"); });

    form.Delay(1000);

    QCOMPARE(clickedAt, std::int64_t(250));
    QCOMPARE(form.bConnectOk, std::uint8_t(1));
    QCOMPARE(form.Text1.text(), QStringLiteral("Text1434F4E4E4543540D0A"));
    QCOMPARE(fx.loop.nowMs(), std::int64_t(1001));
}

void TestTiming::nestedWaitRunsLaterEventsFirst()
{
    FormFixture fx;
    Form1 &form = fx.create();
    QStringList order;
    fx.loop.at(100, [&] {
        order << "click at 100";
        form.Delay(500); // a handler that waits inside the outer wait
        order << QStringLiteral("click done at %1").arg(fx.loop.nowMs());
    });
    fx.loop.at(300, [&] { order << "event at 300"; });
    form.Delay(200);
    order << QStringLiteral("outer done at %1").arg(fx.loop.nowMs());
    QCOMPARE(order, (QStringList{"click at 100", "event at 300", "click done at 601",
                                 "outer done at 601"}));
}

void TestTiming::timersTick()
{
    FormFixture fx;
    Form1 &form = fx.create();
    QVERIFY(form.Timer2.isEnabled());
    QCOMPARE(form.Timer2.interval(), 100);
    QVERIFY(!form.Timer1.isEnabled());
    QCOMPARE(form.Timer1.interval(), 1000);

    int ticks = 0;
    auto timer = fx.loop.createTimer(100, [&] { ++ticks; });
    timer->setEnabled(true);
    fx.loop.advanceTo(1000);
    QCOMPARE(ticks, 10);
    timer->setEnabled(false);
    fx.loop.advanceTo(2000);
    QCOMPARE(ticks, 10);
}

void TestTiming::unloadEndsTheWait()
{
    FormFixture fx;
    fx.addPort("/dev/ttyUSB0");
    Form1 &form = fx.create();
    form.Combo1.pick("COM1");
    form.MSComm1.setPortOpen(true);
    bool reachedEnd = false;
    form.Command0.onClick = [&] {
        form.Delay(10000);
        reachedEnd = true;
    };
    fx.loop.at(500, [&] { form.Form_Unload(); });
    form.dispatch([&] { form.Command0.click(); });
    QVERIFY(!reachedEnd);
    QVERIFY(fx.loop.nowMs() < 10000);
    QVERIFY(!form.MSComm1.PortOpen());
    QVERIFY(!form.Timer2.isEnabled());
}

QTEST_GUILESS_MAIN(TestTiming)
#include "tst_timing.moc"
