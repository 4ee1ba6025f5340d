#pragma once

#include "platform/eventloop.h"

#include <map>
#include <memory>
#include <utility>

// A clock that moves only when the test lets it. Events (device replies, timer ticks,
// the user's clicks) are queued at exact virtual instants; runUntil() runs them in
// order and jumps the clock from one to the next, so a 40-second wait takes
// microseconds. Events may nest runUntil() calls, just as a click handler that waits
// inside another handler's wait does in the running program.
class VirtualEventLoop : public EventLoop
{
public:
    std::int64_t nowMs() const override { return m_now; }
    void runUntil(std::int64_t deadlineMs) override;
    std::unique_ptr<LoopTimer> createTimer(int intervalMs, std::function<void()> tick) override;
    void post(std::function<void()> event, int delayMs = 0) override;
    void interrupt() override { m_interrupted = true; }
    bool isInterrupted() const override { return m_interrupted; }

    // Queues an event at an absolute virtual time (never before now).
    void at(std::int64_t timeMs, std::function<void()> event);
    // Runs every event due up to and including timeMs, then leaves the clock at timeMs.
    void advanceTo(std::int64_t timeMs);
    void advanceBy(std::int64_t ms) { advanceTo(m_now + ms); }

    // Number of events waiting (timers count while they are enabled).
    std::size_t pending() const { return m_queue.size(); }

private:
    friend class VirtualLoopTimer;
    using Key = std::pair<std::int64_t, std::uint64_t>; // time, then order of queueing
    Key schedule(std::int64_t timeMs, std::function<void()> event);
    void cancel(const Key &key) { m_queue.erase(key); }
    bool runNextDueAt(std::int64_t timeMs);

    std::int64_t m_now = 0;
    bool m_interrupted = false;
    std::uint64_t m_sequence = 0;
    std::map<Key, std::function<void()>> m_queue;
};
