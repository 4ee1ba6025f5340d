#pragma once

#include <QByteArray>
#include <QString>

// Standard output carries data; standard error carries messages and progress.
namespace Console {

// Writes bytes to standard output as they are.
bool writeData(const QByteArray &bytes);
// One message line on standard error, prefixed with the program's name.
void message(const QString &text);
// Text on standard error as it is (progress drawing).
void progress(const QString &text);
// Ends a progress line drawn without a line end, if there is one.
void endProgressLine();
// Whether standard error is a terminal, where progress is drawn as a bar.
bool errorIsTerminal();

} // namespace Console
