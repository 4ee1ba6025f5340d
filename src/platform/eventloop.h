#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// A repeating timer created by an EventLoop. It starts disabled.
class LoopTimer
{
public:
    virtual ~LoopTimer() = default;
    virtual void setInterval(int intervalMs) = 0;
    virtual int interval() const = 0;
    // Enabling (re)starts the interval from now; disabling drops any pending tick.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
};

// The one seam through which the program sees time: a monotonic millisecond clock,
// an event pump that waits for a deadline, repeating timers and queued events.
// The running program uses QtEventLoop; tests use a virtual clock.
class EventLoop
{
public:
    virtual ~EventLoop() = default;

    // Milliseconds on a clock that never goes backwards.
    virtual std::int64_t nowMs() const = 0;

    // Runs pending events until nowMs() > deadlineMs. Events may call runUntil
    // themselves (a click handler that waits inside another handler's wait).
    virtual void runUntil(std::int64_t deadlineMs) = 0;

    virtual std::unique_ptr<LoopTimer> createTimer(int intervalMs, std::function<void()> tick) = 0;

    // Queues an event to run after delayMs (0: as soon as the loop pumps).
    virtual void post(std::function<void()> event, int delayMs = 0) = 0;

    // Ends every running runUntil() at once, and makes later calls return at once too:
    // the program is shutting down and no wait may hold it.
    virtual void interrupt() = 0;
    virtual bool isInterrupted() const = 0;
};
