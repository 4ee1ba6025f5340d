#pragma once

#include "platform/eventloop.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QVector>

// The running program's clock and event pump: a monotonic clock, a nested QEventLoop
// woken by a single-shot timer at the deadline (no spinning) and QTimer-based timers.
class QtEventLoop : public EventLoop
{
public:
    QtEventLoop();

    std::int64_t nowMs() const override;
    void runUntil(std::int64_t deadlineMs) override;
    std::unique_ptr<LoopTimer> createTimer(int intervalMs, std::function<void()> tick) override;
    void post(std::function<void()> event, int delayMs = 0) override;
    void interrupt() override;
    bool isInterrupted() const override { return m_interrupted; }

private:
    QElapsedTimer m_clock;
    QObject m_context;
    QVector<QPointer<QObject>> m_running; // the nested loops of the waits in progress
    bool m_interrupted = false;
};
