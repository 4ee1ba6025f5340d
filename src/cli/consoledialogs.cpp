#include "cli/consoledialogs.h"

#include "cli/console.h"

#include <utility>

namespace {

// A message box may hold line breaks; on the console its text stays one line.
QString oneLine(const QString &text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.trimmed();
}

} // namespace

void ConsoleDialogs::message(const QString &text, const QString &details)
{
    ++m_messageCount;
    Console::message(oneLine(text));
    if (!details.isEmpty())
        Console::progress(QStringLiteral("  %1\n").arg(oneLine(details)));
}

bool ConsoleDialogs::confirm(const QString &text, const QString &details)
{
    message(text, details);
    return false;
}

QString ConsoleDialogs::chooseFile(const FileDialogRequest &)
{
    return std::exchange(m_nextFile, QString());
}
