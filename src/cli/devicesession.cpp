#include "cli/devicesession.h"

#include "cli/console.h"
#include "serial/portmap.h"

#include "app/settingslocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace {

bool isComName(const QString &port)
{
    return port.startsWith(QLatin1String("COM"));
}

void printStatusLines(const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (const QString &line : lines.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        Console::progress(QStringLiteral("  | %1\n").arg(line));
}

} // namespace

DeviceSession::DeviceSession(const QString &port, bool echoStatusLog)
    : m_echoStatusLog(echoStatusLog),
      m_form({m_loop, m_line, m_dialogs, QCoreApplication::applicationDirPath(), systemSerialPorts,
              portSettingsFile(port), isComName(port) ? QString() : port}),
      m_port(port)
{
    if (echoStatusLog) {
        // The status log is often replaced whole; only what is new is copied.
        connect(&m_form.Text29, &Control::changed, this, [this] {
            const QString text = m_form.Text29.text();
            const QString fresh =
                text.startsWith(m_echoedLog) ? text.mid(m_echoedLog.size()) : text;
            m_echoedLog = text;
            printStatusLines(fresh);
        });
    }
    m_form.Form_Load();
}

DeviceSession::~DeviceSession()
{
    m_form.Form_Unload();
}

QString DeviceSession::portSettingsFile(const QString &port) const
{
    if (!port.isEmpty() && !isComName(port) && m_ownPortSettings.isValid())
        return m_ownPortSettings.filePath(SettingsLocation::fileName());
    // The window's own file, found as the window finds it: its configuration folder is
    // the window's, not one named after this program.
    return SettingsLocation::portSettingsFile(
        QCoreApplication::applicationDirPath(),
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .filePath(QStringLiteral("ks936-config")),
        QStringLiteral(KS936_APP_ID ".desktop"));
}

QString DeviceSession::portName() const
{
    if (!isComName(m_port))
        return m_port;
    const QString device = m_form.MSComm1.systemName();
    return device.isEmpty() ? m_port : QStringLiteral("%1 (%2)").arg(m_port, device);
}

bool DeviceSession::checkPort(QString *reason)
{
    if (isComName(m_port))
        m_form.Combo1.pick(m_port);
    else
        m_form.MSComm1.setCommPort(1); // the device path stands as COM1
    try {
        m_form.MSComm1.setPortOpen(true);
    } catch (const CommError &error) {
        *reason = QString::fromStdString(error.what());
        // What the window's message box adds: what the cause means and what to do. Its
        // advice is about the port map, which a device path does not use.
        const QString details = isComName(m_port) ? m_form.failureDetails(error) : QString();
        if (!details.isEmpty())
            *reason += QLatin1Char('\n') + details;
        return false;
    }
    m_form.MSComm1.setPortOpen(false);
    return true;
}

bool DeviceSession::readSettings()
{
    m_form.Command6.click();
    return m_form.bReadEnd == 1;
}

bool DeviceSession::saveSetupFile(const QString &path)
{
    const int messagesBefore = m_dialogs.messageCount();
    m_dialogs.answerNextFileDialog(path);
    m_form.Command5.click();
    return m_dialogs.messageCount() == messagesBefore;
}

bool DeviceSession::loadSetupFile(const QString &path)
{
    const int messagesBefore = m_dialogs.messageCount();
    m_dialogs.answerNextFileDialog(path);
    m_form.Command4.click();
    return m_dialogs.messageCount() == messagesBefore;
}

bool DeviceSession::writeSettings()
{
    m_form.Command7.click();
    return m_form.bFreqSaved == 1;
}

bool DeviceSession::applyWifi(const QString &ssid, const QString &password)
{
    m_form.Text34.setText(ssid);
    m_form.Text33.setText(password);
    m_form.Command8.click();
    // The handler clears its flag; its outcome stays in the status log.
    return m_form.Text29.text().contains(QLatin1String("WIFI Write complete"));
}

bool DeviceSession::restart()
{
    const int messagesBefore = m_dialogs.messageCount();
    m_form.Command9.click();
    return m_dialogs.messageCount() == messagesBefore;
}

bool DeviceSession::openImage(const QString &path)
{
    const int messagesBefore = m_dialogs.messageCount();
    m_dialogs.answerNextFileDialog(path);
    m_form.Command1.click();
    return m_dialogs.messageCount() == messagesBefore;
}

bool DeviceSession::update()
{
    bool finished = false;
    bool completed = false;
    const QMetaObject::Connection connection =
        connect(&m_form, &Form1::updateFinished, this, [&](bool done) {
            finished = true;
            completed = done;
        });
    m_form.Command2.click();
    // The loader wait and the transfer run on the window's timers; every way they end
    // (completion, give-up, stall) reports here.
    while (!finished && !m_loop.isInterrupted())
        m_loop.runUntil(m_loop.nowMs() + 100);
    disconnect(connection);
    return completed;
}

void DeviceSession::reportFailure(const QString &message)
{
    Console::message(message);
    if (!m_echoStatusLog && !m_form.Text29.text().isEmpty()) {
        Console::progress(QStringLiteral("The status log reads:\n"));
        printStatusLines(m_form.Text29.text());
    }
}

void DeviceSession::wait(int ms)
{
    m_loop.runUntil(m_loop.nowMs() + ms);
}
