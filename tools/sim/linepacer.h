#pragma once

#include "platform/eventloop.h"

#include <QByteArray>

#include <functional>
#include <memory>

// One direction of a serial line at a fixed rate of 10 bits a byte. Bytes pushed in
// leave through the sink once each could have crossed the line: a byte starts when
// the previous one has ended, so a burst comes out spread over its transfer time.
// The clock has millisecond steps; each step hands over every byte completed by then.
// When disabled, bytes go straight through.
class LinePacer
{
public:
    using Sink = std::function<void(const QByteArray &)>;

    LinePacer(EventLoop &loop, int baudRate, Sink sink);
    ~LinePacer();
    LinePacer(const LinePacer &) = delete;
    LinePacer &operator=(const LinePacer &) = delete;

    void setEnabled(bool enabled) { m_enabled = enabled; }
    void push(const QByteArray &bytes);
    // Drops bytes still on the way.
    void clear();

private:
    std::int64_t completionUs(std::int64_t index) const;
    void scheduleNext();
    void release();

    EventLoop &m_loop;
    int m_baudRate;
    Sink m_sink;
    bool m_enabled = true;
    bool m_scheduled = false;
    QByteArray m_queue;
    std::int64_t m_burstStartUs = 0; // when the first byte of the running burst started
    std::int64_t m_burstSent = 0;    // bytes of the running burst already handed over
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
