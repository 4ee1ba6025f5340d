#include "app/settingslocation.h"

#include <QDir>
#include <QFileInfo>

namespace SettingsLocation {

QString fileName()
{
    return QStringLiteral("PortSet.ini");
}

QString portSettingsFile(const QString &programFolder, const QString &userConfigFolder,
                         const QString &desktopEntry)
{
    const QDir folder(programFolder);
    const bool installed =
        QFileInfo::exists(folder.filePath(QStringLiteral("../share/applications/") + desktopEntry));
    const QFileInfo folderInfo(programFolder);
    const bool writable = folderInfo.isDir() && folderInfo.isWritable();
    if (writable && !installed)
        return folder.filePath(fileName());
    return QDir(userConfigFolder).filePath(fileName());
}

} // namespace SettingsLocation
