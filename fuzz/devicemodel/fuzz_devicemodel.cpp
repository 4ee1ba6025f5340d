// ks936-sim's command and loader parser: DeviceModel::receive on the virtual clock, fed
// a script of raw bytes, waits, known commands, loader probes, headers and block frames.
//
// Input: [options][fault value][boot][window] op...
//   options bit 0: bytes travel at the line rate; bit 1: a stray byte before each loader
//           reply; bits 2-3: no fault, one command ignored, one command heard from its
//           n-th try, one block refused once; bit 4: the loader stalls after n blocks;
//           bit 5: the line drops after n*16 bytes; bit 6: after n block frames;
//           bit 7: after n command lines
//   boot    the boot time in 4 ms steps;  window  the loader window in 40 ms steps
//   op      see the switch in LLVMFuzzerTestOneInput

#include "fuzzform.h"
#include "virtualeventloop.h"

#include "devicemodel.h"

#include <QHash>

#include <cstdio>

#include <sanitizer/allocator_interface.h>

using fuzzcheck::shown;

namespace {

constexpr int kBlockSize = 2048;
// What the second half of a long stream may add to the model's memory.
constexpr std::size_t kMemoryBound = 128 * 1024;

struct Field
{
    const char *command; // the settings command that stores it
    QByteArray DeviceSettings::*member;
};

const Field kFields[] = {
    {"AT+CALL", &DeviceSettings::callsign},     {"AT+CALL", &DeviceSettings::ssid},
    {"AT+PASS", &DeviceSettings::passcode},     {"AT+DHCP", &DeviceSettings::dhcp},
    {"AT+IP", &DeviceSettings::address},        {"AT+SUB", &DeviceSettings::mask},
    {"AT+GW", &DeviceSettings::gateway},        {"AT+DNS", &DeviceSettings::nameServer},
    {"AT+POSI", &DeviceSettings::position},     {"AT+COMMENT", &DeviceSettings::comment},
    {"AT+SERVER", &DeviceSettings::server},     {"AT+TIME", &DeviceSettings::txTime},
    {"AT+FILTER", &DeviceSettings::filter},     {nullptr, &DeviceSettings::version},
    {"AT+FREQ", &DeviceSettings::frequency},    {"AT+BACKLIGHT", &DeviceSettings::backlight},
    {"AT+UNIT", &DeviceSettings::unit},         {"AT+DIGI", &DeviceSettings::digi},
    {"AT+MOD", &DeviceSettings::txLevel},       {"AT+PATH", &DeviceSettings::path},
    {"AT+ALIAS", &DeviceSettings::alias},       {"AT+WIFI", &DeviceSettings::wifiName},
    {"AT+WIFI", &DeviceSettings::wifiPassword},
};

// Commands and loader frames counted by the model.
const QList<QByteArray> kCounted = {
    "SETUP",     "AT+READ", "AT+RESET",  "REBOOT",  "AT+WIFI",      "AT+CALL", "AT+PASS",
    "AT+DHCP",   "AT+IP",   "AT+SUB",    "AT+GW",   "AT+DNS",       "AT+POSI", "AT+COMMENT",
    "AT+SERVER", "AT+TIME", "AT+FILTER", "AT+FREQ", "AT+BACKLIGHT", "AT+UNIT", "AT+DIGI",
    "AT+MOD",    "AT+PATH", "AT+ALIAS",  "probe",   "header",       "block"};

// The command lines a script can name by number.
const QByteArray kCommands[] = {
    "SETUP#",          "AT+READ#",          "AT+RESET#",         "REBOOT#",
    "AT+WIFI,net,pw#", "AT+FREQ,144.8000#", "AT+CALL,AB1CD -9#", "AT+PASS,12345#",
    "AT+IP,1,2,3,4#",  "AT+COMMENT,a,b#c#", "AT+BACKLIGHT,00#",  "AT+UNKNOWN,1#",
};
const char *const kLineEnds[] = {"\r\n", "\r", "\n", ""};

const QByteArray kProbe = QByteArray::fromHex("5F0000F5");

// Watches everything the device does and checks it against what it was sent.
class DeviceObserver
{
public:
    DeviceObserver(EventLoop &loop, DeviceModel &model, const DeviceOptions &options)
        : m_loop(loop), m_model(model), m_options(options), m_settings(model.settings())
    {
        takeCounts();
        QObject::connect(&model, &DeviceModel::transmit, &model,
                         [this](const QByteArray &bytes) { transmitted(bytes); });
        QObject::connect(&model, &DeviceModel::settingsChanged, &model,
                         [this] { settingsChanged(); });
        QObject::connect(&model, &DeviceModel::imageReceived, &model,
                         [this](const QByteArray &image) { imageReceived(image); });
        QObject::connect(&model, &DeviceModel::hangUp, &model, [this] { m_hungUp = true; });
    }

