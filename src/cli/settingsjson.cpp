#include "cli/settingsjson.h"

#include "app/form1.h"

#include <QStringList>

namespace {

QString address(const Form1 &form, int row)
{
    QStringList octets;
    for (int i = row * 4; i < row * 4 + 4; ++i)
        octets << form.addressBoxes[i]->text();
    return octets.join(QLatin1Char('.'));
}

} // namespace

QJsonObject settingsAsJson(const Form1 &form)
{
    return {
        {"callsign", form.Text4.text()},    {"ssid", form.Combo5.text()},
        {"passcode", form.Text5.text()},    {"addressMode", form.Combo2.text()},
        {"address", address(form, 0)},      {"mask", address(form, 1)},
        {"gateway", address(form, 2)},      {"dns", address(form, 3)},
        {"position", form.Text8.text()},    {"comment", form.Text7.text()},
        {"server", form.Combo3.text()},     {"txTime", form.Text10.text()},
        {"filter", form.Text11.text()},     {"backlight", form.Combo16.text()},
        {"frequency", form.Text31.text()},  {"unit", form.Combo4.text()},
        {"digi", form.Check1.value() == 1}, {"txVol", form.Combo6.text()},
        {"path", form.Combo7.text()},       {"alias", form.Combo8.text()},
        {"version", form.Text6.text()},
    };
}
