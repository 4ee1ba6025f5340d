#include "trafficlogwriter.h"

#include <cstdio>

bool TrafficLogWriter::open(const QString &path, QString *error)
{
    bool opened = false;
    if (path.isEmpty()) {
        opened = m_file.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    } else {
        m_file.setFileName(path);
        opened = m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    }
    if (!opened)
        *error = m_file.errorString();
    return opened;
}

void TrafficLogWriter::write(qint64 timeMs, const QString &entry)
{
    if (!m_file.isOpen())
        return;
    const QString line = QStringLiteral("%1.%2 %3\n")
                             .arg(timeMs / 1000, 6)
                             .arg(timeMs % 1000, 3, 10, QLatin1Char('0'))
                             .arg(entry);
    m_file.write(line.toUtf8());
    m_file.flush();
}
