#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>

// The settings a setup file holds, as the window displays them.
struct SetupValues
{
    QString callsign;
    QString ssid;
    QString passcode;
    QString addressMode;
    std::array<QString, 16> addressOctets; // four each of address, mask, gateway, name server
    QString position;
    QString comment;
    QString server;
    QString txTime;
    QString filter;
    QString backlight;
    QString frequency;
    QString unit;
    int digi = 0; // the check box value: 0 clear, 1 ticked, 2 grey
    QString txVol;
    QString path;
    QString alias;
};

// The text of a setup file: a header, an empty line and one configuration line per
// setting, in the form the device sends on a read, so that loading can hand each line
// to the line dispatcher.
namespace SetupFileFormat {

// The 21 lines without their line ends. Values go in as displayed, untrimmed; only
// the callsign is filled with spaces to six characters, the Tx time with leading zeros
// to four, and the list settings are turned into their codes. Longer values are never
// cut.
QStringList lines(const SetupValues &values);

// File bytes: UTF-8 without a byte-order mark, every line followed by CR LF.
QByteArray encode(const QStringList &lines);

// The lines of a file's bytes: CR LF or a lone CR ends a line, a lone LF stays part of
// the line, and a last line without an end counts too. Bytes that are not valid UTF-8
// are read as Latin-1, one character per byte.
QStringList decode(const QByteArray &content);

} // namespace SetupFileFormat
