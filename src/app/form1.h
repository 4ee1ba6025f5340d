#pragma once

#include "app/commondialog.h"
#include "app/controls.h"
#include "app/timercontrol.h"
#include "serial/mscomm.h"
#include "serial/portmap.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <exception>
#include <functional>

class EventLoop;
class SerialLine;
class UserDialogs;

// Runs one step of a handler whose failing steps are skipped without a report: a
// serial failure, a refused property or a bad value ends that step only. A window that
// closes during the step still ends the handler.
template <typename Step> void skipOnFailure(Step step)
{
    try {
        step();
    } catch (const std::exception &) {
    }
}

// Thrown out of a wait when the window is closing: it unwinds the handler that waited,
// so no handler goes on touching a window that is going away.
struct FormUnloaded
{
};

// The window model: every control, the form-level state and every handler, without any
// widget. The Qt window draws it and forwards the user's typing, picks and clicks;
// tests drive it headless on a virtual clock. The handlers keep the names of the events
// they answer and are defined in the folder of their subsystem.
class Form1 : public QObject
{
    Q_OBJECT
public:
    // What the window needs from the world around it.
    struct Platform
    {
        EventLoop &loop;
        SerialLine &line;
        UserDialogs &dialogs;
        QString programFolder;           // where the file dialogs start
        PortMap::Enumerator systemPorts; // the machine's serial devices
        // The port-settings file PortSet.ini (see SettingsLocation); when empty, the
        // file beside the program.
        QString settingsFile = QString();
        // A device path given instead of a port choice (the command-line companion's
        // --port /dev/ttyUSB0): it is COM1 and the only port; the port map is not asked.
        QString fixedPort = QString();
    };

    explicit Form1(const Platform &platform, QObject *parent = nullptr);
    ~Form1() override;

    static const QString caption; // the window's title

    // Runs a handler as the window runs every event: a window that closes during the
    // handler's wait ends it quietly.
    void dispatch(const std::function<void()> &handler);

    // The window is asked to close; returns false to keep it open. Once the firmware
    // transfer has begun, closing would leave the device with part of an image, so the
    // user is asked first.
    bool Form_QueryUnload();
    // The window is closing: waits end, the timers stop and the port closes.
    void Form_Unload();
    bool isUnloading() const { return m_unloading; }

    // ---- controls ----------------------------------------------------------------
    Frame Frame1{QStringLiteral("Frame1"), QString()};
    Label Label3{QStringLiteral("Label3"), QStringLiteral("KS936 APRS Config")};
    Label LabelCallsign{QStringLiteral("LabelCallsign"), QStringLiteral("Callsign")};
    TextBox Text4{QStringLiteral("Text4"), QString(), 6};
    Label Label9{QStringLiteral("Label9"), QStringLiteral("-")};
    ComboBox Combo5{QStringLiteral("Combo5")};
    Label LabelPass{QStringLiteral("LabelPass"), QStringLiteral("Pass")};
    TextBox Text5{QStringLiteral("Text5"), QString(), 5};

    Frame Frame5{QStringLiteral("Frame5"), QStringLiteral("Setup")};
    Label LabelBacklight{QStringLiteral("LabelBacklight"), QStringLiteral("Backlight")};
    ComboBox Combo16{QStringLiteral("Combo16")};
    Label LabelUnit{QStringLiteral("LabelUnit"), QStringLiteral("Unit")};
    ComboBox Combo4{QStringLiteral("Combo4")};

    Label Label6{QStringLiteral("Label6"), QStringLiteral("Posi+Comment")};
    TextBox Text8{QStringLiteral("Text8"), QString(), 61};
    Label Label11{QStringLiteral("Label11"), QStringLiteral("Status")};
    TextBox Text7{QStringLiteral("Text7"), QString(), 40};

