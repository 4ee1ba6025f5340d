#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for, checked against what each command takes.
struct CliRequest
{
    enum class Command
    {
        Ports,
        Read,
        Write,
        Wifi,
        Restart,
        Flash
    };

    Command command = Command::Ports;
    QString port;      // COMn or a device path
    QString file;      // write: the setup file; flash: the firmware image
    QString output;    // read: where the setup file goes; empty or "-": standard output
    bool json = false; // read: the fields as a JSON object instead of a setup file
    QString ssid;      // wifi
    QString password;  // wifi
    bool keepSettings = false;
    QString settingsFile; // flash --keep-settings: where the settings are kept
    int bootWaitSeconds = 60;
    bool verbose = false; // the window's status log goes to standard error too
};

class CliCommandLine
{
public:
    enum class Outcome
    {
        Run,
        ShowHelp,
        ShowVersion,
        Error
    };

    // The arguments include the program name first, as QCoreApplication gives them.
    Outcome parse(const QStringList &arguments);

    const CliRequest &request() const { return m_request; }
    QString errorText() const { return m_error; }

    static QString helpText();
    static QString versionText();

private:
    Outcome fail(const QString &error);

    CliRequest m_request;
    QString m_error;
};
