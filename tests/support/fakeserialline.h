#pragma once

#include "platform/eventloop.h"
#include "serial/serialline.h"

#include <QHash>
#include <QSet>
#include <QVector>

// A serial line on the virtual clock. Tests say which system ports exist and can be
// opened, see every write with its virtual time, and inject received bytes.
class FakeSerialLine : public SerialLine
{
    Q_OBJECT
public:
    struct Write
    {
        std::int64_t timeMs;
        QByteArray bytes;
    };

    explicit FakeSerialLine(EventLoop &loop) : m_loop(loop) {}

    // Ports that open successfully; any other name fails like an absent device.
    QSet<QString> openablePorts;
    // Ports that fail to open for the given cause, with the system's usual words.
    QHash<QString, OpenFailure::Cause> refusedPorts;

    bool open(const QString &systemName, const LineSettings &settings,
              OpenFailure *failure) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override;
    qint64 bytesAvailable() const override { return m_received.size(); }
    QByteArray readAll() override;

    // Bytes from the device: they wait in the input buffer and readyRead follows
    // through the event loop, as with a real port.
    void deliver(const QByteArray &bytes);
    // Like deliver(), but the bytes arrive after the given delay.
    void deliverAfter(int delayMs, const QByteArray &bytes);

    // The port refuses output from now on, though it still reads open.
    void breakLine() { m_broken = true; }
    // The device went away (cable pulled): the line closes itself and says why.
    void hangUp(const QString &reason = QStringLiteral("the device hung up"));

    QString openedName() const { return m_name; }
    LineSettings openedSettings() const { return m_settings; }
    const QVector<Write> &writes() const { return m_writes; }
    QByteArray written() const;
    int openCount() const { return m_openCount; }

signals:
    // The program wrote these bytes (for an in-process device model).
    void hostWrote(const QByteArray &bytes);

private:
    EventLoop &m_loop;
    bool m_open = false;
    bool m_broken = false;
    bool m_readyReadQueued = false;
    int m_openCount = 0;
    QString m_name;
    LineSettings m_settings;
    QByteArray m_received;
    QVector<Write> m_writes;
};
