#pragma once

#include <QString>
#include <QStringList>

class Form1;

// The settings fields' lists and defaults.
namespace SettingsFields {

// "公里", the third distance unit.
extern const QString kilometreUnit;

QStringList ssidItems();
QStringList backlightItems();
QStringList unitItems();
QStringList serverItems();
QStringList addressModeItems();
QStringList pathItems();
QStringList txVolItems();
QStringList aliasItems();

// Start-up fills every list, in the window's order.
void fillLists(Form1 &form);

// The code a list setting travels as, to the device and in setup files: the list's
// items numbered from firstCode in list order (compared exactly, first match wins);
// any other text gets otherCode.
QString listCode(const QString &text, const QStringList &items, int firstCode, int otherCode);

// The backlight travels as "00" when it reads "ON", otherwise as shown.
QString backlightCode(const QString &text);

// Leading and trailing spaces (only spaces) removed.
QString trimSpaces(const QString &text);

} // namespace SettingsFields
