#pragma once

#include <QByteArray>
#include <QList>

// Everything the device stores, each value as the bytes it was sent with: the device
// never trims, checks or converts a value, it only reports it back.
struct DeviceSettings
{
    QByteArray callsign; // fill spaces included, as the host sent them
    QByteArray ssid;
    QByteArray passcode;
    QByteArray dhcp; // "1": DHCP, "0": static address
    QByteArray address;
    QByteArray mask;
    QByteArray gateway;
    QByteArray nameServer; // addresses as "a,b,c,d"
    QByteArray position;
    QByteArray comment;
    QByteArray server;
    QByteArray txTime;
    QByteArray filter;
    QByteArray version;
    QByteArray frequency;
    QByteArray backlight; // "00" is always on, else minutes 05..90
    QByteArray unit;      // 1 km, 2 mi, 3 km (local name)
    QByteArray digi;      // 0 or 1
    QByteArray txLevel;   // 1..5
    QByteArray path;      // 0..3
    QByteArray alias;     // 1..3
    QByteArray wifiName;
    QByteArray wifiPassword;

    // What a fresh device holds, and what "AT+RESET#" brings back.
    static DeviceSettings factory();

    // The answer to "AT+READ#": one configuration line per setting, without line ends,
    // then "READ END".
    QList<QByteArray> readAnswer() const;

    // Stores the value of a settings command ("AT+IP" and so on); false when the
    // command is not a settings command.
    bool apply(const QByteArray &command, const QByteArray &value);
    // Whether the command is a settings command that apply() takes.
    static bool isCommand(const QByteArray &command);

    // A simple "key=value" text, one setting a line; the value runs to the end of the
    // line untouched, so leading and trailing spaces survive.
    QByteArray toText() const;
    // Keys missing from the text keep their factory value; unknown keys and lines
    // without "=" are skipped.
    static DeviceSettings fromText(const QByteArray &text);

    bool operator==(const DeviceSettings &other) const;
    bool operator!=(const DeviceSettings &other) const { return !(*this == other); }
};
