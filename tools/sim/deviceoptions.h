#pragma once

#include "devicesettings.h"

#include <QByteArray>
#include <QList>
#include <QMap>

// Misbehaviour on demand, so the program's failure paths can be tried. Everything is
// off by default. Commands are named by the text before "," or "#" ("SETUP",
// "AT+FREQ"; "SETUP#" and "AT+FREQ," are accepted too); the loader's frames are named
// "probe" and "header".
struct DeviceFaults
{
    // Commands the device never hears: not acted on, not answered.
    QList<QByteArray> ignored;
    // Command -> the first try that is heard (3: the first two tries are lost).
    QMap<QByteArray, int> answerFrom;
    // A 0x00 byte goes out just before every loader reply.
    bool strayByte = false;
    // The n-th block frame (1 = the first) is refused once with 0x55 though its
    // checksum holds; 0: off.
    int refuseBlock = 0;
    // The loader answers the header and this many blocks, then falls silent; -1: off.
    int stallAfterBlocks = -1;
    // The line drops once the device has received this many bytes from the host; 0: off.
    qint64 hangUpAfterBytes = 0;
    // The line drops when this many block frames have arrived; 0: off.
    int hangUpAfterBlocks = 0;
    // The line drops once this many command lines have arrived (the last one is still
    // acted on, but never answered); 0: off.
    int hangUpAfterLines = 0;
    // Random bytes: garbageLength of them every garbageEveryMs (0: never), and one
    // burst of garbageBurst bytes just before the device's first answer (0: none).
    int garbageEveryMs = 0;
    int garbageLength = 8;
    int garbageBurst = 0;
    quint32 garbageSeed = 1;
};

// How the device behaves. The defaults are those of the simulator.
struct DeviceOptions
{
    // Wait between hearing a command (or loader frame) and starting the answer.
    int replyDelayMs = 10;
    // Bytes travel at the line rate (10 bits a byte) in both directions: the device
    // reacts to a byte only once it could have arrived, and its answers leave spread
    // out at that rate. Off: bytes move instantly.
    bool pacing = true;
    int baudRate = 115200;
    // Time to write one accepted block, before its 0xC5.
    int flashTimeMs = 30;
    // Silence after "REBOOT#" before the loader starts listening.
    int bootTimeMs = 1500;
    // How long the loader waits for a probe (and, once probed, for each next frame)
    // before the device goes back to text commands.
    int loaderWindowMs = 8000;

    DeviceSettings settings = DeviceSettings::factory();
    DeviceFaults faults;
};
