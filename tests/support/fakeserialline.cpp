#include "fakeserialline.h"

#include <optional>

namespace {

// What the system says for each cause.
QString systemReason(OpenFailure::Cause cause)
{
    switch (cause) {
    case OpenFailure::Cause::Missing:
        return QStringLiteral("No such file or directory");
    case OpenFailure::Cause::PermissionDenied:
        return QStringLiteral("Permission denied");
    case OpenFailure::Cause::Busy:
        return QStringLiteral("Device or resource busy");
    case OpenFailure::Cause::Other:
        break;
    }
    return QStringLiteral("Input/output error");
}

} // namespace

bool FakeSerialLine::open(const QString &systemName, const LineSettings &settings,
                          OpenFailure *failure)
{
    std::optional<OpenFailure::Cause> refusal;
    if (m_open)
        refusal = OpenFailure::Cause::Busy;
    else if (refusedPorts.contains(systemName))
        refusal = refusedPorts.value(systemName);
    else if (!openablePorts.contains(systemName))
        refusal = OpenFailure::Cause::Missing;
    if (refusal) {
        if (failure)
            *failure = {*refusal, QString(), systemReason(*refusal)};
        return false;
    }
    m_open = true;
    m_broken = false;
    ++m_openCount;
    m_name = systemName;
    m_settings = settings;
    m_received.clear();
    return true;
}

void FakeSerialLine::close()
{
    m_open = false;
    m_received.clear();
}

void FakeSerialLine::hangUp(const QString &reason)
{
    if (!m_open)
        return;
    close();
    emit lineLost(reason);
}

bool FakeSerialLine::write(const QByteArray &bytes)
{
    if (!m_open || m_broken)
        return false;
    m_writes.push_back({m_loop.nowMs(), bytes});
    emit hostWrote(bytes);
    return true;
}

QByteArray FakeSerialLine::readAll()
{
    QByteArray bytes;
    bytes.swap(m_received);
    return bytes;
}

void FakeSerialLine::deliver(const QByteArray &bytes)
{
    if (!m_open)
        return; // nobody listens on a closed port
    m_received += bytes;
    if (m_readyReadQueued)
        return;
    m_readyReadQueued = true;
    m_loop.post([this] {
        m_readyReadQueued = false;
        if (m_open && !m_received.isEmpty())
            emit readyRead();
    });
}

void FakeSerialLine::deliverAfter(int delayMs, const QByteArray &bytes)
{
    m_loop.post([this, bytes] { deliver(bytes); }, delayMs);
}

QByteArray FakeSerialLine::written() const
{
    QByteArray all;
    for (const Write &w : m_writes)
        all += w.bytes;
    return all;
}
