#pragma once

#include "app/form1.h"
#include "cli/consoledialogs.h"
#include "platform/qteventloop.h"
#include "serial/qtserialline.h"

#include <QObject>
#include <QString>
#include <QTemporaryDir>

// The window model with the real event loop and serial line, no widget: each step is
// the window's own handler, run as a click runs it. A step reports whether it reached
// its goal; what went wrong has already been said on standard error (the window's
// message boxes) or is said by the caller.
class DeviceSession : public QObject
{
    Q_OBJECT
public:
    // `port` is COMn, a device path, or empty for no port at all.
    explicit DeviceSession(const QString &port, bool echoStatusLog = false);
    ~DeviceSession() override;

    Form1 &form() { return m_form; }
    // "COM3 (/dev/ttyUSB0)" or the device path: the port as messages name it.
    QString portName() const;

    // Picks the port as the window does, then opens and closes it once so a port that
    // cannot be opened is found before any operation skips over it. On failure the
    // reason names the port and the system's error.
    bool checkPort(QString *reason);

    bool readSettings();                     // "Read data": the device sent all of them
    bool saveSetupFile(const QString &path); // "Save file"
    bool loadSetupFile(const QString &path); // "Load file"
    bool writeSettings();                    // "Write data": acknowledged with "freq save"
    bool applyWifi(const QString &ssid, const QString &password); // "Apply": acknowledged
    bool restart();                      // "restart": both commands went out
    bool openImage(const QString &path); // "Open ROM"
    // "update", then the event loop runs until the update completes or fails.
    bool update();

    // A failure message, followed by the window's status log as it stands (unless it is
    // being copied already), where the window shows what went wrong in its own words.
    void reportFailure(const QString &message);

    // Waits without blocking the window model's events.
    void wait(int ms);

private:
    // The window's PortSet.ini, unless a device path makes the port map needless.
    QString portSettingsFile(const QString &port) const;

    bool m_echoStatusLog;
    QtEventLoop m_loop;
    QtSerialLine m_line;
    ConsoleDialogs m_dialogs;
    // A device path needs no port map: the model's port settings then live here, so that
    // the window's remembered port choice is neither read nor changed.
    QTemporaryDir m_ownPortSettings;
    Form1 m_form;
    QString m_port;
    QString m_echoedLog;
};
