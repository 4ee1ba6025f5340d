#pragma once

#include "testfiles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// One run of ks936-cli as a script runs it: no display, no terminal, exit status and
// both output streams kept apart.
struct CliRun
{
    bool finished = false; // within the time allowed
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    // `program` defaults to the built ks936-cli.
    static CliRun run(const QStringList &arguments, int timeoutMs = 120000,
                      const QString &workingFolder = QString(), const QString &program = QString());
    // A copy of ks936-cli in `folder`, so that a PortSet.ini beside it maps its ports.
    static QString copyInto(const QString &folder);
};

// Settings for the simulator's --settings file, unlike the factory's in every field the
// setup file carries. The callsign fills its six places: the window pads a shorter one
// with spaces when it writes, and the simulator keeps what it is sent; likewise the Tx
// time has its four digits. Static addresses, so that a write sends every setting.
QByteArray clubSettings();
// The setup file of clubSettings(), as "Save file" writes it, by hand.
QByteArray clubSetupFile();
// The settings text without the WiFi lines, which no setup file carries.
QByteArray withoutWifi(const QByteArray &settingsText);
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
