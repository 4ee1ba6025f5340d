#pragma once

#include <QByteArray>
#include <QRandomGenerator>

// Bytes for test images and noise: the same seed gives the same bytes.
inline QByteArray randomBytes(int length, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(length, '\0');
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// Block k of an image padded with 0xFF to whole 2048-byte blocks, then the XOR of the
// block's bytes: the frame a loader expects, written out independently of the program.
inline QByteArray loaderBlockFrame(const QByteArray &image, int k)
{
    QByteArray block = image.mid(k * 2048, 2048);
    block += QByteArray(2048 - block.size(), char(0xFF));
    char sum = 0;
    for (const char c : block)
        sum ^= c;
    return block + sum;
}
