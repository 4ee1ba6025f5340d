// "Save file" and "Load file": the settings shown in the window to a setup file, and
// a setup file back into the window through the line dispatcher.

#include "app/form1.h"
#include "platform/userdialogs.h"
#include "setupfile/setupfileformat.h"
#include "setupfile/setupfilestorage.h"

#include <QDir>

#include <stdexcept>

namespace {

// The settings exactly as the window shows them now; the save neither checks nor
// trims them.
SetupValues shownSettings(const Form1 &form)
{
    SetupValues values;
    values.callsign = form.Text4.text();
    values.ssid = form.Combo5.text();
    values.passcode = form.Text5.text();
    values.addressMode = form.Combo2.text();
    for (int i = 0; i < 16; ++i)
        values.addressOctets[i] = form.addressBoxes[i]->text();
    values.position = form.Text8.text();
    values.comment = form.Text7.text();
    values.server = form.Combo3.text();
    values.txTime = form.Text10.text();
    values.filter = form.Text11.text();
    values.backlight = form.Combo16.text();
    values.frequency = form.Text31.text();
    values.unit = form.Combo4.text();
    values.digi = form.Check1.value();
    values.txVol = form.Combo6.text();
    values.path = form.Combo7.text();
    values.alias = form.Combo8.text();
    return values;
}

// A loaded line is shown in the status log and applied as the receive path applies a
// device line: one the dispatcher cannot complete (a callsign without "-", an address
// with too few commas) keeps what it filled before failing, and loading goes on.
void applyLoadedLine(Form1 &form, const QString &line)
{
    form.sRxLine = line.left(Form1::maxLineLength); // as the receive path keeps a line
    form.Text29.appendText(form.sRxLine + QStringLiteral("\r\n"));
    try {
        form.peizhi();
    } catch (const std::invalid_argument &) {
    }
}

} // namespace

void Form1::Command5_Click()
{
    CommonDialog1.DialogTitle = QStringLiteral("Save");
    CommonDialog1.Filter = QStringLiteral("setup file(*.ini)|*.ini");
    CommonDialog1.InitDir = programFolder();
    CommonDialog1.Flags |= CommonDialog::OverwritePrompt;
    CommonDialog1.FileName.clear();
    CommonDialog1.ShowSave();
    const QString fileName = CommonDialog1.FileName;
    if (fileName.isEmpty())
        return; // cancelled: no file is touched

    const QByteArray content =
        SetupFileFormat::encode(SetupFileFormat::lines(shownSettings(*this)));
    QString reason;
    if (!SetupFileStorage::write(fileName, content, &reason)) {
        dialogs().message(QStringLiteral("Cannot save the setup file \"%1\": %2")
                              .arg(QDir::toNativeSeparators(fileName), reason));
    }
}

void Form1::Command4_Click()
{
    CommonDialog1.DialogTitle = QStringLiteral("Please choose fireware.");
    CommonDialog1.Filter = QStringLiteral("ini\u6587\u4EF6(*.ini)|*.ini"); // "ini文件"
    CommonDialog1.InitDir = programFolder();
    CommonDialog1.Flags = CommonDialog::HelpButton; // drops the save's overwrite confirmation
    CommonDialog1.FileName.clear();
    CommonDialog1.ShowOpen();
    const QString fileName = CommonDialog1.FileName;
    if (fileName.isEmpty())
        return; // cancelled: nothing changes

    Text29.setText(fileName + QStringLiteral("\r\n\r\n"));
    QByteArray content;
    QString reason;
    const bool read = SetupFileStorage::read(fileName, &content, &reason);
    if (read) {
        for (const QString &line : SetupFileFormat::decode(content))
            applyLoadedLine(*this, line);
    }
    // "Write data" is enabled after a failed read as well.
    Command7.setEnabled(true);
    if (!read) {
        dialogs().message(QStringLiteral("Cannot load the setup file \"%1\": %2")
                              .arg(QDir::toNativeSeparators(fileName), reason));
    }
}
