#include "simcommandline.h"

#include <QCommandLineParser>

namespace {

struct Switches
{
    const DeviceOptions defaults{}; // first, so the help texts below can name its values

    QCommandLineOption help{{"h", "help"}, "Show this help and exit."};
    QCommandLineOption version{"version", "Show the simulator's version and exit."};
    QCommandLineOption link{"link",
                            "Keep a symlink at PATH to the pseudo-terminal while running "
                            "(removed on exit).",
                            "PATH"};
    QCommandLineOption log{"log", "Write the traffic log to FILE instead of standard error.",
                           "FILE"};
    QCommandLineOption quiet{"quiet", "Write no traffic log."};
    QCommandLineOption settings{"settings",
                                "Start from the settings in FILE (key=value lines) and keep "
                                "every change there. A missing file starts from factory "
                                "settings.",
                                "FILE"};
    QCommandLineOption imageOut{"image-out",
                                "Write each firmware image received by the loader to FILE, "
                                "cut to the length its header gives.",
                                "FILE"};
    QCommandLineOption registerPort{
        "register",
        "Record the pseudo-terminal (or the --link path) as COMn in the [PortMap] section of "
        "the port-settings FILE, so the configuration program lists it as COMn; if FILE names "
        "no port yet, COMn becomes the port it starts on.",
        "FILE:COMn"};
    QCommandLineOption replyDelay{
        "reply-delay",
        QStringLiteral("Wait MS before each answer (default %1).").arg(defaults.replyDelayMs),
        "MS"};
    QCommandLineOption noPacing{"no-pacing", "Move bytes instantly instead of at 115200 baud "
                                             "(10 bits a byte) in both directions."};
    QCommandLineOption flashTime{
        "flash-time",
        QStringLiteral("Time to write one block before its 0xC5 (default %1).")
            .arg(defaults.flashTimeMs),
        "MS"};
    QCommandLineOption bootTime{
        "boot-time",
        QStringLiteral("Silence after REBOOT# before the loader listens (default %1).")
            .arg(defaults.bootTimeMs),
        "MS"};
    QCommandLineOption loaderWindow{
        "loader-window",
        QStringLiteral("How long the loader waits for a probe, and then for each next "
                       "frame, before text mode returns (default %1).")
            .arg(defaults.loaderWindowMs),
        "MS"};
    QCommandLineOption startTime{
        "start-time",
        QStringLiteral("Silence after a completed transfer while the new firmware starts, "
                       "before text commands are heard again (default %1).")
            .arg(defaults.startTimeMs),
        "MS"};
    QCommandLineOption ignore{"ignore",
                              "Fault: never hear command CMD (SETUP#, AT+READ#, AT+FREQ, ...; "
                              "probe or header for the loader). May be repeated.",
                              "CMD"};
    QCommandLineOption answerAfter{"answer-after",
                                   "Fault: hear CMD only from its K-th try on (the first K-1 "
                                   "tries are lost). May be repeated.",
                                   "CMD:K"};
    QCommandLineOption strayByte{"stray-byte",
                                 "Fault: send a 0x00 byte before every loader reply."};
    QCommandLineOption refuseBlock{"refuse-block",
                                   "Fault: refuse the K-th block (1 = first) once with 0x55.", "K"};
    QCommandLineOption stallAfter{"stall-after-blocks",
                                  "Fault: the loader answers the header and K blocks, then "
                                  "falls silent.",
                                  "K"};
    QCommandLineOption hangUpBytes{"hang-up-after-bytes",
                                   "Fault: drop the line once K bytes have come from the host: "
                                   "the simulator closes the pseudo-terminal and exits with "
                                   "status 3.",
                                   "K"};
    QCommandLineOption hangUpBlocks{"hang-up-after-blocks",
                                    "Fault: drop the line when the K-th block frame has "
                                    "arrived (closes and exits with status 3).",
                                    "K"};
    QCommandLineOption hangUpLines{"hang-up-after-lines",
                                   "Fault: drop the line once K command lines have come from the "
                                   "host; the last one is acted on but not answered (closes and "
                                   "exits with status 3).",
                                   "K"};
    QCommandLineOption garbageEvery{"garbage-every",
                                    "Fault: send random bytes every MS milliseconds.", "MS"};
    QCommandLineOption garbageLength{
        "garbage-length",
        QStringLiteral("Bytes in each periodic garbage send (default %1).")
            .arg(defaults.faults.garbageLength),
        "N"};
    QCommandLineOption garbageBurst{
        "garbage-burst", "Fault: send N random bytes just before the first answer.", "N"};
    QCommandLineOption garbageSeed{
        "garbage-seed",
        QStringLiteral("Seed of the random garbage (default %1).").arg(defaults.faults.garbageSeed),
        "SEED"};