    // After bytes have reached the device: notes when it leaves the loader.
    void received()
    {
        const bool inLoader = m_model.mode() == DeviceModel::Mode::Loader;
        if (m_wasInLoader && !inLoader)
            m_leftLoaderMs = m_loop.nowMs();
        m_wasInLoader = inLoader;
    }

    // After every step of the script.
    void checkStep()
    {
        FUZZ_CHECK(m_model.settings() == m_settings,
                   QStringLiteral("the stored settings changed without settingsChanged"));
        FUZZ_CHECK(!m_hungUp || m_model.mode() == DeviceModel::Mode::HungUp,
                   QStringLiteral("the line came back after a hang-up"));
        takeCounts();
    }

private:
    int count(const QByteArray &name) const { return m_model.commandCount(name); }

    void takeCounts()
    {
        for (const QByteArray &name : kCounted)
            m_counts[name] = count(name);
    }

    // Only the fields of the commands heard since the last look may change.
    void settingsChanged()
    {
        const DeviceSettings now = m_model.settings();
        const bool reset = count("AT+RESET") > m_counts.value("AT+RESET");
        for (const Field &field : kFields) {
            if (now.*field.member == m_settings.*field.member)
                continue;
            const bool byCommand =
                field.command && count(field.command) > m_counts.value(field.command);
            FUZZ_CHECK(byCommand || (reset && field.command),
                       QStringLiteral("a stored value changed from %1 to %2 by no command that "
                                      "sets it (%3)")
                           .arg(shown(m_settings.*field.member), shown(now.*field.member),
                                QString::fromLatin1(field.command ? field.command : "version")));
        }
        m_settings = now;
        takeCounts();
    }

    void imageReceived(const QByteArray &image)
    {
        FUZZ_CHECK(image.size() <= 256 * kBlockSize,
                   QStringLiteral("an image of %1 bytes").arg(image.size()));
        FUZZ_CHECK(m_model.blocksAccepted() == image.size() / kBlockSize + 1,
                   QStringLiteral("an image of %1 bytes from %2 blocks")
                       .arg(image.size())
                       .arg(m_model.blocksAccepted()));
    }

