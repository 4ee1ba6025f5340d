#include "linepacer.h"

#include <algorithm>

namespace {
constexpr std::int64_t kBitsPerByte = 10;
constexpr std::int64_t kUsPerSecond = 1000000;
} // namespace

LinePacer::LinePacer(EventLoop &loop, int baudRate, Sink sink)
    : m_loop(loop), m_baudRate(std::max(1, baudRate)), m_sink(std::move(sink))
{
}

LinePacer::~LinePacer()
{
    *m_alive = false;
}

std::int64_t LinePacer::completionUs(std::int64_t index) const
{
    // Whole microseconds, rounded up: a byte never counts as arrived early.
    const std::int64_t bits = (index + 1) * kBitsPerByte * kUsPerSecond;
    return m_burstStartUs + (bits + m_baudRate - 1) / m_baudRate;
}

void LinePacer::push(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (!m_enabled) {
        m_sink(bytes);
        return;
    }
    if (m_queue.isEmpty()) {
        // The line is idle: a new burst starts now (or once the last byte has ended).
        const std::int64_t nowUs = m_loop.nowMs() * 1000;
        const std::int64_t freeUs = m_burstSent > 0 ? completionUs(m_burstSent - 1) : 0;
        m_burstStartUs = std::max(nowUs, freeUs);
        m_burstSent = 0;
    }
    m_queue += bytes;
    scheduleNext();
}

void LinePacer::clear()
{
    m_queue.clear();
}

void LinePacer::scheduleNext()
{
    if (m_scheduled || m_queue.isEmpty())
        return;
    const std::int64_t dueMs = (completionUs(m_burstSent) + 999) / 1000;
    m_scheduled = true;
    std::weak_ptr<bool> alive = m_alive;
    m_loop.post(
        [this, alive] {
            if (alive.expired())
                return;
            m_scheduled = false;
            release();
        },
        int(std::max<std::int64_t>(0, dueMs - m_loop.nowMs())));
}

void LinePacer::release()
{
    const std::int64_t elapsedUs = m_loop.nowMs() * 1000 - m_burstStartUs;
    const std::int64_t completed = elapsedUs * m_baudRate / (kBitsPerByte * kUsPerSecond);
    const int count = int(std::min<std::int64_t>(m_queue.size(), completed - m_burstSent));
    if (count <= 0) {
        scheduleNext();
        return;
    }
    const QByteArray out = m_queue.left(count);
    m_queue.remove(0, count);
    m_burstSent += count;
    std::weak_ptr<bool> alive = m_alive;
    m_sink(out);
    if (!alive.expired())
        scheduleNext();
}
