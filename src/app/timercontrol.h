#pragma once

#include "platform/eventloop.h"

#include <functional>
#include <memory>

// A window timer (Timer1, Timer2): an interval and an enabled state, ticking through
// the event loop so tests run it on the virtual clock.
class TimerControl
{
public:
    TimerControl(EventLoop &loop, int intervalMs, bool enabled, std::function<void()> tick)
        : m_timer(loop.createTimer(intervalMs, std::move(tick)))
    {
        m_timer->setEnabled(enabled);
    }

    bool isEnabled() const { return m_timer->isEnabled(); }
    // Setting the state it already has keeps the running interval, as window timers do.
    void setEnabled(bool enabled)
    {
        if (enabled != m_timer->isEnabled())
            m_timer->setEnabled(enabled);
    }
    int interval() const { return m_timer->interval(); }

private:
    std::unique_ptr<LoopTimer> m_timer;
};
