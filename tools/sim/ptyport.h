#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The device's end of a pseudo-terminal in raw mode. A program opens the other end (the
// slave path) like a serial port, as often as it likes. The port watches the slave's
// device node for opens and closes (inotify), so it knows exactly when a program holds
// the line: only then does it read the master (a master without a program reads as hung
// up, and watching it would spin) and pass bytes on. Bytes for a closed line are
// dropped, and what the program left unread is discarded when it closes, as a real
// port loses it.
class PtyPort : public QObject
{
    Q_OBJECT
public:
    explicit PtyPort(QObject *parent = nullptr);
    ~PtyPort() override;

    bool open(QString *error);
    void close();
    QString slavePath() const { return m_slavePath; }
    bool isClientConnected() const { return m_clients > 0; }

    // Queues bytes for the program; false (bytes dropped) while no program listens.
    bool write(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);
    void clientOpened();
    void clientClosed();

private:
    void readOpensAndCloses();
    void readAvailable();
    void writePending();

    int m_master = -1;
    int m_watch = -1; // inotify descriptor watching the slave node
    QString m_slavePath;
    int m_clients = 0;
    QByteArray m_pending;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QSocketNotifier *m_watchNotifier = nullptr;
};
