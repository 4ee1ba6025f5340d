#pragma once

#include <QJsonObject>

class Form1;

// The settings fields as the window shows them, one JSON member each; an address is
// its four boxes joined by dots, the DIGI box a boolean.
QJsonObject settingsAsJson(const Form1 &form);
