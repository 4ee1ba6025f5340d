// Load file's line handling on arbitrary file bytes: SetupFileFormat::decode alone, and
// the whole "Load file" press with the file picked through the dialog seam.
//
// Input: the file's bytes.

#include "fuzzform.h"

#include "setupfile/setupfileformat.h"

#include <QStringDecoder>

using fuzzcheck::shown;

namespace {

// A loaded line is kept to this many characters, as a received line is.
constexpr int kLineLimit = 1024;

// Bytes that are valid UTF-8 are read as UTF-8; any other file is read byte for byte as
// Latin-1, so that no byte of a file in another code page is lost; but a file that starts
// with a UTF-16 byte-order mark and holds whole, well-formed UTF-16 is read as that.
QString expectedText(const QByteArray &content)
{
    const bool little = content.startsWith("\xFF\xFE");
    if ((little || content.startsWith("\xFE\xFF")) && content.size() % 2 == 0) {
        QString text;
        for (qsizetype i = 2; i < content.size(); i += 2) {
            const auto low = uchar(content[little ? i : i + 1]);
            const auto high = uchar(content[little ? i + 1 : i]);
            text += QChar(char16_t(high << 8 | low));
        }
        if (text.isValidUtf16())
            return text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(content);
    return utf8.hasError() ? QString::fromLatin1(content) : text;
}

void checkLines(const QByteArray &content, const QStringList &lines)
{
    const QString text = expectedText(content);
    for (const QString &line : lines) {
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')),
                   QStringLiteral("a line holds CR: %1").arg(shown(line)));
    }
    // CR LF and a lone CR end a line, a lone LF stays in it, and a last line without an
    // end counts when it is not empty: with every line end written as CR, the lines
    // joined give the text back.
    QString ends = text;
    ends.replace(QLatin1String("\r\n"), QLatin1String("\r"));
    QString joined = lines.join(QLatin1Char('\r'));
    if (ends.endsWith(QLatin1Char('\r')))
        joined += QLatin1Char('\r');
    FUZZ_CHECK(joined == ends, QStringLiteral("the lines %1 do not give back the text %2")
                                   .arg(shown(joined), shown(ends)));
}

// "Load file" on a file with these bytes: every line, kept to its bound, reaches the
// dispatcher in order, the status log shows the file name and each line, and no message
// appears.
void checkLoad(const QByteArray &content, const QStringList &fileLines)
{
    QStringList lines;
    for (const QString &line : fileLines)
        lines << line.left(kLineLimit);
    const QString fileName = fuzzform::writeFile(QStringLiteral("fuzz.ini"), content);
    fuzzform::HeadlessForm window;
    Form1 &form = window.form;
    FakeDialogs &dialogs = window.dialogs;
    QStringList dispatched;
    QObject::connect(&form, &Form1::lineDispatched, &form,
                     [&dispatched](const QString &l) { dispatched << l; });

    dialogs.fileAnswers.enqueue(fileName);
    try {
        form.Command4.click();
    } catch (const std::exception &error) {
        FUZZ_CHECK(false, QStringLiteral("exception out of Load file: %1")
                              .arg(QString::fromLocal8Bit(error.what())));
    }

    FUZZ_CHECK(dialogs.messages.isEmpty(),
               QStringLiteral("Load file showed %1").arg(shown(dialogs.messages.join('|'))));
    FUZZ_CHECK(dispatched == lines,
               QStringLiteral("the dispatcher saw %1 lines, the file has %2; first difference "
                              "at %3")
                   .arg(dispatched.size())
                   .arg(lines.size())
                   .arg([&] {
                       int i = 0;
                       while (i < dispatched.size() && i < lines.size() &&
                              dispatched[i] == lines[i])
                           ++i;
                       return i;
                   }()));
    QString log = fileName + QStringLiteral("\r\n\r\n");
    for (const QString &l : lines) {
        log += l + QStringLiteral("\r\n");
        if (l.startsWith(QLatin1String("CONNECT")))
            log += QStringLiteral("\r\nConnect OK");
        if (l.startsWith(QLatin1String("READ END")))
            log += QStringLiteral("\r\nRead end");
    }
    FUZZ_CHECK(form.Text29.text() == log, QStringLiteral("the status log reads %1, expected %2")
                                              .arg(shown(form.Text29.text()), shown(log)));
    const QString lastLine = lines.isEmpty() ? QString() : lines.last();
    FUZZ_CHECK(form.sRxLine == lastLine, QStringLiteral("sRxLine %1 after loading, expected %2")
                                             .arg(shown(form.sRxLine), shown(lastLine)));
    FUZZ_CHECK(form.Command7.isEnabled(), QStringLiteral("Write data stays disabled"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = SetupFileFormat::decode(content);
    checkLines(content, lines);
    checkLoad(content, lines);
    return 0;
}
