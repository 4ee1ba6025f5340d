#include "cli/commandline.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

struct Switches
{
    QCommandLineOption help{{"h", "help"}};
    QCommandLineOption version{"version"};
    QCommandLineOption port{{"p", "port"}, QString(), "P"};
    QCommandLineOption output{{"o", "output"}, QString(), "FILE"};
    QCommandLineOption json{"json"};
    QCommandLineOption ssid{"ssid", QString(), "S"};
    QCommandLineOption password{"pass", QString(), "PASSWORD"};
    QCommandLineOption keepSettings{"keep-settings"};
    QCommandLineOption settingsFile{"settings-file", QString(), "FILE"};
    QCommandLineOption bootWait{"boot-wait", QString(), "SECONDS"};
    QCommandLineOption verbose{{"v", "verbose"}};

    QList<QCommandLineOption> all() const
    {
        return {help,     version,      port,         output,   json,   ssid,
                password, keepSettings, settingsFile, bootWait, verbose};
    }
};

struct CommandInfo
{
    const char *name;
    CliRequest::Command command;
    const char *fileName; // the positional argument it takes, or nullptr
    bool needsPort;
};

const CommandInfo commands[] = {
    {"ports", CliRequest::Command::Ports, nullptr, false},
    {"read", CliRequest::Command::Read, nullptr, true},
    {"write", CliRequest::Command::Write, "FILE", true},
    {"wifi", CliRequest::Command::Wifi, nullptr, true},
    {"restart", CliRequest::Command::Restart, nullptr, true},
    {"flash", CliRequest::Command::Flash, "IMAGE", true},
};

// COM1 to COM16, as the window offers them, or a path to a serial device.
bool isPortName(const QString &port)
{
    static const QRegularExpression comName(QStringLiteral("^COM([1-9]|1[0-6])$"));
    return comName.match(port).hasMatch() || port.contains(QLatin1Char('/')) ||
           port.startsWith(QLatin1String("\\\\.\\"));
}

} // namespace

CliCommandLine::Outcome CliCommandLine::fail(const QString &error)
{
    m_error = error;
    return Outcome::Error;
}

CliCommandLine::Outcome CliCommandLine::parse(const QStringList &arguments)
{
    m_request = CliRequest();
    m_error.clear();
    Switches switches;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(switches.all());
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(switches.help))
        return Outcome::ShowHelp;
    if (parser.isSet(switches.version))
        return Outcome::ShowVersion;

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return fail(QStringLiteral("no command given"));
    const QString name = positional.takeFirst();
    const CommandInfo *info = nullptr;
    for (const CommandInfo &candidate : commands) {
        if (name == QLatin1String(candidate.name))
            info = &candidate;
    }
    if (!info)
        return fail(QStringLiteral("unknown command \"%1\"").arg(name));

    CliRequest &request = m_request;
    request.command = info->command;
    if (info->fileName) {
        if (positional.isEmpty())
            return fail(QStringLiteral("%1 needs %2").arg(name, QLatin1String(info->fileName)));
        request.file = positional.takeFirst();
    }
    if (!positional.isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"").arg(positional.constFirst()));

    // Each option belongs to the commands that use it.
    using C = CliRequest::Command;
    const struct
    {
        const QCommandLineOption &option;
        bool allowed;
    } belonging[] = {
        {switches.port, info->needsPort},
        {switches.output, request.command == C::Read},
        {switches.json, request.command == C::Read},
        {switches.ssid, request.command == C::Wifi},
        {switches.password, request.command == C::Wifi},
        {switches.keepSettings, request.command == C::Flash},
        {switches.settingsFile, request.command == C::Flash},
        {switches.bootWait, request.command == C::Flash},
        {switches.verbose, info->needsPort},
    };
    for (const auto &entry : belonging) {
        if (parser.isSet(entry.option) && !entry.allowed)
            return fail(
                QStringLiteral("%1 takes no --%2").arg(name, entry.option.names().constLast()));
    }

    if (info->needsPort) {
        if (!parser.isSet(switches.port))
            return fail(QStringLiteral("%1 needs --port").arg(name));
        request.port = parser.value(switches.port);
        if (!isPortName(request.port))
            return fail(QStringLiteral("--port takes COM1 to COM16 or a device path such as "
                                       "/dev/ttyUSB0, not \"%1\"")
                            .arg(request.port));
    }
    request.output = parser.value(switches.output);
    request.json = parser.isSet(switches.json);
    request.verbose = parser.isSet(switches.verbose);

    if (request.command == C::Wifi) {
        if (!parser.isSet(switches.ssid) || !parser.isSet(switches.password))
            return fail(QStringLiteral("wifi needs --ssid and --pass"));
        request.ssid = parser.value(switches.ssid);
        request.password = parser.value(switches.password);
    }

    request.keepSettings = parser.isSet(switches.keepSettings);
    if (!request.keepSettings &&
        (parser.isSet(switches.settingsFile) || parser.isSet(switches.bootWait)))
        return fail(QStringLiteral("--settings-file and --boot-wait go with --keep-settings"));
    request.settingsFile = parser.value(switches.settingsFile);
    if (parser.isSet(switches.bootWait)) {
        bool ok = false;
        request.bootWaitSeconds = parser.value(switches.bootWait).toInt(&ok);
        if (!ok || request.bootWaitSeconds < 1 || request.bootWaitSeconds > 3600)
            return fail(QStringLiteral("--boot-wait takes whole seconds from 1 to 3600, not \"%1\"")
                            .arg(parser.value(switches.bootWait)));
    }
    return Outcome::Run;
}

