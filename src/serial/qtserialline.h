#pragma once

#include "serial/serialline.h"

#include <QSerialPort>

// The real serial line, through QSerialPort.
class QtSerialLine : public SerialLine
{
    Q_OBJECT
public:
    explicit QtSerialLine(QObject *parent = nullptr);
    ~QtSerialLine() override;

    bool open(const QString &systemName, const LineSettings &settings,
              OpenFailure *failure) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool write(const QByteArray &bytes) override;
    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    QByteArray readAll() override { return m_port.readAll(); }

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
};
