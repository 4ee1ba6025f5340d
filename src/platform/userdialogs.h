#pragma once

#include <QString>

// What a file dialog is asked to show.
struct FileDialogRequest
{
    enum class Mode
    {
        Open,
        Save
    };
    Mode mode = Mode::Open;
    QString title;
    QString filter; // Qt syntax, e.g. "setup file (*.ini)"
    QString initialFolder;
    bool confirmOverwrite = false;
};

// Message boxes and file dialogs: the window shows real ones, tests answer them.
class UserDialogs
{
public:
    virtual ~UserDialogs() = default;
    // A message box with the text and a single OK button; returns when it is closed.
    // `details`, when given, explains the text further (why a port did not open and
    // what to do about it) and is shown with it.
    virtual void message(const QString &text, const QString &details = QString()) = 0;
    // A question with Yes and No buttons, No the default; returns true for Yes.
    virtual bool confirm(const QString &text, const QString &details = QString()) = 0;
    // Returns the chosen full path, or an empty string when the user cancelled.
    virtual QString chooseFile(const FileDialogRequest &request) = 0;
};