QString CliCommandLine::versionText()
{
    return QStringLiteral("ks936-cli " KS936_VERSION "\n");
}

QString CliCommandLine::helpText()
{
    return QStringLiteral(
        "Usage: ks936-cli COMMAND [OPTIONS]\n"
        "\n"
        "Configures a KS936 APRS gateway and tracker from a script: the same operations, "
        "texts and timing as the window, without a display.\n"
        "\n"
        "Commands:\n"
        "  ports                       List COM1 to COM16 as the window maps them: each\n"
        "                              port name, the device it stands for and its\n"
        "                              description.\n"
        "  read --port P [-o FILE] [--json]\n"
        "                              \"Read data\", then the setup file \"Save file\" writes\n"
        "                              (the same 21 lines, the same bytes) to FILE, or to\n"
        "                              standard output when FILE is missing or \"-\".\n"
        "  write FILE --port P         \"Load file\" of FILE, then \"Write data\". Succeeds\n"
        "                              only when the device acknowledges with \"freq save\".\n"
        "  wifi --ssid S --pass PASSWORD --port P\n"
        "                              \"Apply\": sends the WiFi name and password; the device\n"
        "                              restarts once it has acknowledged them.\n"
        "  restart --port P            \"restart\": tells the device to restart. The device\n"
        "                              does not answer it: success means the commands went\n"
        "                              out.\n"
        "  flash IMAGE --port P [--keep-settings [--settings-file FILE] [--boot-wait SECONDS]]\n"
        "                              \"Open ROM\" of IMAGE, then \"update\": the device's\n"
        "                              settings are reset, it restarts into its loader and\n"
        "                              takes the image block by block.\n"
        "\n"
        "Options:\n"
        "  -p, --port P                COM1 to COM16, mapped as the window maps it (the\n"
        "                              [PortMap] section of PortSet.ini, else the n-th serial\n"
        "                              device of the system), or a device path such as\n"
        "                              /dev/ttyUSB0 or /dev/serial/by-id/....\n"
        "  -o, --output FILE           read: write to FILE instead of standard output. An\n"
        "                              existing FILE is replaced.\n"
        "  --json                      read: print the fields as a JSON object instead of a\n"
        "                              setup file.\n"
        "  --ssid S                    wifi: the network name (at most 20 characters, no\n"
        "                              comma).\n"
        "  --pass PASSWORD             wifi: the network password (at most 20 characters).\n"
        "  --keep-settings             flash: the update's reset erases the device's settings.\n"
        "                              With this option the settings are read into a setup\n"
        "                              file first (kept, and its path printed), the image is\n"
        "                              flashed, and once the device answers again the\n"
        "                              settings are written back. The WiFi name and password\n"
        "                              are not part of a setup file: set them again with\n"
        "                              \"wifi\".\n"
        "  --settings-file FILE        flash --keep-settings: keep the settings in FILE\n"
        "                              (default: ks936-settings-DATE-TIME.ini in the current\n"
        "                              folder).\n"
        "  --boot-wait SECONDS         flash --keep-settings: how long to wait for the device\n"
        "                              to answer after the update (default 60). Each try is\n"
        "                              a \"Read data\" of up to about 40 seconds.\n"
        "  -v, --verbose               Copy the window's status log to standard error.\n"
        "  -h, --help                  Show this help and exit.\n"
        "  --version                   Show the version and exit.\n"
        "\n"
        "Data goes to standard output; messages, the window's message boxes and progress go\n"
        "to standard error. Progress is a bar on a terminal and plain lines otherwise.\n"
        "\n"
        "Exit status:\n"
        "  0  success\n"
        "  1  the device did not answer or did not acknowledge (or the update failed)\n"
        "  2  usage error, or a file that cannot be read or written\n"
        "  3  the port could not be opened\n");
}
