#include "ui/qtuserdialogs.h"

#include "app/form1.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

void QtUserDialogs::message(const QString &text, const QString &details)
{
    QMessageBox box(QMessageBox::NoIcon, Form1::caption, text, QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    if (!details.isEmpty()) {
        // Shown at once, not behind a "Show Details" button: it is what the user needs
        // to act on. The command it may hold can be selected and copied.
        box.setInformativeText(details);
        if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"))) {
            label->setTextFormat(Qt::PlainText);
            label->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
        }
    }
    box.exec();
}

bool QtUserDialogs::confirm(const QString &text, const QString &details)
{
    QMessageBox box(QMessageBox::Warning, Form1::caption, text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(details);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
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
