#include "devicemodel.h"

#include <QPointer>

#include <algorithm>

namespace {

constexpr int kBlockSize = 2048;
constexpr int kFrameSize = kBlockSize + 1;
constexpr int kMaxLineLength = 4096;
// A frame that has stopped after the length of a probe or header, with the line quiet
// this long, was a probe or header and not the start of a block.
constexpr int kFrameGapMs = 50;

constexpr char kReady = char(0xE5);
constexpr char kNext = char(0xC5);
constexpr char kAgain = char(0x55);
constexpr char kProbeBytes[] = {0x5F, 0x00, 0x00, char(0xF5)};

QByteArray probe()
{
    return QByteArray::fromRawData(kProbeBytes, sizeof kProbeBytes);
}

bool isHeader(const QByteArray &bytes, int at)
{
    return at + 4 < bytes.size() && bytes[at] == char(0x5E) && bytes[at + 4] == kReady;
}

int findHeader(const QByteArray &bytes)
{
    for (int at = bytes.indexOf(char(0x5E)); at >= 0; at = bytes.indexOf(char(0x5E), at + 1)) {
        if (isHeader(bytes, at))
            return at;
    }
    return -1;
}

QString hex(const QByteArray &bytes)
{
    constexpr int kShown = 24;
    QString text = QString::fromLatin1(bytes.left(kShown).toHex(' ').toUpper());
    if (bytes.size() > kShown)
        text += QStringLiteral(" ... (%1 bytes)").arg(bytes.size());
    return text;
}

// A text line for the log: printable ASCII as it is, anything else as \xHH.
QString printable(const QByteArray &line)
{
    QString text;
    for (const char c : line) {
        const auto byte = uchar(c);
        if (byte >= 0x20 && byte < 0x7F)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return text;
}

char xorOf(const QByteArray &bytes)
{
    char sum = 0;
    for (const char c : bytes)
        sum ^= c;
    return sum;
}

} // namespace

DeviceModel::DeviceModel(EventLoop &loop, DeviceOptions options, QObject *parent)
    : QObject(parent), m_loop(loop), m_options(std::move(options)), m_settings(m_options.settings),
      m_fromHost(loop, m_options.baudRate, [this](const QByteArray &bytes) { process(bytes); }),
      m_toHost(loop, m_options.baudRate, [this](const QByteArray &bytes) { emit transmit(bytes); }),
      m_random(m_options.faults.garbageSeed)
{
    m_fromHost.setEnabled(m_options.pacing);
    m_toHost.setEnabled(m_options.pacing);

    // Fault names are compared in their short form, however the user wrote them.
    DeviceFaults &faults = m_options.faults;
    for (QByteArray &name : faults.ignored)
        name = commandName(name);
    QMap<QByteArray, int> answerFrom;
    for (auto it = faults.answerFrom.cbegin(); it != faults.answerFrom.cend(); ++it)
        answerFrom.insert(commandName(it.key()), it.value());
    faults.answerFrom = answerFrom;

    if (faults.garbageEveryMs > 0) {
        m_garbageTimer = loop.createTimer(faults.garbageEveryMs,
                                          [this] { sendGarbage(m_options.faults.garbageLength); });
        m_garbageTimer->setEnabled(true);
    }
}

DeviceModel::~DeviceModel() = default;

QByteArray DeviceModel::commandName(const QByteArray &text)
{
    const int comma = text.indexOf(',');
    QByteArray name = comma < 0 ? text : text.left(comma);
    while (name.endsWith('#'))
        name.chop(1);
    return name;
}

int DeviceModel::commandCount(const QByteArray &command) const
{
    return m_counts.value(commandName(command));
}

void DeviceModel::receive(const QByteArray &fromHost)
{
    if (m_mode != Mode::HungUp)
        m_fromHost.push(fromHost);
}

void DeviceModel::process(const QByteArray &bytes)
{
    if (m_mode == Mode::HungUp)
        return;
    QByteArray chunk = bytes;
    const qint64 limit = m_options.faults.hangUpAfterBytes;
    const bool drop = limit > 0 && m_bytesReceived + chunk.size() >= limit;
    if (drop)
        chunk.truncate(int(limit - m_bytesReceived));
    m_bytesReceived += chunk.size();

    switch (m_mode) {
    case Mode::Text:
        processText(chunk);
        break;
    case Mode::Booting:
        log(QStringLiteral("host> (booting, not heard) %1").arg(hex(chunk)));
        break;
    case Mode::Loader:
        processLoader(chunk);
        break;
    case Mode::HungUp:
        break;
    }
    if (drop)
        dropLine(QStringLiteral("after %1 bytes from the host").arg(limit));
}

void DeviceModel::processText(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (m_mode != Mode::Text) {
            // REBOOT# was the last line; what follows it falls into the boot.
            return;
        }
        if (c == '\r' || c == '\n') {
            const QByteArray line = m_line;
            m_line.clear();
            if (line.isEmpty())
                continue;
            handleLine(line);
            const int limit = m_options.faults.hangUpAfterLines;
            if (limit > 0 && ++m_linesReceived >= limit) {
                dropLine(QStringLiteral("after %1 lines from the host").arg(limit));
                return;
            }
        } else if (m_line.size() < kMaxLineLength) {
            m_line += c;
        }
    }
}

