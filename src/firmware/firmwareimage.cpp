#include "firmware/firmwareimage.h"

#include "firmware/module1.h"

#include <QFile>

namespace FirmwareImage {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("Cannot open firmware file %1: %2")
                            .arg(path, file.errorString())
                            .toStdString());
    const QString tooLarge =
        QStringLiteral("Firmware file too large: %1. The largest file accepted is %2 bytes.")
            .arg(path)
            .arg(maxFileLength);
    if (file.size() > maxFileLength)
        throw FileError(tooLarge.toStdString());
    const QByteArray bytes = file.read(maxFileLength + 1);
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("Cannot read firmware file %1: %2")
                            .arg(path, file.errorString())
                            .toStdString());
    if (bytes.size() > maxFileLength)
        throw FileError(tooLarge.toStdString());
    return bytes;
}

int blockCount(std::int32_t fileLength)
{
    return fileLength / blockSize + 1;
}

QByteArray padded(const QByteArray &file)
{
    QByteArray image(qsizetype(blockCount(std::int32_t(file.size()))) * blockSize, char(0xFF));
    image.replace(0, file.size(), file);
    return image;
}

QByteArray header(std::int32_t fileLength)
{
    const int partBlock = fileLength % blockSize;
    const char bytes[] = {char(0x5E), char(partBlock / 256), char(partBlock % 256),
                          char(fileLength / blockSize), char(0xE5)};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray blockFrame(const QByteArray &image, int blockNo)
{
    QByteArray frame = image.mid(qsizetype(blockNo) * blockSize, blockSize);
    frame.append(blockSize - frame.size(), char(0xFF));
    frame.append('\0');
    frame[blockSize] = char(Module1::XorSum(frame));
    return frame;
}

int progressPercent(int blocksSent, int blockCount)
{
    const std::int64_t share = std::int64_t(100) * blocksSent;
    const std::int64_t whole = share / blockCount;
    const std::int64_t twiceRest = 2 * (share % blockCount);
    const bool roundUp = twiceRest > blockCount || (twiceRest == blockCount && whole % 2 == 1);
    return int(roundUp ? whole + 1 : whole);
}

QString signPlaced(std::int32_t counter)
{
    return counter < 0 ? QString::number(counter) : QLatin1Char(' ') + QString::number(counter);
}

} // namespace FirmwareImage
