// The firmware update: loading the image, bringing the device into its loader, and the
// block transfer that answers the loader's one-byte replies.

#include "app/form1.h"
#include "firmware/firmwareimage.h"
#include "platform/eventloop.h"
#include "platform/userdialogs.h"

namespace {

const QString idleCaption = QStringLiteral("update");
const QString busyCaption = QStringLiteral("update...");
const QString lineSettings = QStringLiteral("115200,n,8,1");

// The loader wait gives up on this tick of Timer1.
constexpr std::int32_t lastLoaderTick = 10;
// A transfer whose loader has been silent this long is over.
constexpr std::int64_t loaderSilenceLimitMs = 10000;

QByteArray probe()
{
    const char bytes[] = {char(0x5F), char(0x00), char(0x00), char(0xF5)};
    return QByteArray(bytes, sizeof bytes);
}

// The reply codes, as their byte stands first in the receive hex record.
const QString loaderReady = QStringLiteral("E5");
const QString loaderNextBlock = QStringLiteral("C5");
const QString loaderBlockAgain = QStringLiteral("55");

// Two spaces, trimmed away by the next received byte, which then stands first.
void clearReplies(Form1 &form)
{
    form.Text1.setText(QStringLiteral("  "));
}

// "Open ROM", "update", the port opener and the port choice: off while blocks go out.
void setUpdateControlsEnabled(Form1 &form, bool enabled)
{
    form.Command1.setEnabled(enabled);
    form.Command2.setEnabled(enabled);
    form.Command3.setEnabled(enabled);
    form.Combo1.setEnabled(enabled);
}

QString progressText(const QString &state, std::int32_t blocksSent, int blockCount)
{
    return state + QStringLiteral(" update step:") +
           QString::number(FirmwareImage::progressPercent(blocksSent, blockCount)) +
           QLatin1Char('%');
}

void openPort(Form1 &form)
{
    form.MSComm1.setSettings(lineSettings);
    form.MSComm1.setPortOpen(true);
}

// Back to idle after a transfer, whether it ended with its last block or without it.
void leaveTransfer(Form1 &form)
{
    setUpdateControlsEnabled(form, true);
    // Closing lets the last block frame drain to the line first.
    skipOnFailure([&] { form.MSComm1.setPortOpen(false); });
    form.Command2.setCaption(idleCaption);
    form.Timer1.setEnabled(false);
    form.lTryCount = 0;
    form.bLoaderReady = 0;
    form.lBlockNo = 0;
    form.bTransferStarted = 0;
}

// A transfer that cannot go on: the loader fell silent, a frame could not be sent, or the
// cable was pulled. Everything is reset before the message box, whose wait lets further
// ticks run.
void failTransfer(Form1 &form, const QString &why)
{
    const int blockCount = FirmwareImage::blockCount(form.lRomLen);
    form.Label2.setCaption(
        progressText(QStringLiteral("update failed"), form.lBlockNo, blockCount));
    leaveTransfer(form);
    const QString failure =
        QStringLiteral("Update failed: %1. Press \"update\" to start again.").arg(why);
    form.Text29.appendLine(failure);
    form.dialogs().message(failure);
    emit form.updateFinished(false);
}

// The loader wait gives up, as on its tenth tick.
void giveUpLoaderWait(Form1 &form)
{
    form.Timer1.setEnabled(false);
    form.Command2.setCaption(idleCaption);
    form.bLoaderReady = 0;
    skipOnFailure([&] { form.MSComm1.setPortOpen(false); });
    form.Text29.appendText(QStringLiteral("\r\nConnect fail, Please try again."));
    emit form.updateFinished(false);
}

// Hands bytes for the loader to the port; false with the reason when it refuses them.
bool sendToLoader(Form1 &form, const QByteArray &bytes, QString *reason)
{
    try {
        form.MSComm1.Output(bytes);
        return true;
    } catch (const CommError &error) {
        *reason = QString::fromStdString(error.what());
        return false;
    }
}

const QString imageKept = QStringLiteral("the firmware image cannot change until it has ended.");

// Set while "update" resets the device, whichever way the handler ends.
class UpdateStarting
{
public:
    explicit UpdateStarting(Form1 &form) : m_form(form) { m_form.bUpdateStarting = 1; }
    ~UpdateStarting() { m_form.bUpdateStarting = 0; }
    UpdateStarting(const UpdateStarting &) = delete;
    UpdateStarting &operator=(const UpdateStarting &) = delete;

private:
    Form1 &m_form;
};

} // namespace