void DeviceModel::handleLine(const QByteArray &line)
{
    log(QStringLiteral("host> %1").arg(printable(line)));
    const QByteArray name = commandName(line);
    if (isCounted(name))
        ++m_counts[name];
    if (!heard(name)) {
        log(QStringLiteral("      (not heard: fault)"));
        return;
    }

    if (line == "SETUP#") {
        answerLines({"CONNECT"});
        return;
    }
    if (line == "AT+READ#") {
        answerLines(m_settings.readAnswer());
        return;
    }
    if (line == "AT+RESET#") {
        const QByteArray version = m_settings.version; // firmware does not change
        m_settings = DeviceSettings::factory();
        m_settings.version = version;
        emit settingsChanged();
        answerLines({"eeram reset"});
        return;
    }
    if (line == "REBOOT#") {
        reboot();
        return;
    }

    // "AT+X,value#": the value runs from the first "," to the final "#", and may itself
    // hold "," or "#".
    const int comma = line.indexOf(',');
    if (comma < 0 || !line.endsWith('#')) {
        log(QStringLiteral("      (unknown, not answered)"));
        return;
    }
    const QByteArray value = line.mid(comma + 1, line.size() - comma - 2);
    if (name == "AT+WIFI") {
        const int split = value.indexOf(',');
        m_settings.wifiName = split < 0 ? value : value.left(split);
        m_settings.wifiPassword = split < 0 ? QByteArray() : value.mid(split + 1);
        emit settingsChanged();
        answerLines({"WIFI Write success"});
        return;
    }
    if (!m_settings.apply(name, value)) {
        log(QStringLiteral("      (unknown, not answered)"));
        return;
    }
    emit settingsChanged();
    if (name == "AT+FREQ")
        answerLines({"freq save"});
}

void DeviceModel::reboot()
{
    log(QStringLiteral("      rebooting"));
    m_mode = Mode::Booting;
    const int epoch = ++m_epoch;
    m_line.clear();
    later(m_options.bootTimeMs, [this, epoch] {
        if (epoch == m_epoch)
            enterLoader();
    });
}

void DeviceModel::enterLoader()
{
    m_mode = Mode::Loader;
    const int epoch = ++m_epoch;
    m_phase = LoaderPhase::AwaitProbe;
    m_scan.clear();
    m_frame.clear();
    log(QStringLiteral("      loader listening"));
    m_loaderDeadlineMs = m_loop.nowMs() + m_options.loaderWindowMs;
    later(m_options.loaderWindowMs, [this, epoch] { checkLoaderWindow(epoch); });
}

