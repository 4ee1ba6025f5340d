#include "platform/qteventloop.h"

#include <QEventLoop>
#include <QTimer>

namespace {

class QtLoopTimer : public LoopTimer
{
public:
    QtLoopTimer(int intervalMs, std::function<void()> tick)
    {
        m_timer.setInterval(intervalMs);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [tick = std::move(tick)] { tick(); });
    }
    void setInterval(int intervalMs) override { m_timer.setInterval(intervalMs); }
    int interval() const override { return m_timer.interval(); }
    void setEnabled(bool enabled) override
    {
        if (enabled)
            m_timer.start();
        else
            m_timer.stop();
    }
    bool isEnabled() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace

QtEventLoop::QtEventLoop() { m_clock.start(); }

std::int64_t QtEventLoop::nowMs() const { return m_clock.elapsed(); }

void QtEventLoop::runUntil(std::int64_t deadlineMs)
{
    while (!m_interrupted && nowMs() <= deadlineMs) {
        QEventLoop loop;
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
        wake.start(int(deadlineMs - nowMs() + 1));
        m_running.append(&loop);
        loop.exec();
        m_running.removeAll(&loop);
    }
}

void QtEventLoop::interrupt()
{
    m_interrupted = true;
    for (const QPointer<QObject> &loop : qAsConst(m_running)) {
        if (loop)
            static_cast<QEventLoop *>(loop.data())->quit();
    }
}

std::unique_ptr<LoopTimer> QtEventLoop::createTimer(int intervalMs, std::function<void()> tick)
{
    return std::make_unique<QtLoopTimer>(intervalMs, std::move(tick));
}

void QtEventLoop::post(std::function<void()> event, int delayMs)
{
    QTimer::singleShot(delayMs, &m_context, std::move(event));
}
