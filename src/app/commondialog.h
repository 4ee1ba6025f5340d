#pragma once

#include <QString>

class UserDialogs;

// The one file dialog object that "Open ROM", "Save file" and "Load file" share:
// each use sets its title, filter and an empty file name; the folder and the options
// stay as an earlier use left them unless that use sets them too.
class CommonDialog
{
public:
    enum Flags { OverwritePrompt = 2, HelpButton = 16 };

    explicit CommonDialog(UserDialogs &dialogs) : m_dialogs(dialogs) {}

    QString DialogTitle;
    QString Filter; // "description|pattern", pairs joined by "|"
    QString InitDir;
    int Flags = 0;
    QString FileName;

    void ShowOpen();
    void ShowSave();

    // "setup file(*.ini)|*.ini" becomes "setup file (*.ini)".
    static QString toQtFilter(const QString &filter);

private:
    void show(bool save);
    UserDialogs &m_dialogs;
};