void DeviceModel::extendLoaderWindow()
{
    m_loaderDeadlineMs = m_loop.nowMs() + m_options.loaderWindowMs;
}

void DeviceModel::checkLoaderWindow(int epoch)
{
    if (epoch != m_epoch || m_mode != Mode::Loader)
        return;
    const std::int64_t now = m_loop.nowMs();
    if (now < m_loaderDeadlineMs)
        later(int(m_loaderDeadlineMs - now), [this, epoch] { checkLoaderWindow(epoch); });
    else
        leaveLoader(QStringLiteral("loader window closed"));
}

void DeviceModel::leaveLoader(const QString &why)
{
    log(QStringLiteral("      %1, back to text mode").arg(why));
    m_mode = Mode::Text;
    ++m_epoch;
    m_line.clear();
}

// After a completed transfer the device starts the new firmware: deaf for the start
// time, then back to text commands with the settings it kept.
void DeviceModel::startFirmware()
{
    log(QStringLiteral("      transfer done, starting the firmware"));
    m_mode = Mode::Booting;
    const int epoch = ++m_epoch;
    m_line.clear();
    later(m_options.startTimeMs, [this, epoch] {
        if (epoch == m_epoch)
            leaveLoader(QStringLiteral("firmware started"));
    });
}

void DeviceModel::processLoader(const QByteArray &bytes)
{
    if (m_phase != LoaderPhase::Receiving)
        log(QStringLiteral("host> %1").arg(hex(bytes)));
    QByteArray pending = bytes;
    while (!pending.isEmpty() && m_mode == Mode::Loader) {
        switch (m_phase) {
        case LoaderPhase::Receiving: {
            const int take = std::min<int>(pending.size(), kFrameSize - m_frame.size());
            m_frame += pending.left(take);
            pending.remove(0, take);
            extendLoaderWindow();
            if (m_frame.size() == kFrameSize)
                completeFrame();
            break;
        }
        case LoaderPhase::Stalled:
            pending.clear();
            break;
        case LoaderPhase::AwaitProbe:
        case LoaderPhase::AwaitHeader:
            m_scan += pending;
            pending.clear();
            scanForProbeOrHeader();
            if (m_phase == LoaderPhase::Receiving) {
                pending = m_scan; // bytes after the header begin the first frame
                m_scan.clear();
            }
            break;
        }
    }
    if (!pending.isEmpty() && m_mode == Mode::Text)
        processText(pending);

    const bool shortFrame = (m_frame.size() == 4 && m_frame == probe()) ||
                            (m_frame.size() == 5 && isHeader(m_frame, 0));
    if (m_mode == Mode::Loader && m_phase == LoaderPhase::Receiving && shortFrame) {
        const qint64 mark = m_bytesReceived;
        later(kFrameGapMs, [this, mark] { checkFrameAfterGap(mark); });
    }
}

void DeviceModel::scanForProbeOrHeader()
{
    for (;;) {
        const int probeAt = m_scan.indexOf(probe());
        // A header counts only once a probe has been answered.
        const int headerAt = m_phase == LoaderPhase::AwaitHeader ? findHeader(m_scan) : -1;
        if (probeAt < 0 && headerAt < 0) {
            m_scan = m_scan.right(4); // a probe or header may be cut across reads
            return;
        }
        if (headerAt < 0 || (probeAt >= 0 && probeAt < headerAt)) {
            m_scan.remove(0, probeAt + int(sizeof kProbeBytes));
            ++m_counts["probe"];
            if (heard("probe")) {
                answerLoader(kReady, m_options.replyDelayMs);
                m_phase = LoaderPhase::AwaitHeader;
                extendLoaderWindow();
            } else {
                log(QStringLiteral("      (probe not heard: fault)"));
            }
            continue;
        }
        const QByteArray header = m_scan.mid(headerAt, 5);
        m_scan.remove(0, headerAt + 5);
        ++m_counts["header"];
        if (heard("header")) {
            startTransfer(header);
            return;
        }
        log(QStringLiteral("      (header not heard: fault)"));
    }
}