    void transmitted(const QByteArray &bytes)
    {
        FUZZ_CHECK(!m_hungUp, QStringLiteral("%1 sent after the hang-up").arg(shown(bytes)));
        FUZZ_CHECK(totalHeard() > 0,
                   QStringLiteral("%1 sent before anything was heard").arg(shown(bytes)));
        if (m_options.pacing)
            return; // the line cuts answers at millisecond steps: only the start holds

        // Unpaced, every answer comes out whole, one for each command or frame heard.
        ++m_answers;
        FUZZ_CHECK(m_answers <= totalHeard(),
                   QStringLiteral("answer %1 (%2) to %3 commands and frames heard")
                       .arg(m_answers)
                       .arg(shown(bytes))
                       .arg(totalHeard()));
        const QByteArray stray = m_options.faults.strayByte ? QByteArray(1, '\0') : QByteArray();
        if (bytes.size() == stray.size() + 1 && bytes.startsWith(stray)) {
            loaderReply(bytes.back());
            return;
        }
        FUZZ_CHECK(
            bytes.endsWith("\r\n"),
            QStringLiteral("an answer that is no loader reply and no line: %1").arg(shown(bytes)));
        const QList<QByteArray> lines = bytes.chopped(2).split('\n');
        const QByteArray first =
            lines.first().endsWith('\r') ? lines.first().chopped(1) : lines.first();
        QByteArray command;
        if (first == "CONNECT")
            command = "SETUP";
        else if (first == "eeram reset")
            command = "AT+RESET";
        else if (first == "WIFI Write success")
            command = "AT+WIFI";
        else if (first == "freq save")
            command = "AT+FREQ";
        else if (first.startsWith("CALLSIGN:") && bytes.endsWith("\r\nREAD END\r\n"))
            command = "AT+READ";
        FUZZ_CHECK(!command.isEmpty(),
                   QStringLiteral("an answer to nothing: %1").arg(shown(bytes)));
        const int answers = ++m_answersTo[command];
        FUZZ_CHECK(answers <= count(command), QStringLiteral("answer %1 %2 to %3 %4 commands")
                                                  .arg(answers)
                                                  .arg(shown(first))
                                                  .arg(count(command))
                                                  .arg(QString::fromLatin1(command)));
    }

    // A loader reply leaves in the loader, or as the last answer of a loader that has
    // just left (the reply to the last block comes after the block is written).
    void loaderReply(char code)
    {
        received();
        const bool inLoader = m_model.mode() == DeviceModel::Mode::Loader;
        const int latest = std::max(m_options.replyDelayMs, m_options.flashTimeMs);
        FUZZ_CHECK(inLoader || (m_leftLoaderMs >= 0 && m_loop.nowMs() - m_leftLoaderMs <= latest),
                   QStringLiteral("loader reply 0x%1 in mode %2 at %3 ms, the loader left at %4 ms")
                       .arg(uchar(code), 2, 16, QLatin1Char('0'))
                       .arg(int(m_model.mode()))
                       .arg(m_loop.nowMs())
                       .arg(m_leftLoaderMs));
        if (code == char(0xE5)) {
            FUZZ_CHECK(
                ++m_ready <= count("probe"),
                QStringLiteral("ready reply %1 to %2 probes").arg(m_ready).arg(count("probe")));
        } else {
            FUZZ_CHECK(
                code == char(0xC5) || code == char(0x55),
                QStringLiteral("loader reply 0x%1").arg(uchar(code), 2, 16, QLatin1Char('0')));
            FUZZ_CHECK(++m_blockReplies <= count("header") + count("block"),
                       QStringLiteral("block reply %1 to %2 headers and %3 frames")
                           .arg(m_blockReplies)
                           .arg(count("header"))
                           .arg(count("block")));
        }
    }

    int totalHeard() const
    {
        int total = 0;
        for (const QByteArray &name : kCounted)
            total += count(name);
        return total;
    }

