#include "ui/qtuserdialogs.h"

#include "app/form1.h"

#include <QFileDialog>
#include <QMessageBox>

void QtUserDialogs::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, Form1::caption, text, QMessageBox::Ok, m_parent);
    box.exec();
}

QString QtUserDialogs::chooseFile(const FileDialogRequest &request)
{
    if (request.mode == FileDialogRequest::Mode::Save) {
        const QFileDialog::Options options =
            request.confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
        return QFileDialog::getSaveFileName(m_parent, request.title, request.initialFolder,
                                            request.filter, nullptr, options);
    }
    return QFileDialog::getOpenFileName(m_parent, request.title, request.initialFolder,
                                        request.filter);
}
