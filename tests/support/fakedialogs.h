#pragma once

#include "platform/userdialogs.h"

#include <QQueue>
#include <QStringList>
#include <QVector>

#include <functional>

// Message boxes and file dialogs answered by the test: messages are recorded, file
// dialogs take the next queued answer (an empty one cancels).
class FakeDialogs : public UserDialogs
{
public:
    QStringList messages;
    QStringList details; // one entry per message, empty when it had none
    QStringList questions;
    QQueue<bool> confirmAnswers; // an empty queue answers No
    QVector<FileDialogRequest> fileRequests;
    QQueue<QString> fileAnswers;
    // Runs while a message box is "open" (a click inside the box's own event loop).
    std::function<void(const QString &)> onMessage;
    // Runs while a file dialog is "open": the window's events go on under a dialog.
    std::function<void()> whileFileDialogOpen;

    void message(const QString &text, const QString &messageDetails = QString()) override
    {
        messages << text;
        details << messageDetails;
        if (onMessage)
            onMessage(text);
    }
    bool confirm(const QString &text, const QString &) override
    {
        questions << text;
        return !confirmAnswers.isEmpty() && confirmAnswers.dequeue();
    }
    QString chooseFile(const FileDialogRequest &request) override
    {
        fileRequests << request;
        if (whileFileDialogOpen)
            whileFileDialogOpen();
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }
};