    Frame Frame4{QStringLiteral("Frame4"), QStringLiteral("RF RADIO")};
    Label LabelFreq{QStringLiteral("LabelFreq"), QStringLiteral("Tx/Rx")};
    TextBox Text31{QStringLiteral("Text31"), QString(), 8};
    Label LabelMHz{QStringLiteral("LabelMHz"), QStringLiteral("MHz")};
    Label Label21{QStringLiteral("Label21"), QStringLiteral("CTCSS")};
    TextBox Text32{QStringLiteral("Text32"), QString(), 3};
    CheckBox Check1{QStringLiteral("Check1"), QStringLiteral("DIGI")};
    Label LabelPath{QStringLiteral("LabelPath"), QStringLiteral("Path")};
    ComboBox Combo7{QStringLiteral("Combo7")};
    Label LabelTxVol{QStringLiteral("LabelTxVol"), QStringLiteral("TX vol")};
    ComboBox Combo6{QStringLiteral("Combo6")};
    Label LabelAlias{QStringLiteral("LabelAlias"), QStringLiteral("Alias")};
    ComboBox Combo8{QStringLiteral("Combo8")};

    Label LabelServer{QStringLiteral("LabelServer"), QStringLiteral("Server")};
    ComboBox Combo3{QStringLiteral("Combo3")};
    Label LabelTxTime{QStringLiteral("LabelTxTime"), QStringLiteral("Tx time")};
    TextBox Text10{QStringLiteral("Text10"), QString(), 5};
    Label LabelFilter{QStringLiteral("LabelFilter"), QStringLiteral("Filter")};
    TextBox Text11{QStringLiteral("Text11"), QString(), 16};

    Frame Frame6{QStringLiteral("Frame6"), QStringLiteral("WIFI user/password")};
    Label LabelSsid{QStringLiteral("LabelSsid"), QStringLiteral("ssid")};
    TextBox Text34{QStringLiteral("Text34"), QString(), 20};
    Label LabelWifiPass{QStringLiteral("LabelWifiPass"), QStringLiteral("pass")};
    TextBox Text33{QStringLiteral("Text33"), QString(), 20};
    CommandButton Command8{QStringLiteral("Command8"), QStringLiteral("Apply")};

    Frame Frame2{QStringLiteral("Frame2"), QString()};
    Label Label5{QStringLiteral("Label5"), QStringLiteral("DHCP")};
    ComboBox Combo2{QStringLiteral("Combo2")};
    Label LabelIp{QStringLiteral("LabelIp"), QStringLiteral("IP")};
    Label LabelMask{QStringLiteral("LabelMask"), QStringLiteral("Mask")};
    Label LabelGate{QStringLiteral("LabelGate"), QStringLiteral("Gate")};
    Label LabelDns{QStringLiteral("LabelDns"), QStringLiteral("DNS")};
    TextBox Text13{QStringLiteral("Text13"), QString()};
    TextBox Text14{QStringLiteral("Text14"), QString()};
    TextBox Text15{QStringLiteral("Text15"), QString()};
    TextBox Text16{QStringLiteral("Text16"), QString()};
    TextBox Text17{QStringLiteral("Text17"), QString()};
    TextBox Text18{QStringLiteral("Text18"), QString()};
    TextBox Text19{QStringLiteral("Text19"), QString()};
    TextBox Text20{QStringLiteral("Text20"), QString()};
    TextBox Text21{QStringLiteral("Text21"), QString()};
    TextBox Text22{QStringLiteral("Text22"), QString()};
    TextBox Text23{QStringLiteral("Text23"), QString()};
    TextBox Text24{QStringLiteral("Text24"), QString()};
    TextBox Text25{QStringLiteral("Text25"), QString()};
    TextBox Text26{QStringLiteral("Text26"), QString()};
    TextBox Text27{QStringLiteral("Text27"), QString()};
    TextBox Text28{QStringLiteral("Text28"), QString()};

    TextBox Text29{QStringLiteral("Text29"), QString(), 0, true}; // the status log

