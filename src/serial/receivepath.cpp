// Reception of the device's bytes and the timed wait during which it runs.

#include "app/form1.h"
#include "app/settingsfields.h"
#include "platform/eventloop.h"

#include <stdexcept>

namespace {

// Only the first reply in the hex record is ever read (the firmware update clears the
// record before each answer it awaits), so the record keeps its first part and drops
// what comes after: a chatty device cannot make it grow without end.
constexpr int maxRecordLength = 8192;

} // namespace

void Form1::MSComm1_OnComm()
{
    if (MSComm1.CommEvent() != MSComm::comEvReceive)
        return;
    // Input takes every waiting byte, also any that arrived after the count was taken.
    const QByteArray bytes = MSComm1.Input();
    if (bytes.isEmpty())
        return;

    // The hex record: two upper-case digits a byte. Spaces left by the firmware update's
    // clearing are trimmed first; appending costs the same however long the record is.
    {
        const QString record = Text1.text(); // released before the append below
        if (record.startsWith(QLatin1Char(' ')) || record.endsWith(QLatin1Char(' ')))
            Text1.setText(SettingsFields::trimSpaces(record));
    }
    const qsizetype recordRoom = maxRecordLength - Text1.text().size();
    if (recordRoom > 0)
        Text1.appendText(QString::fromLatin1(bytes.left(recordRoom / 2).toHex().toUpper()));

    // Line building: LF is ignored, CR ends the line, every other byte is appended as
    // the character of the same code; the dispatcher sees the line after every byte.
    for (const char byte : bytes) {
        if (byte == '\n') {
        } else if (byte == '\r') {
            sRxLine.clear();
        } else if (sRxLine.size() < maxLineLength) {
            sRxLine.append(QChar(static_cast<unsigned char>(byte)));
        }
        try {
            peizhi();
        } catch (const std::invalid_argument &) {
            // An incomplete callsign or address line: it is examined again with the
            // next byte.
        }
    }
}

void Form1::MSComm1_LineLost(const QString &reason)
{
    Text29.appendLine(lineLossNote(reason));
    firmwareLineLost();
}

QString Form1::lineLossNote(const QString &reason) const
{
    return QStringLiteral("The connection on %1 was lost: %2.").arg(portDescription(), reason);
}

void Form1::Delay(std::int32_t ms)
{
    if (m_unloading)
        throw FormUnloaded{};
    if (ms < 0)
        return;
    m_loop.runUntil(m_loop.nowMs() + ms);
    if (m_unloading)
        throw FormUnloaded{};
}
