#pragma once

#include <QString>

// The texts the program sends to the device, and the codes of the list settings.
namespace DeviceCommands {

extern const QString lineEnd; // CR LF, after every command

// A field value as it may travel inside a command: "," and "#" pass unchanged, but a
// control character (a line break from a setup file, say) would split the command in
// two on the device's side, so control characters are left out.
QString lineSafe(const QString &value);

// Spaces that bring a callsign to six characters (none for a longer one).
QString callsignFill(const QString &callsign);

QString backlightCode(const QString &text); // "ON" travels as "00"
QString unitCode(const QString &text);      // km 1, mi 2, the third unit 3, else 2
QString digiCode(int checkValue);           // ticked 1, else 0
QString pathCode(const QString &text);      // None 0 ... WIDE1-1WIDE2-2 3, else 1
QString aliasCode(const QString &text);     // WIDE1 1, WIDE2 2, else 3

} // namespace DeviceCommands
