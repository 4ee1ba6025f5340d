#include "serial/inifile.h"

#include "app/textbytes.h"

#include <QFile>
#include <QSaveFile>
#include <QVector>

namespace {

const int maxValueLength = 254;
const QByteArray utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// One line of the file as it stands on disk, its line end included, so that a write
// can put back every line it does not change byte for byte, whatever its encoding.
struct RawLine
{
    QByteArray bytes;

    // The line without its line end (LF, CR LF, or none on a last line).
    QByteArray content() const
    {
        QByteArray line = bytes;
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    }
    bool isBlank() const { return content().trimmed().isEmpty(); }
};

QVector<RawLine> splitLines(const QByteArray &file)
{
    QVector<RawLine> lines;
    qsizetype start = 0;
    while (start < file.size()) {
        const qsizetype lf = file.indexOf('\n', start);
        const qsizetype end = lf < 0 ? file.size() : lf + 1;
        lines.append({file.mid(start, end - start)});
        start = end;
    }
    return lines;
}

// Names and keys are ASCII; a file written on a system with another code page may hold
// any bytes in its values and in other sections.
bool sameName(const QByteArray &a, const QString &b)
{
    return QString::fromLatin1(a.trimmed()).compare(b, Qt::CaseInsensitive) == 0;
}

bool isSectionHeader(QByteArray line, QByteArray *name)
{
    if (line.startsWith(utf8Bom))
        line.remove(0, utf8Bom.size());
    line = line.trimmed();
    if (!line.startsWith('['))
        return false;
    const qsizetype close = line.indexOf(']');
    if (close < 0)
        return false;
    *name = line.mid(1, close - 1);
    return true;
}

bool isKeyLine(const QByteArray &line, const QString &key, QByteArray *value)
{
    const qsizetype equals = line.indexOf('=');
    if (equals < 0 || !sameName(line.left(equals), key))
        return false;
    *value = line.mid(equals + 1).trimmed();
    return true;
}

// Index range [begin, end) of the section's lines after its header, or begin = -1.
void findSection(const QVector<RawLine> &lines, const QString &section, int *begin, int *end)
{
    *begin = -1;
    *end = int(lines.size());
    QByteArray name;
    for (int i = 0; i < lines.size(); ++i) {
        if (!isSectionHeader(lines[i].content(), &name))
            continue;
        if (*begin >= 0) {
            *end = i;
            return;
        }
        if (sameName(name, section))
            *begin = i + 1;
    }
}

// Reads the file whole. A missing file is empty; a file that exists but cannot be read
// is an error.
bool readFile(const QString &fileName, QByteArray *bytes, QString *errorString)
{
    QFile file(fileName);
    if (!file.exists()) {
        bytes->clear();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *errorString = file.errorString();
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *errorString = file.errorString();
        return false;
    }
    return true;
}

} // namespace

namespace IniFile {

QString read(const QString &section, const QString &key, const QString &fileName)
{
    QByteArray file;
    QString ignored;
    if (!readFile(fileName, &file, &ignored))
        return QString();
    const QVector<RawLine> lines = splitLines(file);
    int begin = 0, end = 0;
    findSection(lines, section, &begin, &end);
    if (begin < 0)
        return QString();
    QByteArray value;
    for (int i = begin; i < end; ++i) {
        if (isKeyLine(lines[i].content(), key, &value)) {
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            return TextBytes::utf8OrLatin1(value, TextBytes::InitialBom::Keep).left(maxValueLength);
        }
    }
    return QString();
}

bool write(const QString &section, const QString &key, const QString &value,
           const QString &fileName, QString *errorString)
{
    QString ignored;
    QString &reason = errorString ? *errorString : ignored;
    QByteArray file;
    if (!readFile(fileName, &file, &reason))
        return false; // never replace a file whose content could not be kept

    QVector<RawLine> lines = splitLines(file);
    const QByteArray keyLine = key.toUtf8() + '=' + value.toUtf8();
    const QByteArray lineEnd = QByteArrayLiteral("\r\n");
    // A line put after the last one first ends that one, if it has no line end.
    const auto endLastLine = [&](int index) {
        if (index >= 0 && !lines[index].bytes.endsWith('\n'))
            lines[index].bytes += lineEnd;
    };

    int begin = 0, end = 0;
    findSection(lines, section, &begin, &end);
    if (begin < 0) {
        endLastLine(int(lines.size()) - 1);
        lines.append({'[' + section.toUtf8() + ']' + lineEnd});
        lines.append({keyLine + lineEnd});
    } else {
        QByteArray oldValue;
        int lastKeyLine = begin - 1;
        bool replaced = false;
        for (int i = begin; i < end && !replaced; ++i) {
            if (isKeyLine(lines[i].content(), key, &oldValue)) {
                // Only the key's line changes; it keeps its own line end.
                const QByteArray ending = lines[i].bytes.mid(lines[i].content().size());
                lines[i].bytes = keyLine + ending;
                replaced = true;
            } else if (!lines[i].isBlank()) {
                lastKeyLine = i;
            }
        }
        if (!replaced) {
            endLastLine(lastKeyLine);
            lines.insert(lastKeyLine + 1, {keyLine + lineEnd});
        }
    }

    QByteArray bytes;
    for (const RawLine &line : lines)
        bytes += line.bytes;

    // Replaced whole or not at all: a failed write never loses the other sections.
    QSaveFile out(fileName);
    // In a folder the user may not create files in, replace the file in place.
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        reason = out.errorString();
        return false;
    }
    return true;
}

} // namespace IniFile
