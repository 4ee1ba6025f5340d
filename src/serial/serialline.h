#pragma once

#include "serial/openfailure.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// Line settings in the form "115200,n,8,1": baud rate, parity, data bits, stop bits.
struct LineSettings
{
    int baudRate = 115200;
    char parity = 'n'; // n, e, o, m or s
    int dataBits = 8;
    int stopBits = 1;

    static std::optional<LineSettings> parse(const QString &text);
};

// One connection to a system serial port (a device node, a pseudo-terminal, COMn).
// QtSerialLine wraps QSerialPort; tests use a fake on the virtual clock.
class SerialLine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // False when the port did not open; `failure` then says why (its cause and the
    // system's reason; the device is left for the caller to fill in).
    virtual bool open(const QString &systemName, const LineSettings &settings,
                      OpenFailure *failure) = 0;
    // Lets pending output drain first (bounded to about a second), then closes.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Queues the bytes for sending; false when the line refuses them.
    virtual bool write(const QByteArray &bytes) = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray readAll() = 0;

signals:
    // Received bytes are waiting. Emitted on the program's thread.
    void readyRead();
    // The device is gone (an adapter pulled out, the far end hung up): the line has
    // closed itself, since a notifier left on a dead port would fire for ever.
    void lineLost(const QString &reason);
};
