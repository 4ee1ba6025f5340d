#pragma once

#include <QByteArray>
#include <QString>

// Files this program reads are UTF-8, but one saved on a system with another code page
// holds single bytes that are not. Such bytes are read as Latin-1, each the character
// of the same code: nothing turns into a replacement character, and the serial line,
// which carries Latin-1, gets every byte back unchanged. A whole file that starts with
// a UTF-16 byte-order mark is read as UTF-16.
namespace TextBytes {

enum class InitialBom
{
    Drop, // a whole file: its byte-order mark is no part of its first line, and a UTF-16
          // one says how the file is written
    Keep  // a piece of a file: U+FEFF at its start is a character like any other
};

QString utf8OrLatin1(const QByteArray &bytes, InitialBom bom);

} // namespace TextBytes