void DeviceModel::checkFrameAfterGap(qint64 byteCountThen)
{
    if (m_mode != Mode::Loader || m_phase != LoaderPhase::Receiving ||
        m_bytesReceived != byteCountThen)
        return;
    const QByteArray frame = m_frame;
    m_frame.clear();
    if (frame == probe()) {
        ++m_counts["probe"];
        log(QStringLiteral("      probe during a transfer: transfer dropped"));
        if (heard("probe")) {
            answerLoader(kReady, m_options.replyDelayMs);
            m_phase = LoaderPhase::AwaitHeader;
        } else {
            m_phase = LoaderPhase::AwaitProbe;
        }
        return;
    }
    ++m_counts["header"];
    log(QStringLiteral("      header during a transfer: transfer restarts"));
    if (heard("header"))
        startTransfer(frame);
}

void DeviceModel::startTransfer(const QByteArray &header)
{
    // The header gives the true length as N whole blocks plus H*256 + L bytes; N + 1
    // blocks follow, the last one padded.
    const int high = uchar(header[1]);
    const int low = uchar(header[2]);
    const int blocks = uchar(header[3]);
    m_trueLength = blocks * kBlockSize + high * 256 + low;
    m_blockCount = blocks + 1;
    m_blocksAccepted = 0;
    m_incoming = QByteArray(m_blockCount * kBlockSize, char(0xFF));
    m_stored = QVector<bool>(m_blockCount, false);
    m_hostCounter = 0;
    m_frame.clear();
    m_phase = LoaderPhase::Receiving;
    extendLoaderWindow();
    log(QStringLiteral("      transfer of %1 bytes in %2 blocks")
            .arg(m_trueLength)
            .arg(m_blockCount));
    askForNextBlock(m_options.replyDelayMs);
}

void DeviceModel::askForNextBlock(int delayMs)
{
    m_frameIndex = m_hostCounter++;
    answerLoader(kNext, delayMs);
}

void DeviceModel::askForBlockAgain(int delayMs)
{
    m_frameIndex = m_hostCounter;
    answerLoader(kAgain, delayMs);
}

void DeviceModel::completeFrame()
{
    const QByteArray frame = m_frame;
    m_frame.clear();
    ++m_framesReceived;
    ++m_counts["block"];
    const DeviceFaults &faults = m_options.faults;
    const int index = m_frameIndex;
    const int number = index + 1;
    if (faults.hangUpAfterBlocks > 0 && m_framesReceived >= faults.hangUpAfterBlocks) {
        dropLine(QStringLiteral("after %1 block frames").arg(m_framesReceived));
        return;
    }
    if (index >= m_blockCount) {
        log(QStringLiteral("host> a frame beyond the last block: ignored"));
        return;
    }

    const QByteArray block = frame.left(kBlockSize);
    const char sum = xorOf(block);
    const bool sumHolds = sum == frame[kBlockSize];
    log(QStringLiteral("host> block %1 of %2, checksum %3 (%4)")
            .arg(number)
            .arg(m_blockCount)
            .arg(uchar(frame[kBlockSize]), 2, 16, QLatin1Char('0'))
            .arg(
                sumHolds
                    ? QStringLiteral("holds")
                    : QStringLiteral("wrong, XOR is %1").arg(uchar(sum), 2, 16, QLatin1Char('0'))));
    if (!sumHolds) {
        // 0x55 brings back only the block at the host's counter. A block the host has
        // already counted past can never come again: rather than flash a wrong image,
        // the loader abandons the transfer and falls silent.
        if (index == m_hostCounter) {
            askForBlockAgain(m_options.replyDelayMs);
        } else {
            m_phase = LoaderPhase::Stalled;
            log(QStringLiteral("      block %1 spoilt and cannot come again: transfer abandoned")
                    .arg(number));
        }
        return;
    }

    m_incoming.replace(index * kBlockSize, kBlockSize, block);
    if (!m_stored[index]) {
        m_stored[index] = true;
        ++m_blocksAccepted;
    }
    if (faults.stallAfterBlocks >= 0 && m_blocksAccepted > faults.stallAfterBlocks) {
        m_phase = LoaderPhase::Stalled;
        log(QStringLiteral("      loader stalls (fault)"));
        return;
    }
    // The host closes the line right after the frame it sent on reaching its last block.
    if (index == m_blockCount - 1 && m_hostCounter == m_blockCount &&
        m_blocksAccepted == m_blockCount) {
        m_image = m_incoming.left(m_trueLength);
        m_incoming.clear();
        log(QStringLiteral("      image complete: %1 bytes").arg(m_image.size()));
        answerLoader(kNext, m_options.flashTimeMs);
        emit imageReceived(m_image);
        startFirmware();
        return;
    }
    if (faults.refuseBlock == number && !m_refusedOnce) {
        m_refusedOnce = true;
        log(QStringLiteral("      block %1 refused once (fault)").arg(number));
        askForBlockAgain(m_options.replyDelayMs);
        return;
    }
    askForNextBlock(m_options.flashTimeMs);
}

