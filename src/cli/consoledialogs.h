#pragma once

#include "platform/userdialogs.h"

#include <QString>

// The window's dialogs on a console: a message box becomes a line on standard error,
// and a file dialog answers with the path given on the command line.
class ConsoleDialogs : public UserDialogs
{
public:
    // The answer of the next file dialog; it is used once.
    void answerNextFileDialog(const QString &path) { m_nextFile = path; }
    // Message boxes shown so far, so a caller sees whether a step reported a failure.
    int messageCount() const { return m_messageCount; }

    void message(const QString &text, const QString &details = QString()) override;
    // Nothing waits for an answer on a console: the question is shown and answered No.
    bool confirm(const QString &text, const QString &details = QString()) override;
    QString chooseFile(const FileDialogRequest &request) override;

private:
    QString m_nextFile;
    int m_messageCount = 0;
};
