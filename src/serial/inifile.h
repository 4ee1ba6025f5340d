#pragma once

#include <QString>

// Single-key reads and writes of an INI file in the classic private-profile layout:
// "[Section]" lines, "key=value" lines, CR LF line ends. A write changes only its own
// key's line, or adds the key or its section: every other byte of the file stays as it
// was, whatever its encoding. A key already present keeps its place.
namespace IniFile {

// The value, or an empty string when the file, section or key is missing. Section and
// key names match regardless of letter case. Values come back cut to 254 characters;
// one that is not UTF-8 is read byte for byte as Latin-1.
QString read(const QString &section, const QString &key, const QString &fileName);

// Creates the file, section or key as needed. Returns false, with the system's reason in
// errorString, when the file cannot be written, or exists but cannot be read: such a
// file is left as it is rather than replaced by one that holds only the new key.
bool write(const QString &section, const QString &key, const QString &value,
           const QString &fileName, QString *errorString = nullptr);

} // namespace IniFile
