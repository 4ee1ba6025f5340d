#include "cli/flashprogress.h"

#include "app/form1.h"
#include "cli/console.h"
#include "firmware/firmwareimage.h"

namespace {

constexpr int barWidth = 30;

} // namespace

FlashProgress::FlashProgress(Form1 &form, bool drawBar, QObject *parent)
    : QObject(parent), m_form(form), m_drawBar(drawBar)
{
    connect(&form.Text3, &Control::changed, this, &FlashProgress::loaderWaitChanged);
    connect(&form.ProgressBar1, &Control::changed, this, &FlashProgress::blocksChanged);
    show(QStringLiteral("resetting the device and restarting it into its loader"), true);
}

FlashProgress::~FlashProgress()
{
    Console::endProgressLine();
}

void FlashProgress::loaderWaitChanged()
{
    // Timer1 shows its tick count, " 3/10", while it probes for the loader.
    const QString counter = m_form.Text3.text().trimmed();
    if (m_form.lBlockNo != 0 || counter == m_lastWait || !counter.endsWith(QLatin1String("/10")))
        return;
    m_lastWait = counter;
    show(QStringLiteral("waiting for the loader %1").arg(counter), !m_drawBar);
}

void FlashProgress::blocksChanged()
{
    const int sent = m_form.lBlockNo;
    const int total = m_form.ProgressBar1.maximum();
    if (sent <= 0 || total <= 0)
        return; // no transfer runs: the bar stands full
    const int percent = FirmwareImage::progressPercent(sent, total);
    if (m_drawBar) {
        const int filled = sent * barWidth / total;
        show(QStringLiteral("[%1%2] %3% %4/%5 blocks")
                 .arg(QString(filled, QLatin1Char('#')),
                      QString(barWidth - filled, QLatin1Char('-')))
                 .arg(percent, 3)
                 .arg(sent)
                 .arg(total),
             false);
        return;
    }
    const int tenth = percent / 10;
    if (tenth == m_lastTenth)
        return;
    m_lastTenth = tenth;
    show(QStringLiteral("%1% %2/%3 blocks").arg(percent).arg(sent).arg(total), true);
}

void FlashProgress::show(const QString &text, bool keep)
{
    const QString line = QStringLiteral("flash: ") + text;
    if (m_drawBar) {
        // Back to the line's start, and clear what a longer earlier text left.
        Console::progress(QStringLiteral("\r\x1b[K") + line);
        if (keep)
            Console::endProgressLine();
        return;
    }
    Console::progress(line + QLatin1Char('\n'));
}
