#pragma once

#include <QString>

// What the texts the program sends to the device are made of.
namespace DeviceCommands {

extern const QString lineEnd; // CR LF, after every command

// A field value as it may travel inside a command: "," and "#" pass unchanged, but a
// control character (a line break from a setup file, say) would split the command in
// two on the device's side, so control characters are left out.
QString lineSafe(const QString &value);

// The line carries one byte per character (Latin-1): a character beyond U+00FF cannot
// reach the device as it is shown.
bool fitsTheLine(const QString &text);

// The status log's note for a command left unsent because of such a character.
QString notSentNote(const QString &field);

} // namespace DeviceCommands
