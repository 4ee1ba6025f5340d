#pragma once

#include <QString>

// Where the port-settings file PortSet.ini lives.
namespace SettingsLocation {

// The file's name, in whichever folder holds it.
QString fileName();

// Beside the program when the program's folder is writable and the program is not an
// installed copy, so a copy run from its build folder or a memory stick keeps its port
// with it (as it always has). An installed copy (its desktop entry, named by
// `desktopEntry`, lies in ../share/applications beside its folder) or one in a folder
// the user may not write keeps the file in `userConfigFolder`, the user's configuration
// folder for this program.
QString portSettingsFile(const QString &programFolder, const QString &userConfigFolder,
                         const QString &desktopEntry);

} // namespace SettingsLocation
