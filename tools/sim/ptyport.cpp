#include "ptyport.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace {
QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}
} // namespace

PtyPort::PtyPort(QObject *parent) : QObject(parent) {}

PtyPort::~PtyPort()
{
    close();
}

bool PtyPort::open(QString *error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    char name[256];
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, name, sizeof name) != 0) {
        *error = systemError("grantpt/unlockpt/ptsname");
        close();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);

    // Raw 8N1, no echo: the line carries bytes, not a terminal session. The settings
    // stay with the pseudo-terminal across the program's opens and closes.
    termios raw{};
    tcgetattr(m_master, &raw);
    cfmakeraw(&raw);
    cfsetspeed(&raw, B115200);
    if (tcsetattr(m_master, TCSANOW, &raw) != 0) {
        *error = systemError("tcsetattr");
        close();
        return false;
    }

    m_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch < 0 || inotify_add_watch(m_watch, name, IN_OPEN | IN_CLOSE) < 0) {
        *error = systemError("inotify");
        close();
        return false;
    }

    m_watchNotifier = new QSocketNotifier(m_watch, QSocketNotifier::Read, this);
    connect(m_watchNotifier, &QSocketNotifier::activated, this, &PtyPort::readOpensAndCloses);
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyPort::readAvailable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyPort::writePending);
    return true;
}

void PtyPort::close()
{
    delete m_watchNotifier;
    m_watchNotifier = nullptr;
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_watch >= 0)
        ::close(m_watch);
    m_watch = -1;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    m_clients = 0;
    m_pending.clear();
}

void PtyPort::readOpensAndCloses()
{
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = ::read(m_watch, buffer, sizeof buffer);
        if (length <= 0)
            return;
        for (ssize_t at = 0; at < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_OPEN) {
                if (m_clients++ == 0) {
                    m_readNotifier->setEnabled(true);
                    emit clientOpened();
                }
            } else if ((event->mask & IN_CLOSE) && m_clients > 0) {
                readAvailable(); // what the program wrote before closing comes first
                if (--m_clients == 0) {
                    m_readNotifier->setEnabled(false);
                    m_writeNotifier->setEnabled(false);
                    m_pending.clear();
                    // Unread bytes stay in a pseudo-terminal; the next open must not
                    // see them.
                    tcflush(m_master, TCIOFLUSH);
                    emit clientClosed();
                }
            }
        }
    }
}

void PtyPort::readAvailable()
{
    QByteArray bytes;
    for (;;) {
        char buffer[4096];
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count > 0) {
            bytes.append(buffer, int(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count == 0 || errno != EAGAIN) {
            // EIO: the program has closed the slave; its close event follows. Until the
            // next open the master would keep reading as ready.
            m_readNotifier->setEnabled(false);
        }
        break;
    }
    if (!bytes.isEmpty())
        emit received(bytes);
}

bool PtyPort::write(const QByteArray &bytes)
{
    if (m_clients == 0)
        return false;
    m_pending += bytes;
    writePending();
    return true;
}

void PtyPort::writePending()
{
    while (!m_pending.isEmpty()) {
        const ssize_t count = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
        if (count > 0) {
            m_pending.remove(0, int(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN)
            m_pending.clear(); // the line is gone; the close event follows
        break;                 // EAGAIN: the program is not reading, wait for room
    }
    m_writeNotifier->setEnabled(m_clients > 0 && !m_pending.isEmpty());
}
