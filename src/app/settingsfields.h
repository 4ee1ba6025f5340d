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

// Leading and trailing spaces (only spaces) removed.
QString trimSpaces(const QString &text);

} // namespace SettingsFields
