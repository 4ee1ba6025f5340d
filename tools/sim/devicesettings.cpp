#include "devicesettings.h"

namespace {

struct Field
{
    const char *key;     // name in the settings text
    const char *command; // settings command that sets it, or nullptr
    QByteArray DeviceSettings::*member;
};

// The one list of stored values: drives commands, the settings text and comparison.
const Field kFields[] = {
    {"callsign", nullptr, &DeviceSettings::callsign}, // set with the SSID by AT+CALL
    {"ssid", nullptr, &DeviceSettings::ssid},
    {"passcode", "AT+PASS", &DeviceSettings::passcode},
    {"dhcp", "AT+DHCP", &DeviceSettings::dhcp},
    {"address", "AT+IP", &DeviceSettings::address},
    {"mask", "AT+SUB", &DeviceSettings::mask},
    {"gateway", "AT+GW", &DeviceSettings::gateway},
    {"nameserver", "AT+DNS", &DeviceSettings::nameServer},
    {"position", "AT+POSI", &DeviceSettings::position},
    {"comment", "AT+COMMENT", &DeviceSettings::comment},
    {"server", "AT+SERVER", &DeviceSettings::server},
    {"txtime", "AT+TIME", &DeviceSettings::txTime},
    {"filter", "AT+FILTER", &DeviceSettings::filter},
    {"version", nullptr, &DeviceSettings::version},
    {"frequency", "AT+FREQ", &DeviceSettings::frequency},
    {"backlight", "AT+BACKLIGHT", &DeviceSettings::backlight},
    {"unit", "AT+UNIT", &DeviceSettings::unit},
    {"digi", "AT+DIGI", &DeviceSettings::digi},
    {"txlevel", "AT+MOD", &DeviceSettings::txLevel},
    {"path", "AT+PATH", &DeviceSettings::path},
    {"alias", "AT+ALIAS", &DeviceSettings::alias},
    {"wifiname", nullptr, &DeviceSettings::wifiName}, // set by AT+WIFI
    {"wifipassword", nullptr, &DeviceSettings::wifiPassword},
};

} // namespace

DeviceSettings DeviceSettings::factory()
{
    DeviceSettings s;
    s.callsign = "N0SIM";
    s.ssid = "9";
    s.passcode = "12345";
    s.dhcp = "0";
    s.address = "192,168,1,99";
    s.mask = "255,255,255,0";
    s.gateway = "192,168,1,1";
    s.nameServer = "192,168,1,1";
    s.position = "4807.38N/01131.00E";
    s.comment = "KS936 simulator";
    s.server = "aprs.example.net";
    s.txTime = "600";
    s.filter = "m/50";
    s.version = "KS936 SIM 1.0";
    s.frequency = "144.6400";
    s.backlight = "30";
    s.unit = "1";
    s.digi = "0";
    s.txLevel = "3";
    s.path = "1";
    s.alias = "3";
    s.wifiName = "simnet";
    s.wifiPassword = "simpass1";
    return s;
}

QList<QByteArray> DeviceSettings::readAnswer() const
{
    return {
        "CALLSIGN:" + callsign + '-' + ssid,
        "PASS:" + passcode,
        "DHCP:" + dhcp + '#',
        "IP:" + address,
        "MASK:" + mask,
        "GATE:" + gateway,
        "DNS:" + nameServer,
        "POSITION:" + position,
        "COMMENT TEXT:" + comment,
        "SERVER:" + server,
        "SENT TIME:" + txTime,
        "FILTER:" + filter,
        "VER:" + version,
        "FREQ:" + frequency,
        "BACKLIGHT:" + backlight,
        "UNIT:" + unit,
        "DIGI:" + digi,
        "MOD:" + txLevel,
        "PATH:" + path,
        "ALIAS:" + alias,
        "READ END",
    };
}

bool DeviceSettings::apply(const QByteArray &command, const QByteArray &value)
{
    if (command == "AT+CALL") {
        // The host pads the callsign with spaces before "-" and the SSID; a callsign may
        // itself hold a "-", so the SSID is what follows the last one.
        const int dash = value.lastIndexOf('-');
        callsign = dash < 0 ? value : value.left(dash);
        ssid = dash < 0 ? QByteArray() : value.mid(dash + 1);
        return true;
    }
    for (const Field &field : kFields) {
        if (field.command && command == field.command) {
            this->*field.member = value;
            return true;
        }
    }
    return false;
}

bool DeviceSettings::isCommand(const QByteArray &command)
{
    if (command == "AT+CALL")
        return true;
    for (const Field &field : kFields) {
        if (field.command && command == field.command)
            return true;
    }
    return false;
}

QByteArray DeviceSettings::toText() const
{
    QByteArray text;
    for (const Field &field : kFields)
        text += QByteArray(field.key) + '=' + this->*field.member + '\n';
    return text;
}

DeviceSettings DeviceSettings::fromText(const QByteArray &text)
{
    DeviceSettings settings = factory();
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const int equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        for (const Field &field : kFields) {
            if (key == field.key)
                settings.*field.member = line.mid(equals + 1);
        }
    }
    return settings;
}

bool DeviceSettings::operator==(const DeviceSettings &other) const
{
    for (const Field &field : kFields) {
        if (this->*field.member != other.*field.member)
            return false;
    }
    return true;
}
