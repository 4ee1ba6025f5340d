// The PortSet.ini reader and writer on any file: one key is written, then read back.
//
// Input: [mode][section length][section][key length][key][value length][value] file...
//   mode   bit 0: there is no file before the write
//   names  section and key are ASCII, as the callers' names are: other bytes and those
//          that cannot stand in a name (line ends, brackets, "=") are dropped, and outer
//          spaces trimmed
//   value  UTF-8 without line ends, outer spaces trimmed, not in quotes

#include "fuzzform.h"

#include "serial/inifile.h"

#include <QDir>
#include <QFile>

using fuzzcheck::shown;

namespace {

constexpr int kValueLimit = 254; // values read back cut to this many characters

const QString &fileName()
{
    static const QString path = QDir(fuzzform::folder()).filePath(QStringLiteral("PortSet.ini"));
    return path;
}

QString withoutChars(QString text, const QString &dropped)
{
    text.removeIf([&dropped](QChar c) { return dropped.contains(c); });
    return text.trimmed();
}

QString asciiName(const QByteArray &bytes)
{
    QString name = QString::fromLatin1(bytes);
    name.removeIf([](QChar c) { return c.unicode() >= 0x80; });
    return withoutChars(name, QStringLiteral("\r\n[]="));
}

QByteArray readFile()
{
    QFile file(fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Entry
{
    QString section;
    QString key;
};

// Every section and key of the file, found line by line the plain way: a line
// "[name]..." opens a section, a line "key=..." inside one names a key. Names are read
// byte for byte.
QList<Entry> entries(QByteArray content)
{
    if (content.startsWith("\xEF\xBB\xBF"))
        content.remove(0, 3);
    QList<Entry> found;
    QString section;
    bool inSection = false;
    for (const QByteArray &rawLine : content.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const qsizetype close = line.indexOf(']');
        const qsizetype equals = line.indexOf('=');
        if (line.startsWith('[') && close > 0) {
            section = QString::fromLatin1(line.mid(1, close - 1).trimmed());
            inSection = true;
        } else if (inSection && equals >= 0) {
            found.append({section, QString::fromLatin1(line.left(equals).trimmed())});
        }
    }
    return found;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The write may change only the line of its key, or add that line (and its section
// header): outside one changed region no byte moves, and the region holds no line end
// of the old file.
void checkOnlyKeyLineChanged(const QByteArray &before, const QByteArray &after,
                             const QByteArray &keyLine)
{
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const QByteArray removed = before.mid(prefix, before.size() - prefix - suffix);
    const QByteArray added = after.mid(prefix, after.size() - prefix - suffix);
    FUZZ_CHECK(!removed.contains('\n'),
               QStringLiteral("the write changed more than one line: removed %1, added %2 at "
                              "byte %3")
                   .arg(shown(removed), shown(added))
                   .arg(prefix));
    FUZZ_CHECK(added.count('\n') <= 3 && after.contains(keyLine),
               QStringLiteral("the write added %1 at byte %2 (key line %3)")
                   .arg(shown(added))
                   .arg(prefix)
                   .arg(shown(keyLine)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzcheck::InputReader input(data, size);
    const bool noFile = (input.byte() & 1) != 0;
    const QString section = asciiName(input.bytes(input.byte() % 32));
    const QString key = asciiName(input.bytes(input.byte() % 32));
    QString value =
        withoutChars(QString::fromUtf8(input.bytes(input.byte())), QStringLiteral("\r\n"));
    while (value.startsWith(QLatin1Char('"')))
        value = value.mid(1).trimmed();
    const QByteArray before = input.rest();
    if (section.isEmpty() || key.isEmpty())
        return -1; // not an input this target can judge; keep it out of the corpus

    QFile::remove(fileName());
    if (!noFile) {
        QFile file(fileName());
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(before) == before.size(),
                   QStringLiteral("cannot write %1").arg(fileName()));
    }

    // What every other key reads before the write.
    QList<Entry> others;
    QStringList valuesBefore;
    for (const Entry &entry : entries(noFile ? QByteArray() : before)) {
        if (sameName(entry.section, section) && sameName(entry.key, key))
            continue;
        others << entry;
        valuesBefore << IniFile::read(entry.section, entry.key, fileName());
    }

    FUZZ_CHECK(IniFile::write(section, key, value, fileName()),
               QStringLiteral("the write of [%1] %2 failed").arg(shown(section), shown(key)));

    const QString readBack = IniFile::read(section, key, fileName());
    FUZZ_CHECK(readBack == value.left(kValueLimit),
               QStringLiteral("[%1] %2 reads back %3, written %4")
                   .arg(shown(section), shown(key), shown(readBack), shown(value)));
    for (int i = 0; i < others.size(); ++i) {
        const QString now = IniFile::read(others[i].section, others[i].key, fileName());
        FUZZ_CHECK(now == valuesBefore[i],
                   QStringLiteral("writing [%1] %2 changed [%3] %4 from %5 to %6")
                       .arg(shown(section), shown(key), shown(others[i].section),
                            shown(others[i].key), shown(valuesBefore[i]), shown(now)));
    }
    const QByteArray keyLine = (key + QLatin1Char('=') + value).toUtf8();
    checkOnlyKeyLineChanged(noFile ? QByteArray() : before, readFile(), keyLine);
    return 0;
}