bool Form1::updateUnderWay() const
{
    return bUpdateStarting == 1 || Timer1.isEnabled() || transferUnderWay();
}

const QString Form1::portHeldByUpdate =
    QStringLiteral("the device can do nothing else until it has ended.");

bool Form1::updateRefuses(const QString &why)
{
    if (!updateUnderWay())
        return false;
    m_dialogs.message(QStringLiteral("An update is running: ") + why);
    return true;
}

void Form1::Command1_Click()
{
    // Also checked once the dialog has closed: an update may have started under it.
    if (updateRefuses(imageKept))
        return;
    CommonDialog1.DialogTitle = QStringLiteral("打开");
    CommonDialog1.Filter = QStringLiteral("Bin文件(*.bin)|*.bin");
    CommonDialog1.FileName.clear();
    CommonDialog1.ShowOpen();
    const QString path = CommonDialog1.FileName;
    if (path.isEmpty() || updateRefuses(imageKept))
        return;

    QByteArray file;
    try {
        file = FirmwareImage::readFile(path);
    } catch (const FirmwareImage::FileError &error) {
        // The image loaded before stays, with its length and progress range.
        const QString reason = QString::fromStdString(error.what());
        Text29.appendText(QStringLiteral("\r\n") + reason);
        dialogs().message(reason);
        return;
    }

    lRomLen = std::int32_t(file.size());
    abRomFile = file;
    Text29.setText(QStringLiteral("文件：") + path);
    abRomImage = FirmwareImage::padded(abRomFile);
    ProgressBar1.setMinimum(0);
    ProgressBar1.setMaximum(FirmwareImage::blockCount(lRomLen));
    lBlockNo = 0;
}

void Form1::Command2_Click()
{
    if (lRomLen < FirmwareImage::minFileLength) {
        Text29.setText(QStringLiteral("Please choose fireware\r\n"));
        dialogs().message(QStringLiteral("Please choose fireware"));
        emit updateFinished(false);
        return;
    }
    Text29.setText(QStringLiteral("Please wait auto update.\r\n") +
                   FirmwareImage::signPlaced(lTryCount) + QStringLiteral("/10"));

    try {
        // A press while the device is reset or the loader awaited cancels: the port
        // closes; a running loader wait ticks on to its end against the closed port.
        if (Command2.caption() == busyCaption) {
            MSComm1.setPortOpen(false);
            Command2.setCaption(idleCaption);
            return;
        }

        // A loader wait that a cancel left ticking would probe into this update's reset
        // wait and close the port under it on its tenth tick.
        Timer1.setEnabled(false);
        const UpdateStarting starting(*this);
        Delay(100);
        openPort(*this);
        Command2.setCaption(busyCaption);

        MSComm1.Output(QStringLiteral("AT+RESET#\r\n"));
        bEeramReset = 0;
        bool eeramReset = false;
        for (std::int32_t k = 1; k <= 5 && !eeramReset; ++k) {
            Delay(1000);
            if (bEeramReset == 1) {
                Text29.appendText(QStringLiteral("\r\nreset eeram OK\r\n"));
                Delay(1000);
                eeramReset = true;
            } else {
                Text29.setText(QStringLiteral("Wait for reset eeram ") +
                               FirmwareImage::signPlaced(k) + QStringLiteral("/5\r\n"));
            }
        }
        if (!eeramReset) {
            // The restart and the loader wait still follow.
            Text29.setText(QStringLiteral("Reset eeram fail,Please try again.\r\n"));
            Command2.setCaption(idleCaption);
        }

        MSComm1.Output(QStringLiteral("REBOOT#\r\n"));
        lTryCount = 0;
        // A loader answer left over from an earlier attempt (an E5 answered just as that
        // wait gave up) must not end this wait before its first probe.
        bLoaderReady = 0;
        if (MSComm1.PortOpen())
            MSComm1.setPortOpen(false);
        Delay(100);
        openPort(*this);
        Timer1.setEnabled(true);
    } catch (const std::exception &error) {
        dialogs().message(QStringLiteral("Port is use or no"), failureDetails(error));
        emit updateFinished(false);
    }
}

