#include "serial/inifile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {

const int maxValueLength = 254;

QStringList readLines(const QString &fileName, bool *exists)
{
    QFile file(fileName);
    *exists = file.open(QIODevice::ReadOnly);
    if (!*exists)
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line
    return lines;
}

bool isSectionHeader(const QString &line, QString *name)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return false;
    const int close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    *name = trimmed.mid(1, close - 1).trimmed();
    return true;
}

bool isKeyLine(const QString &line, const QString &key, QString *value)
{
    const int equals = line.indexOf(QLatin1Char('='));
    if (equals < 0 || line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) != 0)
        return false;
    *value = line.mid(equals + 1).trimmed();
    return true;
}

// Index range [begin, end) of the section's lines after its header, or begin = -1.
void findSection(const QStringList &lines, const QString &section, int *begin, int *end)
{
    *begin = -1;
    *end = lines.size();
    QString name;
    for (int i = 0; i < lines.size(); ++i) {
        if (!isSectionHeader(lines[i], &name))
            continue;
        if (*begin >= 0) {
            *end = i;
            return;
        }
        if (name.compare(section, Qt::CaseInsensitive) == 0)
            *begin = i + 1;
    }
}

} // namespace

namespace IniFile {

QString read(const QString &section, const QString &key, const QString &fileName)
{
    bool exists = false;
    const QStringList lines = readLines(fileName, &exists);
    int begin = 0, end = 0;
    findSection(lines, section, &begin, &end);
    if (begin < 0)
        return QString();
    QString value;
    for (int i = begin; i < end; ++i) {
        if (isKeyLine(lines[i], key, &value)) {
            if (value.size() >= 2 &&
                (value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))))
                value = value.mid(1, value.size() - 2);
            return value.left(maxValueLength);
        }
    }
    return QString();
}

bool write(const QString &section, const QString &key, const QString &value,
           const QString &fileName)
{
    bool exists = false;
    QStringList lines = readLines(fileName, &exists);
    const QString keyLine = key + QLatin1Char('=') + value;
    int begin = 0, end = 0;
    findSection(lines, section, &begin, &end);
    if (begin < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << keyLine;
    } else {
        QString oldValue;
        int lastKeyLine = begin - 1;
        bool replaced = false;
        for (int i = begin; i < end && !replaced; ++i) {
            if (isKeyLine(lines[i], key, &oldValue)) {
                lines[i] = keyLine;
                replaced = true;
            } else if (!lines[i].trimmed().isEmpty()) {
                lastKeyLine = i;
            }
        }
        if (!replaced)
            lines.insert(lastKeyLine + 1, keyLine);
    }
    // Replaced whole or not at all: a failed write never loses the other sections.
    QSaveFile file(fileName);
    // In a folder the user may not create files in, replace the file in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = (lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n")).toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

} // namespace IniFile
