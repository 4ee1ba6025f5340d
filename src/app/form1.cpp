#include "app/form1.h"

#include "app/settingsfields.h"
#include "app/settingslocation.h"
#include "platform/eventloop.h"
#include "platform/userdialogs.h"
#include "serial/serialline.h"

#include <QDir>
#include <QScopeGuard>

const QString Form1::caption = QStringLiteral("Zandrel KS936 aprs config");

Form1::Form1(const Platform &platform, QObject *parent)
    : QObject(parent), MSComm1(platform.line,
                               [this](int n) {
                                   if (m_fixedPort.isEmpty())
                                       return m_portMap.systemName(n);
                                   return n == 1 ? m_fixedPort : QString();
                               }),
      CommonDialog1(platform.dialogs),
      Timer1(platform.loop, 1000, false, [this] { dispatch([this] { Timer1_Timer(); }); }),
      Timer2(platform.loop, 100, true, [this] { dispatch([this] { Timer2_Timer(); }); }),
      m_loop(platform.loop), m_dialogs(platform.dialogs), m_programFolder(platform.programFolder),
      m_settingsFile(!platform.settingsFile.isEmpty()
                         ? platform.settingsFile
                         : QDir(platform.programFolder).filePath(SettingsLocation::fileName())),
      m_portMap(m_settingsFile, platform.systemPorts), m_fixedPort(platform.fixedPort)
{
    Command7.setEnabled(false);
    // A real log holds a few lines, a loaded setup file at most 64 KiB; a device that
    // repeats a status line without end must not make it grow without end.
    Text29.setRetainedLength(128 * 1024);

    Text4.keyPress = [this](int c) { return Text4_KeyPress(c); };
    Text5.keyPress = [this](int c) { return Text5_KeyPress(c); };
    Text10.keyPress = [this](int c) { return Text10_KeyPress(c); };
    Text31.keyPress = [this](int c) { return Text31_KeyPress(c); };
    Text5.onChange = [this] { Text5_Change(); };
    Text10.onChange = [this] { Text10_Change(); };
    Text31.onChange = [this] { Text31_Change(); };

    Combo1.onClick = [this] { dispatch([this] { Combo1_Click(); }); };
    Combo1.onDropDown = [this] { dispatch([this] { Combo1_DropDown(); }); };
    Combo2.onClick = [this] { dispatch([this] { Combo2_Click(); }); };
    const std::pair<CommandButton *, void (Form1::*)()> buttons[] = {
        {&Command0, &Form1::Command0_Click}, {&Command1, &Form1::Command1_Click},
        {&Command2, &Form1::Command2_Click}, {&Command4, &Form1::Command4_Click},
        {&Command5, &Form1::Command5_Click}, {&Command6, &Form1::Command6_Click},
        {&Command7, &Form1::Command7_Click}, {&Command8, &Form1::Command8_Click},
        {&Command9, &Form1::Command9_Click}};
    for (const auto &[button, handler] : buttons)
        button->onClick = [this, handler = handler] {
            dispatch([this, handler] { (this->*handler)(); });
        };

    connect(&MSComm1, &MSComm::OnComm, this, [this] { dispatch([this] { MSComm1_OnComm(); }); });
    // A line begun before the port opened (the last line of a loaded setup file, a line
    // an earlier operation cut short) is no part of what the device sends next: a
    // "freq save" appended to it would go unseen, and a good write read as failed.
    connect(&MSComm1, &MSComm::portOpened, this, [this] {
        sRxLine.clear();
        bTextOperation = 0;
    });
    // A loss can be noticed in the middle of a handler's own output; it is answered as an
    // event of its own once that handler has returned or waits.
    connect(&MSComm1, &MSComm::lineLost, this, [this](const QString &reason) {
        m_loop.post([this, reason] { dispatch([this, reason] { MSComm1_LineLost(reason); }); });
    });
}

Form1::~Form1()
{
    if (!m_unloading)
        Form_Unload();
}

void Form1::dispatch(const std::function<void()> &handler)
{
    if (m_unloading)
        return;
    ++m_handlersRunning;
    const auto finished = qScopeGuard([this] { --m_handlersRunning; });
    try {
        handler();
    } catch (const FormUnloaded &) {
        // The window closed while this handler waited; it ends here.
    }
}

void Form1::openPortForText()
{
    MSComm1.setPortOpen(true);
    bTextOperation = 1;
}

bool Form1::Form_QueryUnload()
{
    if (!transferUnderWay())
        return true;
    return m_dialogs.confirm(
        QStringLiteral("A firmware update is running. Close the window and stop it?"),
        QStringLiteral("The device keeps part of the new image and needs a complete update "
                       "before it works again."));
}

void Form1::Form_Unload()
{
    m_unloading = true;
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    MSComm1.setPortOpen(false);
    m_loop.interrupt();
}

// Start-up: restore the port name, list the ports that open, fill the lists and set up
// the serial control, leaving the port closed.
void Form1::Form_Load()
{
    Combo1.setText(ReadINI(QStringLiteral("PortSet"), QStringLiteral("par5"), portSettingsFile()));
    MSComm1.setPortOpen(false);

    // From here on a failing step is skipped and start-up goes on with the next one.
    probePorts();

    SettingsFields::fillLists(*this);

    // The number written from the fourth character on ("COM12" gives 12).
    const QString afterCom = Combo1.text().mid(3).trimmed();
    int digits = 0;
    while (digits < afterCom.size() && digits < 9 && afterCom.at(digits).isDigit())
        ++digits;
    bool isNumber = false;
    const int saved = afterCom.left(digits).toInt(&isNumber);
    if (isNumber) {
        try {
            MSComm1.setCommPort(saved);
        } catch (const CommError &) {
        }
    }
    MSComm1.setSettings(QStringLiteral("115200,n,8,1"));
    MSComm1.InBufferSize = 4096;
    MSComm1.OutBufferSize = 2032;
    MSComm1.setPortOpen(false);
    MSComm1.RThreshold = 1;
    MSComm1.InputMode = 1;
    MSComm1.InputLen = 0;

    Text32.setEnabled(false);
    Label21.setEnabled(false);
    Text32.setText(QStringLiteral("---"));
}