    Frame Frame3{QStringLiteral("Frame3"), QStringLiteral("Vers")};
    TextBox Text12{QStringLiteral("Text12"), QStringLiteral("Config 20161208")};
    TextBox Text6{QStringLiteral("Text6"), QStringLiteral("KS936 ")};

    ComboBox Combo1{QStringLiteral("Combo1")};

    CommandButton Command6{QStringLiteral("Command6"), QStringLiteral("Read data")};
    CommandButton Command4{QStringLiteral("Command4"), QStringLiteral("Load file")};
    CommandButton Command1{QStringLiteral("Command1"), QStringLiteral("Open ROM")};
    CommandButton Command0{QStringLiteral("Command0"), QStringLiteral("Default")};
    CommandButton Command7{QStringLiteral("Command7"), QStringLiteral("Write data")};
    CommandButton Command5{QStringLiteral("Command5"), QStringLiteral("Save file")};
    CommandButton Command2{QStringLiteral("Command2"), QStringLiteral("update")};

    ProgressBar ProgressBar1{QStringLiteral("ProgressBar1")};
    TextBox Text3{QStringLiteral("Text3"), QStringLiteral("0/10")};
    Label Label22{QStringLiteral("Label22"),
                  QStringLiteral("If change setup then please restart ")};
    CommandButton Command9{QStringLiteral("Command9"), QStringLiteral("restart")};

    // Outside the visible area: they exist and are written to.
    TextBox Text1{QStringLiteral("Text1"), QStringLiteral("Text1")}; // receive hex record
    TextBox Text30{QStringLiteral("Text30"), QStringLiteral("Text30"), 0, true};
    TextBox Text2{QStringLiteral("Text2"), QStringLiteral("Text2")};
    TextBox Text9{QStringLiteral("Text9"), QString(), 30};
    CommandButton Command3{QStringLiteral("Command3"), QStringLiteral("打开串口")};
    Label Label2{QStringLiteral("Label2"),
                 QStringLiteral("Software only update data，for help with an update please "
                                "contact your dealer.")};

    // The sixteen address boxes, four octets each of address, mask, gateway, name server.
    TextBox *const addressBoxes[16] = {&Text13, &Text14, &Text15, &Text16, &Text17, &Text18,
                                       &Text19, &Text20, &Text21, &Text22, &Text23, &Text24,
                                       &Text25, &Text26, &Text27, &Text28};

    // ---- components without a window --------------------------------------------
    MSComm MSComm1;
    CommonDialog CommonDialog1;
    TimerControl Timer1;
    TimerControl Timer2;

    // ---- form-level state ---------------------------------------------------------
    QString sRxLine;
    // A device or setup-file line is never longer than about a hundred characters;
    // sRxLine keeps at most this many, so that a line without end costs no more per byte
    // than an ordinary one (the rest of such a line is dropped).
    static constexpr int maxLineLength = 1024;
    std::uint8_t bConnectOk = 0;
    std::uint8_t bReadEnd = 0;
    std::uint8_t bFreqSaved = 0;
    std::uint8_t bWifiOk = 0;
    std::uint8_t bEeramReset = 0;
    // firmware image and transfer
    std::int32_t lRomLen = 0;
    QByteArray abRomFile;
    QByteArray abRomImage;
    std::int32_t lBlockNo = 0;
    QByteArray abBlock = QByteArray(2049, '\0');
    std::uint8_t bLoaderReady = 0;
    std::int32_t lTryCount = 0;
    // -- firmware update: members added for the update live here --
    std::int64_t lLastLoaderReplyMs = 0; // when the loader last answered during a transfer
    std::uint8_t bUpdateStarting = 0;    // "update" is resetting the device into its loader
    std::uint8_t bTransferStarted = 0;   // the header went out in answer to an update's probe
    // A read, write, WiFi or restart press opened the port: the device speaks text, and a
    // loader reply can only be a stale byte. Cleared whenever the port opens again.
    std::uint8_t bTextOperation = 0;
    // From the press of "update" until its transfer ends, fails or its loader wait gives up:
    // neither the image nor the port may change hands meanwhile.
    bool updateUnderWay() const;
    // From the header on: blocks are going out, and the device holds part of an image.
    bool transferUnderWay() const { return bTransferStarted == 1 || lBlockNo > 0; }
    // While an update is under way, says so and why the press changes nothing, and returns
    // true; the caller then ends at once.
    bool updateRefuses(const QString &why);
    // Opens the port for a read, write, WiFi or restart press.
    void openPortForText();
    // What a press that would use the port during an update is told.
    static const QString portHeldByUpdate;

