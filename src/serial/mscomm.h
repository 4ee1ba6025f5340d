#pragma once

#include "serial/serialline.h"

#include <QObject>

#include <functional>
#include <optional>
#include <stdexcept>

// A failed serial operation: a port that cannot be opened, output on a closed port, a
// port number changed while the port is open. Handlers catch it and report or skip.
class CommError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
    CommError(const std::string &what, OpenFailure failure)
        : std::runtime_error(what), m_openFailure(std::move(failure))
    {
    }

    // Why the port did not open, when that is what failed.
    const std::optional<OpenFailure> &openFailure() const { return m_openFailure; }

private:
    std::optional<OpenFailure> m_openFailure;
};

// The serial port control the handlers use: a port number, line settings, open and
// close, text and byte output, and a receive event with the waiting bytes.
class MSComm : public QObject
{
    Q_OBJECT
public:
    enum
    {
        comEvReceive = 2
    };
    using Resolver = std::function<QString(int portNumber)>;

    MSComm(SerialLine &line, Resolver resolve, QObject *parent = nullptr);

    int CommPort() const { return m_commPort; }
    void setCommPort(int portNumber); // throws while the port is open

    QString Settings() const { return m_settings; }
    void setSettings(const QString &settings); // takes effect at the next opening

    int InBufferSize = 1024;
    int OutBufferSize = 512;
    int RThreshold = 0;
    int InputMode = 0;
    int InputLen = 0;

    bool PortOpen() const { return m_line.isOpen(); }
    void setPortOpen(bool open); // opening throws when the port is missing or busy

    // Each character leaves as one byte (Latin-1), in order, nothing added.
    void Output(const QString &text);
    void Output(const QByteArray &bytes);

    int CommEvent() const { return comEvReceive; }
    int InBufferCount() const;
    QByteArray Input();

    // The system port the current number stands for.
    QString systemName() const { return m_resolve ? m_resolve(m_commPort) : QString(); }

    // The system port last opened, which stays known after its device has gone.
    QString openedName() const { return m_openedName; }
    // Why the port last opened was lost while open, or empty.
    QString lostReason() const { return m_lostReason; }

signals:
    // Received bytes are waiting (CommEvent 2).
    void OnComm();
    // The device went away while the port was open; the port is closed.
    void lineLost(const QString &reason);
    // The port has just opened: what the device sends from now on is new.
    void portOpened();

private:
    SerialLine &m_line;
    Resolver m_resolve;
    int m_commPort = 1;
    QString m_openedName;
    QString m_lostReason;
    QString m_settings = QStringLiteral("9600,n,8,1");
};