void DeviceModel::dropLine(const QString &why)
{
    log(QStringLiteral("      line dropped %1 (fault)").arg(why));
    m_mode = Mode::HungUp;
    ++m_epoch;
    m_fromHost.clear();
    m_toHost.clear();
    m_garbageTimer.reset();
    emit hangUp();
}

bool DeviceModel::isCounted(const QByteArray &name) const
{
    static const QByteArray textCommands[] = {"SETUP", "AT+READ", "AT+RESET", "REBOOT", "AT+WIFI"};
    const DeviceFaults &faults = m_options.faults;
    return std::find(std::begin(textCommands), std::end(textCommands), name) !=
               std::end(textCommands) ||
           DeviceSettings::isCommand(name) || faults.ignored.contains(name) ||
           faults.answerFrom.contains(name);
}

bool DeviceModel::heard(const QByteArray &name)
{
    const DeviceFaults &faults = m_options.faults;
    if (faults.ignored.contains(name))
        return false;
    const auto from = faults.answerFrom.constFind(name);
    return from == faults.answerFrom.cend() || m_counts.value(name) >= from.value();
}

void DeviceModel::answerLines(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    QStringList entries;
    for (const QByteArray &line : lines) {
        entries += QStringLiteral("dev > %1").arg(printable(line));
        bytes += line + "\r\n";
    }
    send(bytes, m_options.replyDelayMs, entries);
}

void DeviceModel::answerLoader(char code, int delayMs)
{
    QByteArray bytes(1, code);
    if (m_options.faults.strayByte)
        bytes.prepend('\0');
    send(bytes, delayMs, {QStringLiteral("dev > %1").arg(hex(bytes))});
}

void DeviceModel::send(const QByteArray &bytes, int delayMs, const QStringList &entries)
{
    later(delayMs, [this, bytes, entries] {
        if (m_mode == Mode::HungUp)
            return;
        if (!m_burstSent && m_options.faults.garbageBurst > 0) {
            m_burstSent = true;
            sendGarbage(m_options.faults.garbageBurst);
        }
        for (const QString &entry : entries)
            log(entry);
        m_toHost.push(bytes);
    });
}

void DeviceModel::sendGarbage(int length)
{
    if (m_mode == Mode::HungUp || length <= 0)
        return;
    QByteArray bytes(length, '\0');
    for (char &c : bytes)
        c = char(m_random.bounded(256));
    log(QStringLiteral("dev > garbage %1").arg(hex(bytes)));
    m_toHost.push(bytes);
}

void DeviceModel::later(int delayMs, std::function<void()> event)
{
    QPointer<DeviceModel> self(this);
    m_loop.post(
        [self, event = std::move(event)] {
            if (self)
                event();
        },
        std::max(0, delayMs));
}

void DeviceModel::log(const QString &entry)
{
    emit logged(m_loop.nowMs(), entry);
}
