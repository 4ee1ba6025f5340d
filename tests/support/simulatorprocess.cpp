#include "simulatorprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }
}

bool SimulatorProcess::start(const QStringList &extra)
{
    m_process.setProgram(QStringLiteral(KS936_SIM_PATH));
    m_process.setArguments(QStringList{"--log", path("traffic.log"), "--image-out",
                                       path("image.bin"), "--boot-time", "300",
                                       "--loader-window", "3000"} +
                           extra);
    m_process.start();
    if (!m_process.waitForStarted(3000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (!m_process.canReadLine() && timer.elapsed() < 3000)
        m_process.waitForReadyRead(100);
    m_ptyPath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return m_ptyPath.startsWith(QLatin1Char('/'));
}

QByteArray SimulatorProcess::log() const
{
    QFile file(path("traffic.log"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool SimulatorProcess::waitForLog(const QByteArray &entry, int count, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    while (logCount(entry) < count) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(20);
    }
    return true;
}
