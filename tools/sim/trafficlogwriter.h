#pragma once

#include <QFile>
#include <QString>

// Writes traffic log entries, one a line, each behind its time in seconds since the
// simulator started. Every line is flushed at once, so a watcher sees it.
class TrafficLogWriter
{
public:
    // An empty path writes to standard error.
    bool open(const QString &path, QString *error);
    void write(qint64 timeMs, const QString &entry);

private:
    QFile m_file;
};
