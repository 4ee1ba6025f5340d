#include "serial/mscomm.h"

MSComm::MSComm(SerialLine &line, Resolver resolve, QObject *parent)
    : QObject(parent), m_line(line), m_resolve(std::move(resolve))
{
    connect(&m_line, &SerialLine::readyRead, this, [this] {
        if (RThreshold > 0)
            emit OnComm();
    });
    connect(&m_line, &SerialLine::lineLost, this, [this](const QString &reason) {
        m_lostReason = reason;
        emit lineLost(reason);
    });
}

void MSComm::setCommPort(int portNumber)
{
    if (m_line.isOpen())
        throw CommError("Port already open");
    if (portNumber < 1 || portNumber > 255)
        throw CommError("Invalid port number");
    m_commPort = portNumber;
}

void MSComm::setSettings(const QString &settings)
{
    if (!LineSettings::parse(settings))
        throw CommError("Invalid port settings: " + settings.toStdString());
    m_settings = settings;
}

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_line.isOpen())
            m_line.close();
        return;
    }
    if (m_line.isOpen())
        throw CommError("Port already open");
    const QString name = systemName();
    if (name.isEmpty()) {
        const QString reason = QStringLiteral("COM%1 stands for no serial device").arg(m_commPort);
        throw CommError(reason.toStdString(), {OpenFailure::Cause::Missing, QString(), reason});
    }
    OpenFailure failure;
    m_lostReason.clear();
    if (!m_line.open(name, *LineSettings::parse(m_settings), &failure)) {
        failure.device = name;
        throw CommError(
            QStringLiteral("Cannot open %1: %2").arg(name, failure.reason).toStdString(), failure);
    }
    m_openedName = name;
    emit portOpened();
}

void MSComm::Output(const QString &text)
{
    Output(text.toLatin1());
}

void MSComm::Output(const QByteArray &bytes)
{
    if (!m_line.isOpen())
        throw CommError("Port not open");
    if (!m_line.write(bytes))
        throw CommError("The port refused the output");
}

int MSComm::InBufferCount() const
{
    return m_line.isOpen() ? int(std::min<qint64>(m_line.bytesAvailable(), 32767)) : 0;
}

QByteArray MSComm::Input()
{
    return m_line.isOpen() ? m_line.readAll() : QByteArray();
}
