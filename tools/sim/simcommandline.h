#pragma once

#include "deviceoptions.h"

#include <QString>
#include <QStringList>

// What the simulator was asked to do.
struct SimConfig
{
    DeviceOptions device;
    QString linkPath;     // symlink to the pseudo-terminal, kept while running
    QString logPath;      // traffic log; empty: standard error
    bool quiet = false;   // no traffic log at all
    QString settingsPath; // settings start from this file and are kept in it
    QString imageOutPath; // a received firmware image is written here
    // A port-settings file in which the pseudo-terminal is recorded as COM n.
    QString registerFile;
    int registerPort = 0;
};

// Reads the simulator's command line. Every device option and fault has a switch.
class SimCommandLine
{
public:
    enum class Outcome
    {
        Run,
        ShowHelp,
        ShowVersion,
        Error
    };

    Outcome parse(const QStringList &arguments);

    const SimConfig &config() const { return m_config; }
    QString errorText() const { return m_error; }
    QString helpText() const;

private:
    SimConfig m_config;
    QString m_error;
};
