#pragma once

#include <QString>

// Single-key reads and writes of an INI file in the classic private-profile layout:
// "[Section]" lines, "key=value" lines, CR LF line ends. A write keeps every other
// line where it was; a key already present keeps its place and gets the new value.
namespace IniFile {

// The value, or an empty string when the file, section or key is missing. Section and
// key names match regardless of letter case. Values come back cut to 254 characters.
QString read(const QString &section, const QString &key, const QString &fileName);

// Creates the file, section or key as needed. Returns false when the file cannot be
// written (callers that must fail silently ignore it).
bool write(const QString &section, const QString &key, const QString &value,
           const QString &fileName);

} // namespace IniFile
