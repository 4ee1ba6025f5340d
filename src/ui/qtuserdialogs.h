#pragma once

#include "platform/userdialogs.h"

class QWidget;

// Real message boxes and file dialogs, over the main window.
class QtUserDialogs : public UserDialogs
{
public:
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    void message(const QString &text, const QString &details = QString()) override;
    bool confirm(const QString &text, const QString &details = QString()) override;
    QString chooseFile(const FileDialogRequest &request) override;

private:
    QWidget *m_parent = nullptr;
};
