#include "virtualeventloop.h"

#include <algorithm>

class VirtualLoopTimer : public LoopTimer
{
public:
    VirtualLoopTimer(VirtualEventLoop &loop, int intervalMs, std::function<void()> tick)
        : m_loop(loop), m_interval(intervalMs), m_tick(std::move(tick))
    {
    }
    ~VirtualLoopTimer() override { setEnabled(false); }

    void setInterval(int intervalMs) override
    {
        m_interval = intervalMs;
        if (m_enabled)
            arm();
    }
    int interval() const override { return m_interval; }
    void setEnabled(bool enabled) override
    {
        if (m_enabled)
            m_loop.cancel(m_next);
        m_enabled = enabled;
        if (enabled)
            arm();
    }
    bool isEnabled() const override { return m_enabled; }

private:
    void arm()
    {
        m_loop.cancel(m_next);
        m_next = m_loop.schedule(m_loop.nowMs() + std::max(1, m_interval), [this] {
            arm(); // the next tick is due one interval after this one started
            m_tick();
        });
    }

    VirtualEventLoop &m_loop;
    int m_interval;
    std::function<void()> m_tick;
    bool m_enabled = false;
    VirtualEventLoop::Key m_next{-1, 0};
};

VirtualEventLoop::Key VirtualEventLoop::schedule(std::int64_t timeMs, std::function<void()> event)
{
    Key key{std::max(timeMs, m_now), m_sequence++};
    m_queue.emplace(key, std::move(event));
    return key;
}

void VirtualEventLoop::at(std::int64_t timeMs, std::function<void()> event)
{
    schedule(timeMs, std::move(event));
}

void VirtualEventLoop::post(std::function<void()> event, int delayMs)
{
    schedule(m_now + std::max(0, delayMs), std::move(event));
}

std::unique_ptr<LoopTimer> VirtualEventLoop::createTimer(int intervalMs, std::function<void()> tick)
{
    return std::make_unique<VirtualLoopTimer>(*this, intervalMs, std::move(tick));
}

bool VirtualEventLoop::runNextDueAt(std::int64_t timeMs)
{
    if (m_queue.empty() || m_queue.begin()->first.first > timeMs)
        return false;
    auto node = m_queue.extract(m_queue.begin());
    m_now = std::max(m_now, node.key().first);
    node.mapped()();
    return true;
}

void VirtualEventLoop::runUntil(std::int64_t deadlineMs)
{
    // Like the real pump: events due by the deadline run in order, the clock jumping to
    // each; then the clock stands at the first millisecond past the deadline.
    while (!m_interrupted && m_now <= deadlineMs) {
        if (!runNextDueAt(deadlineMs))
            m_now = deadlineMs + 1;
    }
}

void VirtualEventLoop::advanceTo(std::int64_t timeMs)
{
    while (runNextDueAt(timeMs)) {
    }
    m_now = std::max(m_now, timeMs);
}