void Form1::Timer1_Timer()
{
    ++lTryCount;
    const QString counter = FirmwareImage::signPlaced(lTryCount) + QStringLiteral("/10");
    Text29.setText(QStringLiteral("Wait for update\r\n") + counter);
    Text3.setText(counter);

    if (bLoaderReady == 1) {
        // The loader has its header; Timer2 carries the transfer on.
        Timer1.setEnabled(false);
        Command2.setCaption(idleCaption);
        bLoaderReady = 0;
    } else if (lTryCount >= lastLoaderTick) {
        giveUpLoaderWait(*this);
    } else {
        clearReplies(*this);
        lBlockNo = 0;
        // A probe after a cancel meets a closed port and is skipped.
        skipOnFailure([this] { MSComm1.Output(probe()); });
    }
}

void Form1::Timer2_Timer()
{
    // Only the first byte received since the last clearing counts as a reply; at most
    // one reply is answered per tick. Outside an update a send the port refuses is
    // skipped; within one, a header or frame that did not go out ends the update, so
    // that no block is counted that the loader never got.
    const bool updating = updateUnderWay();
    // A loader's reply that an adapter kept from the last update (it can come in after a
    // text operation has opened the port) is not answered: the device speaks text then,
    // and a firmware block sent to it would start a transfer that never was.
    const QString reply = bTextOperation == 1 ? QString() : Text1.text().left(2);
    QString refusal;
    if (reply == loaderReady) {
        clearReplies(*this);
        lLastLoaderReplyMs = loop().nowMs();
        if (!sendToLoader(*this, FirmwareImage::header(lRomLen), &refusal) && updating) {
            failTransfer(*this, QStringLiteral("the header could not be sent (%1)").arg(refusal));
            return;
        }
        bLoaderReady = 1;
        if (updating)
            bTransferStarted = 1;
    } else if (reply == loaderNextBlock || reply == loaderBlockAgain) {
        clearReplies(*this);
        lLastLoaderReplyMs = loop().nowMs();
        abBlock = FirmwareImage::blockFrame(abRomImage, lBlockNo);
        if (sendToLoader(*this, abBlock, &refusal)) {
            if (reply == loaderNextBlock)
                ++lBlockNo;
        } else if (updating) {
            failTransfer(
                *this,
                QStringLiteral("block %1 could not be sent (%2)").arg(lBlockNo + 1).arg(refusal));
            return;
        }
    }

    const int blockCount = FirmwareImage::blockCount(lRomLen);
    ProgressBar1.setValue(lBlockNo == 0 ? blockCount : lBlockNo); // full when no transfer runs

    // From the header on, every wait for the loader is bounded.
    if (transferUnderWay() && loop().nowMs() - lLastLoaderReplyMs >= loaderSilenceLimitMs) {
        failTransfer(*this, QStringLiteral("the device did not answer for 10 seconds"));
        return;
    }
    if (lBlockNo == 0)
        return;
    if (lBlockNo < blockCount) {
        setUpdateControlsEnabled(*this, false);
        Label2.setCaption(
            progressText(QStringLiteral("updating，don't remove power"), lBlockNo, blockCount));
        return;
    }

    // The last block frame has been handed to the port.
    Label2.setCaption(progressText(QStringLiteral("update complete"), lBlockNo, blockCount));
    leaveTransfer(*this);
    emit updateFinished(true);
}

// The line went away under an update: it cannot go on, and waiting for the loader's
// silence to end it would only keep the user waiting.
void Form1::firmwareLineLost()
{
    if (transferUnderWay())
        failTransfer(*this, QStringLiteral("the connection was lost"));
    else if (Timer1.isEnabled())
        giveUpLoaderWait(*this);
}
