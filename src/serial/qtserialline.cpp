#include "serial/qtserialline.h"

#include <QDeadlineTimer>
#include <QSignalBlocker>

QtSerialLine::QtSerialLine(QObject *parent) : SerialLine(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialLine::onError);
}

void QtSerialLine::onError(QSerialPort::SerialPortError error)
{
    // A removed adapter reports a resource error; a pseudo-terminal whose far end hung up
    // reads at end of file, which surfaces as a read error, again at every notification.
    // Either way nothing more can pass on this port.
    if (!m_port.isOpen() || (error != QSerialPort::ResourceError &&
                             error != QSerialPort::ReadError && error != QSerialPort::WriteError))
        return;
    const QString reason =
        error == QSerialPort::ResourceError
            ? QStringLiteral("the device was removed (%1)").arg(m_port.errorString())
            : QStringLiteral("the device hung up");
    m_port.close(); // at once and without draining: nothing reaches a lost device
    emit lineLost(reason);
}

QtSerialLine::~QtSerialLine()
{
    close();
}

bool QtSerialLine::open(const QString &systemName, const LineSettings &settings,
                        OpenFailure *failure)
{
    m_port.setPortName(systemName);
    const bool ok = m_port.open(QIODevice::ReadWrite);
    if (!ok) {
        if (failure) {
            failure->cause = OpenFailure::classify(m_port.error(), systemName);
            failure->reason = m_port.errorString();
        }
        return false;
    }
    const QSerialPort::Parity parity = settings.parity == 'e'   ? QSerialPort::EvenParity
                                       : settings.parity == 'o' ? QSerialPort::OddParity
                                       : settings.parity == 'm' ? QSerialPort::MarkParity
                                       : settings.parity == 's' ? QSerialPort::SpaceParity
                                                                : QSerialPort::NoParity;
    const bool configured =
        m_port.setBaudRate(settings.baudRate) &&
        m_port.setDataBits(QSerialPort::DataBits(settings.dataBits)) && m_port.setParity(parity) &&
        m_port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        if (failure) {
            failure->cause = OpenFailure::Cause::Other;
            failure->reason = m_port.errorString();
        }
        m_port.close();
        return false;
    }
    return true;
}

void QtSerialLine::close()
{
    if (!m_port.isOpen())
        return;
    // Output handed over just before the close (a last command, a last firmware block)
    // must reach the line: let it drain, but never hang on a stuck port.
    // Nothing received meanwhile is delivered: the handler closing the port must not
    // see a receive event in the middle of its own work.
    const QSignalBlocker quiet(m_port);
    QDeadlineTimer deadline(1000);
    while (m_port.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_port.waitForBytesWritten(int(deadline.remainingTime())))
            break;
    }
    m_port.close();
}

bool QtSerialLine::write(const QByteArray &bytes)
{
    return m_port.isOpen() && m_port.write(bytes) == bytes.size();
}