    // -- setup files: members added for saving and loading live here --

    // ---- handlers -----------------------------------------------------------------
    void Form_Load();
    void Combo1_Click();
    // The port list is about to open: look for the ports again, as start-up does.
    void Combo1_DropDown();
    void Combo2_Click();
    void Command0_Click();
    void Command1_Click();
    void Command2_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void MSComm1_OnComm();
    // The device went away while the port was open (the port has closed itself).
    void MSComm1_LineLost(const QString &reason);
    void Text5_Change();
    void Text10_Change();
    void Text31_Change();
    int Text4_KeyPress(int KeyAscii);
    int Text5_KeyPress(int KeyAscii);
    int Text10_KeyPress(int KeyAscii);
    int Text31_KeyPress(int KeyAscii);
    void Timer1_Timer();
    void Timer2_Timer();

    // ---- the window's procedures ----------------------------------------------------
    void Delay(std::int32_t ms);
    void peizhi();
    QString ReadINI(const QString &Section, const QString &KeyName, const QString &Filename);
    std::int16_t WriteINI(const QString &sSection, const QString &sKeyName,
                          const QString &sNewString, const QString &sFileName);
    void WriteCommSet(const QString &PortNo, const QString &BaudRate, const QString &StopBits,
                      const QString &Parity, const QString &Databits, const QString &FlowControl,
                      const QString &InBuff, const QString &OutBuff);

    // The port-settings file PortSet.ini.
    QString portSettingsFile() const { return m_settingsFile; }
    // Lists the ports COM1 to COM16 that open, each with a tooltip naming its device,
    // after one look at the system's serial devices. Leaves the port number at the last
    // one tried.
    void probePorts();
    // The details for a failure message: why a port did not open and what to do about
    // it, or nothing when the failure was not a port that would not open.
    QString failureDetails(const std::exception &error) const;
    // The port name check of the read, write and WiFi operations: a name that does not
    // begin with "COM" is shown as "COM1" (the open port stays as it is).
    void checkPortName();
    // "COM5 (/dev/ttyUSB0)": the port selected and the device last opened for it.
    QString portDescription() const;
    // The status log's line for a device that went away.
    QString lineLossNote(const QString &reason) const;

    EventLoop &loop() const { return m_loop; }
    UserDialogs &dialogs() const { return m_dialogs; }
    QString programFolder() const { return m_programFolder; }

signals:
    // The dispatcher is examining this line (the receive path calls it after every byte).
    void lineDispatched(const QString &line);
    // A firmware update has ended: with its last block handed to the port (true), or
    // failed to start, given up waiting for the loader, or stalled (false).
    void updateFinished(bool completed);

private:
    // A running update meets the loss of its line.
    void firmwareLineLost();
    // WriteINI's work: false, with a line in the status log, when the file was not written.
    bool writeIniKey(const QString &section, const QString &key, const QString &value,
                     const QString &fileName);

    EventLoop &m_loop;
    UserDialogs &m_dialogs;
    QString m_programFolder;
    QString m_settingsFile;
    PortMap m_portMap;
    QString m_fixedPort;
    bool m_unloading = false;
    int m_handlersRunning = 0; // dispatched handlers under way, nested ones included
};
