// A firmware file to its header and block frames, and "Open ROM" loading it.
//
// Input: [mode] file...
//   mode  bit 0 clear: the file is the rest of the input as it is;
//         bit 0 set: the next three bytes give a length and the rest of the input is
//         repeated to that length: up to 16 KiB, or with bit 1 set up to a little past
//         the largest file accepted, so that every block count the header can carry is
//         reached; bit 2 set: a file of 5000 bytes to 64 KiB also goes through a whole
//         update against the device model, whose loader refuses block (mode >> 3) once

#include "devicelink.h"
#include "fuzzform.h"

#include "firmware/firmwareimage.h"

using FirmwareImage::blockSize;
using fuzzcheck::shown;

namespace {

// The target's own arithmetic needs no coverage feedback; without it a large image is
// checked several times faster.
__attribute__((no_sanitize("coverage"))) char xorOf(const char *bytes, qsizetype size)
{
    char sum = 0;
    for (qsizetype i = 0; i < size; ++i)
        sum ^= bytes[i];
    return sum;
}

// The header, the padding and the frames of a file that fits the header.
void checkImage(const QByteArray &file)
{
    const auto length = std::int32_t(file.size());
    const QByteArray header = FirmwareImage::header(length);
    FUZZ_CHECK(header.size() == 5 && header[0] == char(0x5E) && header[4] == char(0xE5),
               QStringLiteral("header %1").arg(QString::fromLatin1(header.toHex(' '))));
    const int partBlock = uchar(header[1]) * 256 + uchar(header[2]);
    const int wholeBlocks = uchar(header[3]);
    FUZZ_CHECK(partBlock < blockSize && wholeBlocks * blockSize + partBlock == length,
               QStringLiteral("header %1 for a file of %2 bytes")
                   .arg(QString::fromLatin1(header.toHex(' ')))
                   .arg(length));

    const int blocks = FirmwareImage::blockCount(length);
    FUZZ_CHECK(
        blocks == wholeBlocks + 1,
        QStringLiteral("%1 blocks for a header of %2 whole blocks").arg(blocks).arg(wholeBlocks));
    const QByteArray image = FirmwareImage::padded(file);
    FUZZ_CHECK(image.size() == qsizetype(blocks) * blockSize && image.size() > file.size(),
               QStringLiteral("padded image of %1 bytes for %2 blocks and a file of %3")
                   .arg(image.size())
                   .arg(blocks)
                   .arg(length));
    FUZZ_CHECK(image.startsWith(file),
               QStringLiteral("the padded image does not begin with the file"));
    const qsizetype padding = image.size() - file.size();
    FUZZ_CHECK(image.endsWith(QByteArray(padding, char(0xFF))),
               QStringLiteral("the %1 bytes of padding are not all 0xFF").arg(padding));

    QByteArray reassembled;
    for (int block = 0; block <= blocks; ++block) {
        const QByteArray frame = FirmwareImage::blockFrame(image, block);
        FUZZ_CHECK(frame.size() == blockSize + 1,
                   QStringLiteral("frame %1 has %2 bytes").arg(block).arg(frame.size()));
        const char sum = xorOf(frame.constData(), blockSize);
        FUZZ_CHECK(frame[blockSize] == sum,
                   QStringLiteral("frame %1 ends in 0x%2, the XOR of its block is 0x%3")
                       .arg(block)
                       .arg(uchar(frame[blockSize]), 2, 16, QLatin1Char('0'))
                       .arg(uchar(sum), 2, 16, QLatin1Char('0')));
        if (block < blocks) {
            reassembled += frame.left(blockSize);
        } else {
            // Past the image's end a frame reads as padding.
            FUZZ_CHECK(frame.left(blockSize) == QByteArray(blockSize, char(0xFF)),
                       QStringLiteral("the frame past the image is not all 0xFF"));
        }
    }
    FUZZ_CHECK(reassembled == image,
               QStringLiteral("the frames do not reassemble to the padded file"));

    int previous = FirmwareImage::progressPercent(0, blocks);
    FUZZ_CHECK(previous == 0, QStringLiteral("progress %1% before any block").arg(previous));
    for (int sent = 1; sent <= blocks; ++sent) {
        const int percent = FirmwareImage::progressPercent(sent, blocks);
        FUZZ_CHECK(percent >= previous && percent <= 100,
                   QStringLiteral("progress %1% after %2 of %3 blocks, %4% before")
                       .arg(percent)
                       .arg(sent)
                       .arg(blocks)
                       .arg(previous));
        previous = percent;
    }
    FUZZ_CHECK(previous == 100, QStringLiteral("progress %1% at the end").arg(previous));
}

// "Open ROM" with the file picked: a file the header can describe is loaded with its
// padding and block count; a longer one is refused with a message naming it, and the
// image loaded before stays.
void checkOpenRom(const QByteArray &file)
{
    const QString path = fuzzform::writeFile(QStringLiteral("fuzz.bin"), file);
    fuzzform::HeadlessForm window;
    Form1 &form = window.form;
    FakeDialogs &dialogs = window.dialogs;
    const QByteArray earlier(5000, 'e');
    form.abRomFile = earlier;
    form.lRomLen = std::int32_t(earlier.size());
    form.abRomImage = FirmwareImage::padded(earlier);

    dialogs.fileAnswers.enqueue(path);
    try {
        form.Command1.click();
    } catch (const std::exception &error) {
        FUZZ_CHECK(false, QStringLiteral("exception out of Open ROM: %1")
                              .arg(QString::fromLocal8Bit(error.what())));
    }

    if (file.size() <= FirmwareImage::maxFileLength) {
        FUZZ_CHECK(dialogs.messages.isEmpty(),
                   QStringLiteral("Open ROM showed %1").arg(shown(dialogs.messages.join('|'))));
        FUZZ_CHECK(form.abRomFile == file && form.lRomLen == file.size(),
                   QStringLiteral("Open ROM holds %1 bytes (length %2) of a %3-byte file")
                       .arg(form.abRomFile.size())
                       .arg(form.lRomLen)
                       .arg(file.size()));
        FUZZ_CHECK(form.abRomImage == FirmwareImage::padded(file),
                   QStringLiteral("Open ROM's image is not the padded file"));
        FUZZ_CHECK(form.ProgressBar1.maximum() == FirmwareImage::blockCount(form.lRomLen),
                   QStringLiteral("progress bar range %1 for %2 blocks")
                       .arg(form.ProgressBar1.maximum())
                       .arg(FirmwareImage::blockCount(form.lRomLen)));
    } else {
        FUZZ_CHECK(dialogs.messages.size() == 1 && dialogs.messages[0].contains(path),
                   QStringLiteral("refusing a %1-byte file showed %2")
                       .arg(file.size())
                       .arg(shown(dialogs.messages.join('|'))));
        FUZZ_CHECK(form.abRomFile == earlier && form.lRomLen == earlier.size(),
                   QStringLiteral("a refused file replaced the image loaded before"));
    }
}

// "Open ROM", then "update" against the device model on the virtual clock: the device
// stores exactly the file, and the window ends the update with the port closed.
void checkUpdate(const QByteArray &file, int refuseBlock)
{
    const QString path = fuzzform::writeFile(QStringLiteral("update.bin"), file);
    fuzzform::HeadlessForm window(QStringLiteral("/dev/ttyUSB0"));
    Form1 &form = window.form;
    VirtualEventLoop &loop = window.loop;
    FakeSerialLine &line = window.line;
    FakeDialogs &dialogs = window.dialogs;
    form.Combo1.pick(QStringLiteral("COM1"));
    DeviceOptions options;
    options.pacing = false;
    options.faults.refuseBlock = refuseBlock;
    DeviceLink link(loop, line, options);

    dialogs.fileAnswers.enqueue(path);
    form.Command1.click();
    form.Command2.click();
    loop.advanceBy(120000);

    FUZZ_CHECK(dialogs.messages.isEmpty(),
               QStringLiteral("the update showed %1").arg(shown(dialogs.messages.join('|'))));
    FUZZ_CHECK(link.model().receivedImage() == file,
               QStringLiteral("the device stored %1 bytes of a %2-byte file; the log ends %3")
                   .arg(link.model().receivedImage().size())
                   .arg(file.size())
                   .arg(shown(form.Text29.text().right(120))));
    FUZZ_CHECK(form.Label2.caption().startsWith(QLatin1String("update complete")),
               QStringLiteral("the update ended with %1").arg(shown(form.Label2.caption())));
    FUZZ_CHECK(!form.MSComm1.PortOpen(), QStringLiteral("the port stays open after the update"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzcheck::InputReader input(data, size);
    const std::uint8_t mode = input.byte();
    QByteArray file;
    if (mode & 1) {
        const int longest = (mode & 2) ? FirmwareImage::maxFileLength + 2 * blockSize : 16384;
        const int length = ((input.byte() << 16) | (input.byte() << 8) | input.byte()) % longest;
        const QByteArray pattern = input.rest();
        if (pattern.isEmpty())
            file = QByteArray(length, char(0xFF));
        else
            file = pattern.repeated((length + pattern.size() - 1) / pattern.size()).left(length);
    } else {
        file = input.rest();
    }

    if (file.size() <= FirmwareImage::maxFileLength)
        checkImage(file);
    checkOpenRom(file);
    if ((mode & 4) && file.size() >= 5000 && file.size() <= 64 * 1024)
        checkUpdate(file, mode >> 3);
    return 0;
}
