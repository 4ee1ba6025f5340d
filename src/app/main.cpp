#include "app/form1.h"
#include "app/settingslocation.h"
#include "platform/qteventloop.h"
#include "serial/qtserialline.h"
#include "ui/mainwindow.h"
#include "ui/qtuserdialogs.h"

#include <QApplication>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

const char helpText[] =
    "Usage: ks936-config [Qt options]\n"
    "\n"
    "Configures a KS936 APRS internet gateway and position tracker over a serial port:\n"
    "read its settings, edit them, write them back, save and load setup files, send\n"
    "WiFi credentials, restart it and upload new firmware.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help and exit.\n"
    "  -v, --version  Show the program's version and exit.\n"
    "Qt's own options (-platform, -style, ...) are accepted too.\n"
    "\n"
    "The port last read from is kept in PortSet.ini: beside the program when its\n"
    "folder is writable and it is not an installed copy, otherwise in the user's\n"
    "configuration folder (~/.config/ks936-config/PortSet.ini).\n"
    "See ks936-config(1) and ks936-sim(1).\n";

// --help and --version are answered before the window system is touched, so they work
// without a display. Returns the exit status when one of them was asked for.
std::optional<int> answerInformationRequest(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(helpText, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::printf("ks936-config %s\n", KS936_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    if (const std::optional<int> status = answerInformationRequest(argc, argv))
        return *status;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ks936-config"));
    QApplication::setApplicationVersion(QStringLiteral(KS936_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(KS936_APP_ID));

    QtEventLoop loop;
    QtSerialLine line;
    QtUserDialogs dialogs;
    const QString programFolder = QApplication::applicationDirPath();
    const QString settingsFile = SettingsLocation::portSettingsFile(
        programFolder, QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
        QStringLiteral(KS936_APP_ID ".desktop"));
    Form1 form({loop, line, dialogs, programFolder, systemSerialPorts, settingsFile});
    form.Form_Load();

    MainWindow window(form);
    dialogs.setParentWidget(&window);
    window.show();
    return app.exec();
}
