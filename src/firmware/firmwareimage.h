#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <stdexcept>

// The firmware image as the loader takes it: the file padded with 0xFF to whole
// 2048-byte blocks, announced by a five-byte header and sent one block frame at a time.
namespace FirmwareImage {

constexpr int blockSize = 2048;
// The header carries the number of whole blocks in one byte: 255 whole blocks and a
// part block is the longest file it can describe.
constexpr std::int32_t maxFileLength = 255 * blockSize + (blockSize - 1);
// A shorter file is no firmware image: the update refuses to start with it.
constexpr std::int32_t minFileLength = 5000;

// A firmware file that cannot be loaded; the text names the file and the reason.
class FileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Reads a firmware file whole. A file longer than maxFileLength is refused before any of
// it is read (and a device node that keeps giving bytes is cut off just past the limit).
QByteArray readFile(const QString &path);

// Blocks sent for a file: its whole blocks plus one, so the image always ends in 0xFF.
int blockCount(std::int32_t fileLength);

// The file followed by 0xFF up to the end of its last block.
QByteArray padded(const QByteArray &file);

// 0x5E, the length of the part block (high byte, low byte), the whole blocks, 0xE5.
QByteArray header(std::int32_t fileLength);

// Block blockNo of the image and its checksum: 2049 bytes. Bytes beyond the image's
// end read as 0xFF, as the padding does.
QByteArray blockFrame(const QByteArray &image, int blockNo);

// The share of blocks sent in whole percent, a half going to the even neighbour.
int progressPercent(int blocksSent, int blockCount);

// A counter as the update's messages show it: one space before a number that is not
// negative (" 1"), the minus sign before one that is ("-1").
QString signPlaced(std::int32_t counter);

} // namespace FirmwareImage
