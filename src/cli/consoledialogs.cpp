#include "cli/consoledialogs.h"

#include "cli/console.h"

#include <utility>

void ConsoleDialogs::message(const QString &text)
{
    ++m_messageCount;
    // A message box may hold line breaks; on the console it stays one line.
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    Console::message(line.trimmed());
}

QString ConsoleDialogs::chooseFile(const FileDialogRequest &)
{
    return std::exchange(m_nextFile, QString());
}
