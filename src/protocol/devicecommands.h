#pragma once

#include <QString>

// What the texts the program sends to the device are made of.
namespace DeviceCommands {

extern const QString lineEnd; // CR LF, after every command

// A field value as it may travel inside a command: "," and "#" pass unchanged, but a
// control character (a line break from a setup file, say) would split the command in
// two on the device's side, so control characters are left out.
QString lineSafe(const QString &value);

} // namespace DeviceCommands