    QList<QCommandLineOption> all() const
    {
        return {help,        version,      link,          log,          quiet,
                settings,    imageOut,     registerPort,  replyDelay,   noPacing,
                flashTime,   bootTime,     loaderWindow,  startTime,    ignore,       answerAfter,
                strayByte,   refuseBlock,  stallAfter,    hangUpBytes,  hangUpBlocks,
                hangUpLines, garbageEvery, garbageLength, garbageBurst, garbageSeed};
    }
};

void describe(QCommandLineParser &parser, const Switches &switches)
{
    parser.setApplicationDescription(
        "Stands in for the KS936 device on a pseudo-terminal at 115200 8N1.\n"
        "Prints the pseudo-terminal's path as the first line of standard output, then serves "
        "the device's text commands and its firmware loader until SIGINT or SIGTERM.\n"
        "The traffic log shows both directions with times in seconds, and \"port opened\" / "
        "\"port closed\" when a program opens or closes the line.\n"
        "A settings file holds key=value lines with the keys callsign, ssid, passcode, dhcp, "
        "address, mask, gateway, nameserver, position, comment, server, txtime, filter, "
        "version, frequency, backlight, unit, digi, txlevel, path, alias, wifiname and "
        "wifipassword; missing keys keep their factory value.\n"
        "Exit status: 0 after SIGINT or SIGTERM, 2 for a bad command line or file, 3 after a "
        "hang-up fault.");
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(switches.all());
}

// A number option: absent leaves the target unchanged.
bool readNumber(const QCommandLineParser &parser, const QCommandLineOption &option, qint64 minimum,
                qint64 &target, QString &error)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const qint64 value = parser.value(option).toLongLong(&ok);
    if (!ok || value < minimum) {
        error = QStringLiteral("--%1 needs a whole number of at least %2, not \"%3\"")
                    .arg(option.names().constLast())
                    .arg(minimum)
                    .arg(parser.value(option));
        return false;
    }
    target = value;
    return true;
}

template <typename T>
bool readNumber(const QCommandLineParser &parser, const QCommandLineOption &option, qint64 minimum,
                T &target, QString &error)
{
    qint64 value = target;
    if (!readNumber(parser, option, minimum, value, error))
        return false;
    target = T(value);
    return true;
}

} // namespace

SimCommandLine::Outcome SimCommandLine::parse(const QStringList &arguments)
{
    Switches switches;
    QCommandLineParser parser;
    describe(parser, switches);
    m_config = SimConfig();
    m_error.clear();

    if (!parser.parse(arguments)) {
        m_error = parser.errorText();
        return Outcome::Error;
    }
    if (parser.isSet(switches.help))
        return Outcome::ShowHelp;
    if (parser.isSet(switches.version))
        return Outcome::ShowVersion;
    if (!parser.positionalArguments().isEmpty()) {
        m_error = QStringLiteral("unexpected argument \"%1\"")
                      .arg(parser.positionalArguments().constFirst());
        return Outcome::Error;
    }

    SimConfig &config = m_config;
    DeviceOptions &device = config.device;
    DeviceFaults &faults = device.faults;
    config.linkPath = parser.value(switches.link);
    config.logPath = parser.value(switches.log);
    config.quiet = parser.isSet(switches.quiet);
    config.settingsPath = parser.value(switches.settings);
    config.imageOutPath = parser.value(switches.imageOut);
    if (parser.isSet(switches.registerPort)) {
        const QString entry = parser.value(switches.registerPort);
        const int colon = entry.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const QString port = colon > 0 ? entry.mid(colon + 1) : QString();
        const int number = port.startsWith(QLatin1String("COM")) ? port.mid(3).toInt(&ok) : 0;
        if (!ok || number < 1 || number > 16) {
            m_error = QStringLiteral("--register needs FILE:COMn with n from 1 to 16, not \"%1\"")
                          .arg(entry);
            return Outcome::Error;
        }
        config.registerFile = entry.left(colon);
        config.registerPort = number;
    }
    device.pacing = !parser.isSet(switches.noPacing);
    faults.strayByte = parser.isSet(switches.strayByte);

    const bool numbersOk =
        readNumber(parser, switches.replyDelay, 0, device.replyDelayMs, m_error) &&
        readNumber(parser, switches.flashTime, 0, device.flashTimeMs, m_error) &&
        readNumber(parser, switches.bootTime, 0, device.bootTimeMs, m_error) &&
        readNumber(parser, switches.loaderWindow, 0, device.loaderWindowMs, m_error) &&
        readNumber(parser, switches.startTime, 0, device.startTimeMs, m_error) &&
        readNumber(parser, switches.refuseBlock, 1, faults.refuseBlock, m_error) &&
        readNumber(parser, switches.stallAfter, 0, faults.stallAfterBlocks, m_error) &&
        readNumber(parser, switches.hangUpBytes, 1, faults.hangUpAfterBytes, m_error) &&
        readNumber(parser, switches.hangUpBlocks, 1, faults.hangUpAfterBlocks, m_error) &&
        readNumber(parser, switches.hangUpLines, 1, faults.hangUpAfterLines, m_error) &&
        readNumber(parser, switches.garbageEvery, 1, faults.garbageEveryMs, m_error) &&
        readNumber(parser, switches.garbageLength, 1, faults.garbageLength, m_error) &&
        readNumber(parser, switches.garbageBurst, 1, faults.garbageBurst, m_error) &&
        readNumber(parser, switches.garbageSeed, 0, faults.garbageSeed, m_error);
    if (!numbersOk)
        return Outcome::Error;

    for (const QString &command : parser.values(switches.ignore))
        faults.ignored.append(command.toLatin1());
    for (const QString &entry : parser.values(switches.answerAfter)) {
        const int colon = entry.lastIndexOf(QLatin1Char(':'));
        bool ok = false;
        const int tries = colon > 0 ? entry.mid(colon + 1).toInt(&ok) : 0;
        if (!ok || tries < 1) {
            m_error = QStringLiteral("--answer-after needs CMD:K with K at least 1, not \"%1\"")
                          .arg(entry);
            return Outcome::Error;
        }
        faults.answerFrom.insert(entry.left(colon).toLatin1(), tries);
    }
    return Outcome::Run;
}

QString SimCommandLine::helpText() const
{
    Switches switches;
    QCommandLineParser parser;
    describe(parser, switches);
    return parser.helpText();
}
