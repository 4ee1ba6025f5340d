#include "app/commondialog.h"

#include "platform/userdialogs.h"

#include <QRegularExpression>
#include <QStringList>

void CommonDialog::ShowOpen() { show(false); }

void CommonDialog::ShowSave() { show(true); }

void CommonDialog::show(bool save)
{
    FileDialogRequest request;
    request.mode = save ? FileDialogRequest::Mode::Save : FileDialogRequest::Mode::Open;
    request.title = DialogTitle;
    request.filter = toQtFilter(Filter);
    request.initialFolder = InitDir;
    request.confirmOverwrite = save && (Flags & OverwritePrompt);
    FileName = m_dialogs.chooseFile(request);
}

QString CommonDialog::toQtFilter(const QString &filter)
{
    static const QRegularExpression trailingPattern(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPattern);
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(description.trimmed(), patterns.trimmed());
    }
    return filters.join(QStringLiteral(";;"));
}
