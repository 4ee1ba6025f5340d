#pragma once

#include "deviceoptions.h"
#include "linepacer.h"
#include "platform/eventloop.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QVector>
#include <QRandomGenerator>
#include <QStringList>

#include <memory>

// The device at the far end of the serial line, independent of how bytes reach it.
// In text mode it takes command lines (ended by CR and/or LF) and answers with lines
// ended by CR LF; after "REBOOT#" it boots, then its loader takes a firmware image in
// 2048-byte blocks, each followed by the XOR of its bytes. Every delay runs through the
// EventLoop, so the same logic serves a pseudo-terminal in real time and the tests on
// the virtual clock.
class DeviceModel : public QObject
{
    Q_OBJECT
public:
    enum class Mode
    {
        Text,    // takes command lines
        Booting, // deaf after "REBOOT#"
        Loader,  // takes probe, header and block frames
        HungUp   // the line has dropped for good
    };
    Q_ENUM(Mode)

    DeviceModel(EventLoop &loop, DeviceOptions options, QObject *parent = nullptr);
    ~DeviceModel() override;

    // Bytes from the host, as they entered the line.
    void receive(const QByteArray &fromHost);

    Mode mode() const { return m_mode; }
    const DeviceSettings &settings() const { return m_settings; }
    // How often a command (named as in DeviceFaults: "SETUP", "AT+FREQ") or a loader
    // frame ("probe", "header", "block") has been received, heard or not. Only the
    // device's own commands and those a fault names are counted; any other line counts
    // as 0, so that a host sending endless distinct lines cannot grow the counts.
    int commandCount(const QByteArray &command) const;
    // The image of the last complete transfer, cut to the length its header gave.
    const QByteArray &receivedImage() const { return m_image; }
    // Blocks stored so far in the running (or last) transfer.
    int blocksAccepted() const { return m_blocksAccepted; }

    // "SETUP#" -> "SETUP", "AT+IP,1,2,3,4#" -> "AT+IP", "AT+FREQ," -> "AT+FREQ".
    static QByteArray commandName(const QByteArray &text);

signals:
    // Bytes for the host, at the moment they have crossed the line.
    void transmit(const QByteArray &toHost);
    // The line has dropped (hang-up fault); nothing is sent or heard after this.
    void hangUp();
    // One event of the traffic log: text lines as text, loader bytes as hex.
    void logged(qint64 timeMs, const QString &entry);
    void settingsChanged();
    // The last block of a transfer has arrived; the image has the header's length.
    void imageReceived(const QByteArray &image);

private:
    enum class LoaderPhase
    {
        AwaitProbe,
        AwaitHeader,
        Receiving,
        Stalled
    };

    void process(const QByteArray &bytes);
    void processText(const QByteArray &bytes);
    void handleLine(const QByteArray &line);
    void processLoader(const QByteArray &bytes);
    void scanForProbeOrHeader();
    bool takeFrameByte(char byte);
    void checkFrameAfterGap(qint64 byteCountThen);
    void completeFrame();
    void startTransfer(const QByteArray &header);
    void reboot();
    void enterLoader();
    void leaveLoader(const QString &why);
    void startFirmware();
    void extendLoaderWindow();
    void checkLoaderWindow(int epoch);
    void dropLine(const QString &why);

    bool heard(const QByteArray &name);
    bool isCounted(const QByteArray &name) const;
    void answerLines(const QList<QByteArray> &lines);
    void answerLoader(char code, int delayMs);
    void askForNextBlock(int delayMs);
    void askForBlockAgain(int delayMs);
    // Answers leave after the delay; their log entries are written as they leave.
    void send(const QByteArray &bytes, int delayMs, const QStringList &entries);
    void sendGarbage(int length);
    void later(int delayMs, std::function<void()> event);
    void log(const QString &entry);

    EventLoop &m_loop;
    DeviceOptions m_options;
    DeviceSettings m_settings;
    Mode m_mode = Mode::Text;
    int m_epoch = 0; // changes with every mode change, so stale timeouts see they are stale
    LinePacer m_fromHost;
    LinePacer m_toHost;
    QRandomGenerator m_random;
    std::unique_ptr<LoopTimer> m_garbageTimer;
    bool m_burstSent = false;

    qint64 m_bytesReceived = 0;
    QHash<QByteArray, int> m_counts;
    QByteArray m_line;

    LoaderPhase m_phase = LoaderPhase::AwaitProbe;
    std::int64_t m_loaderDeadlineMs = 0;
    QByteArray m_scan;  // loader bytes not yet matched to a probe or header
    QByteArray m_frame; // the block frame being received
    int m_blockCount = 0;
    int m_trueLength = 0;
    int m_blocksAccepted = 0;
    int m_framesReceived = 0;
    int m_linesReceived = 0;
    bool m_refusedOnce = false;
    // The host's block counter as the loader's replies move it: 0xC5 makes the host send
    // the block at its counter and advance, 0x55 send the block at its counter and stay.
    int m_hostCounter = 0;
    int m_frameIndex = 0;  // the block the next frame carries
    QByteArray m_incoming; // blocks of the running transfer, 0xFF where none arrived yet
    QVector<bool> m_stored;
    QByteArray m_image;
};
