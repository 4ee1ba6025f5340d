#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// One ks936-sim process with its traffic log and image file in a folder of the test's.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(const QTemporaryDir &dir) : m_dir(dir) {}
    ~SimulatorProcess();

    // Starts the simulator (short boot time and loader window, plus `extra` options) and
    // waits for the pseudo-terminal's path.
    bool start(const QStringList &extra = {});

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString ptyPath() const { return m_ptyPath; }
    QProcess &process() { return m_process; }
    QByteArray log() const;
    int logCount(const QByteArray &entry) const { return log().count(entry); }
    // Waits up to timeoutMs for the entry to show in the traffic log.
    bool waitForLog(const QByteArray &entry, int count = 1, int timeoutMs = 3000) const;

private:
    const QTemporaryDir &m_dir;
    QProcess m_process;
    QString m_ptyPath;
};