    EventLoop &m_loop;
    DeviceModel &m_model;
    const DeviceOptions &m_options;
    DeviceSettings m_settings;
    QHash<QByteArray, int> m_counts;
    QHash<QByteArray, int> m_answersTo;
    int m_answers = 0;
    int m_ready = 0;
    int m_blockReplies = 0;
    std::int64_t m_leftLoaderMs = -1;
    bool m_wasInLoader = false;
    bool m_hungUp = false;
};

QByteArray frame(std::uint8_t fill, bool goodSum)
{
    QByteArray block(kBlockSize, '\0');
    for (int i = 0; i < kBlockSize; ++i)
        block[i] = char(fill + i * (fill | 1));
    char sum = 0;
    for (const char c : block)
        sum ^= c;
    return block + char(goodSum ? sum : ~sum);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzcheck::InputReader input(data, size);
    const std::uint8_t flags = input.byte();
    const std::uint8_t faultValue = input.byte();
    DeviceOptions options;
    options.pacing = (flags & 1) != 0;
    options.bootTimeMs = 4 * input.byte();
    options.loaderWindowMs = 100 + 40 * input.byte();
    DeviceFaults &faults = options.faults;
    faults.strayByte = (flags & 2) != 0;
    switch ((flags >> 2) & 3) {
    case 1:
        faults.ignored = {faultValue % 2 ? QByteArray("probe") : kCommands[faultValue % 12]};
        break;
    case 2:
        faults.answerFrom.insert(faultValue % 2 ? QByteArray("header") : kCommands[faultValue % 12],
                                 1 + faultValue % 4);
        break;
    case 3:
        faults.refuseBlock = 1 + faultValue % 4;
        break;
    }
    if (flags & 0x10)
        faults.stallAfterBlocks = faultValue % 4;
    if (flags & 0x20)
        faults.hangUpAfterBytes = 16 * (1 + faultValue);
    if (flags & 0x40)
        faults.hangUpAfterBlocks = 1 + faultValue % 4;
    if (flags & 0x80)
        faults.hangUpAfterLines = 1 + faultValue % 8;

    VirtualEventLoop loop;
    DeviceModel model(loop, options);
    DeviceObserver observer(loop, model, options);
    // KS936_FUZZ_TRACE=1 prints the device's traffic log, to follow an input by hand.
    static const bool trace = qEnvironmentVariableIsSet("KS936_FUZZ_TRACE");
    if (trace) {
        QObject::connect(&model, &DeviceModel::logged, &model, [](qint64 ms, const QString &entry) {
            std::fprintf(stderr, "%8lld %s\n", ms, entry.toLocal8Bit().constData());
        });
    }
    auto send = [&](const QByteArray &bytes) {
        model.receive(bytes);
        observer.received();
        loop.advanceBy(0);
    };

    while (!input.atEnd()) {
        const std::uint8_t op = input.byte();
        switch (op & 7) {
        case 0: // raw bytes
        case 7:
            send(input.bytes(input.byte()));
            break;
        case 1: // a wait, in milliseconds or in 50 ms steps
            loop.advanceBy(input.byte() * ((op & 8) ? 50 : 1));
            break;
        case 2: // a known command with one of the line ends
            send(kCommands[input.byte() % std::size(kCommands)] + kLineEnds[(op >> 3) & 3]);
            break;
        case 3:
            send(kProbe);
            break;
        case 4: { // an image header
            const std::uint8_t rest = input.byte();
            const char header[] = {char(0x5E), char(rest >> 5), char(rest << 3),
                                   char(input.byte() % 4), char(0xE5)};
            send(QByteArray(header, sizeof header));
            break;
        }
        case 5: { // a block frame, in two pieces
            const QByteArray bytes = frame(input.byte(), (op & 8) == 0);
            const int cut = input.byte() * 8;
            send(bytes.left(cut));
            send(bytes.mid(cut));
            break;
        }
        case 6: { // an endless stream: a piece repeated with a counter in it
            if (options.pacing)
                break; // a paced line would take hours of virtual time for it
            const QByteArray piece = input.bytes(1 + input.byte() % 32);
            const int repeats = 2 + 32 * input.byte();
            // Whatever the stream holds, the second half of it adds nothing lasting: a
            // transfer it starts or a line it fills is already as large as it gets.
            std::size_t heapHalfway = 0;
            for (int i = 0; i < repeats; ++i) {
                if (i == repeats / 2)
                    heapHalfway = __sanitizer_get_current_allocated_bytes();
                // About the time the piece takes on the line, so answers can leave.
                model.receive(QByteArray::number(i) + piece);
                observer.received();
                loop.advanceBy(1);
            }
            const std::size_t heapAfter = __sanitizer_get_current_allocated_bytes();
            FUZZ_CHECK(heapAfter <= heapHalfway + kMemoryBound,
                       QStringLiteral("the second half of a stream of %1 pieces %2 grew the "
                                      "heap by %3 bytes")
                           .arg(repeats)
                           .arg(shown(piece))
                           .arg(qint64(heapAfter - heapHalfway)));
            break;
        }
        }
        observer.checkStep();
    }
    // Every answer still on its way goes out.
    loop.advanceBy(60000);
    observer.checkStep();
    return 0;
}
