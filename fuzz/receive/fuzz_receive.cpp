// The receive path on the headless window: a byte stream, cut at random into receive
// events, goes through MSComm1_OnComm and the line dispatcher. The status flags, the
// line buffer and the hex record start in states taken from the input.
//
// Input: [flags][line][chunking][repeats] [line pattern ...] payload
//   flags     bits 0-4: bConnectOk, bReadEnd, bFreqSaved, bWifiOk, bEeramReset;
//             bits 5-6: the hex record's first text; bit 7: events may take several chunks
//   line      the line buffer's starting length (0-63, or 1000-1127 around its bound)
//   chunking  seed and size class of the cuts
//   repeats   bits 0-2: the payload is received once, with 6 twice, with 7 eight times
//             (long streams reach the bounds of the line and of the hex record)
//   pattern   up to 16 bytes the starting line is made of

#include "fuzzform.h"

#include "app/settingsfields.h"

#include <QList>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>

using fuzzcheck::shown;

namespace {

// The line buffer keeps at most this many characters until the next CR.
constexpr int kLineLimit = 1024;
// The hex record keeps at most this many characters: only its start is ever read.
constexpr int kHexRecordLimit = 8192;
// The status log drops its oldest lines past this many characters.
constexpr int kLogLimit = 128 * 1024;

struct Flag
{
    const char *key;
    std::uint8_t Form1::*member;
};

const Flag kFlags[] = {
    {"CONNECT", &Form1::bConnectOk},      {"READ END", &Form1::bReadEnd},
    {"freq save", &Form1::bFreqSaved},    {"WIFI Write success", &Form1::bWifiOk},
    {"eeram reset", &Form1::bEeramReset},
};

// What a line beginning with a key may change, and for a plain value key, the value
// the field must show afterwards.
struct KeyRule
{
    QString key;
    QList<Control *> targets;
    std::function<QString()> shownValue;               // empty: no value check
    std::function<QString(const QString &)> lineValue; // the value the line carries
};

QString fromColumn(const QString &line, int column)
{
    return line.mid(column - 1);
}

QList<KeyRule> keyRules(Form1 &f)
{
    auto column = [](int c) { return [c](const QString &line) { return fromColumn(line, c); }; };
    auto trimmedColumn = [](int c) {
        return [c](const QString &line) { return SettingsFields::trimSpaces(fromColumn(line, c)); };
    };
    auto text = [](TextBox &box) { return [&box] { return box.text(); }; };
    auto comboText = [](ComboBox &combo) { return [&combo] { return combo.text(); }; };
    auto boxes = [&f](int first) {
        QList<Control *> list;
        for (int i = first; i < first + 4; ++i)
            list << f.addressBoxes[i];
        return list;
    };
    QList<Control *> allAddressBoxes;
    for (TextBox *box : f.addressBoxes)
        allAddressBoxes << box;

    return {
        {"eeram reset", {}, {}, {}},
        {"CONNECT", {&f.Text29}, {}, {}},
        {"READ END", {&f.Text29}, {}, {}},
        {"CALLSIGN", {&f.Text4, &f.Combo5}, {}, {}},
        {"PASS:", {&f.Text5}, text(f.Text5), trimmedColumn(6)},
        {"POSITION", {&f.Text8}, text(f.Text8), column(10)},
        {"DHCP:1", QList<Control *>{&f.Combo2} + allAddressBoxes, {}, {}},
        {"DHCP:0", {&f.Combo2}, {}, {}},
        {"COMMENT", {&f.Text7}, text(f.Text7), column(14)},
        {"SERVER", {&f.Combo3}, comboText(f.Combo3), column(8)},
        {"SENT TIME", {&f.Text10}, text(f.Text10), trimmedColumn(11)},
        {"FILTER", {&f.Text11}, text(f.Text11), column(8)},
        {"VER:", {&f.Text6}, text(f.Text6), column(5)},
        {"IP:", boxes(0), {}, {}},
        {"MASK:", boxes(4), {}, {}},
        {"GATE:", boxes(8), {}, {}},
        {"DNS:", boxes(12), {}, {}},
        {"FREQ:", {&f.Text31}, text(f.Text31), trimmedColumn(6)},
        {"BACKLIGHT:", {&f.Combo16}, {}, {}},
        {"UNIT:", {&f.Combo4}, {}, {}},
        {"DIGI:", {&f.Check1}, {}, {}},
        {"MOD:", {&f.Combo6}, comboText(f.Combo6), [](const QString &l) { return l.mid(4, 1); }},
        {"PATH:", {&f.Combo7}, {}, {}},
        {"ALIAS:", {&f.Combo8}, {}, {}},
        {"WIFI Write success", {}, {}, {}},
        {"freq save", {}, {}, {}},
    };
}

// Every control of the window except the hex record, which the receive path writes
// for every byte and which is checked on its own.
QList<Control *> watchedControls(Form1 &f)
{
    return {&f.Frame1,      &f.Label3,     &f.LabelCallsign, &f.Text4,      &f.Label9,
            &f.Combo5,      &f.LabelPass,  &f.Text5,         &f.Frame5,     &f.LabelBacklight,
            &f.Combo16,     &f.LabelUnit,  &f.Combo4,        &f.Label6,     &f.Text8,
            &f.Label11,     &f.Text7,      &f.Frame4,        &f.LabelFreq,  &f.Text31,
            &f.LabelMHz,    &f.Label21,    &f.Text32,        &f.Check1,     &f.LabelPath,
            &f.Combo7,      &f.LabelTxVol, &f.Combo6,        &f.LabelAlias, &f.Combo8,
            &f.LabelServer, &f.Combo3,     &f.LabelTxTime,   &f.Text10,     &f.LabelFilter,
            &f.Text11,      &f.Frame6,     &f.LabelSsid,     &f.Text34,     &f.LabelWifiPass,
            &f.Text33,      &f.Command8,   &f.Frame2,        &f.Label5,     &f.Combo2,
            &f.LabelIp,     &f.LabelMask,  &f.LabelGate,     &f.LabelDns,   &f.Text13,
            &f.Text14,      &f.Text15,     &f.Text16,        &f.Text17,     &f.Text18,
            &f.Text19,      &f.Text20,     &f.Text21,        &f.Text22,     &f.Text23,
            &f.Text24,      &f.Text25,     &f.Text26,        &f.Text27,     &f.Text28,
            &f.Text29,      &f.Frame3,     &f.Text12,        &f.Text6,      &f.Combo1,
            &f.Command6,    &f.Command4,   &f.Command1,      &f.Command0,   &f.Command7,
            &f.Command5,    &f.Command2,   &f.ProgressBar1,  &f.Text3,      &f.Label22,
            &f.Command9,    &f.Text30,     &f.Text2,         &f.Text9,      &f.Command3,
            &f.Label2};
}

// Follows the window through a run: every dispatched line is compared with the line
// the bytes so far must give, and what the previous line changed is checked against
// what its key allows.
class ReceiveObserver
{
public:
    explicit ReceiveObserver(Form1 &form) : m_form(form), m_rules(keyRules(form))
    {
        for (Control *control : watchedControls(form))
            QObject::connect(control, &Control::changed, &form,
                             [this, control] { m_changed.append(control); });
        QObject::connect(&form, &Form1::lineDispatched, &form,
                         [this](const QString &line) { dispatched(line); });
        m_expectedLine = form.sRxLine;
        m_expectedRecord = form.Text1.text();
        snapshot();
    }

    // The bytes of the next receive event(s), in order.
    void expect(const QByteArray &bytes)
    {
        if (bytes.isEmpty())
            return;
        // The first event trims the spaces the firmware update leaves around the record.
        if (!m_received)
            m_expectedRecord = SettingsFields::trimSpaces(m_expectedRecord);
        m_received = true;
        m_pending += bytes;
        m_expectedRecord += QString::fromLatin1(bytes.toHex().toUpper());
    }

    // After the loop has run: every byte was dispatched once, and the record and the
    // line are what the bytes give.
    void checkAfterEvents()
    {
        settle();
        FUZZ_CHECK(m_next == m_pending.size(),
                   QStringLiteral("%1 received bytes never reached the dispatcher: %2")
                       .arg(m_pending.size() - m_next)
                       .arg(shown(m_pending.mid(m_next))));
        m_pending.clear();
        m_next = 0;
        const QString line = m_form.sRxLine;
        FUZZ_CHECK(
            line == m_expectedLine,
            QStringLiteral("sRxLine %1, expected %2").arg(shown(line), shown(m_expectedLine)));
        checkRecord();
    }

private:
    void dispatched(const QString &line)
    {
        settle();
        FUZZ_CHECK(m_next < m_pending.size(),
                   QStringLiteral("the dispatcher ran with no byte left: %1").arg(shown(line)));
        const char byte = m_pending.at(m_next++);
        if (byte == '\r')
            m_expectedLine.clear();
        else if (byte != '\n' && m_expectedLine.size() < kLineLimit)
            m_expectedLine.append(QChar(static_cast<unsigned char>(byte)));

        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')),
                   QStringLiteral("the dispatched line holds CR or LF: %1").arg(shown(line)));
        FUZZ_CHECK(byte != '\r' || line.isEmpty(),
                   QStringLiteral("after a CR the line is %1").arg(shown(line)));
        FUZZ_CHECK(line.size() <= std::max(kLineLimit, int(m_longestStart)),
                   QStringLiteral("sRxLine grew to %1 characters").arg(line.size()));
        FUZZ_CHECK(line == m_expectedLine,
                   QStringLiteral("after byte 0x%1 the dispatched line is %2, expected %3")
                       .arg(uchar(byte), 2, 16, QLatin1Char('0'))
                       .arg(shown(line), shown(m_expectedLine)));
        m_line = line;
        m_hasLine = true;
        m_settled = false;
    }

    // Checks what the last dispatched line changed, then takes a new snapshot.
    void settle()
    {
        // The line's effects are due once: a second settle sees no line at work.
        const bool atWork = m_hasLine && !m_settled;
        const QString none = QStringLiteral("(none)");
        QVarLengthArray<const KeyRule *, 4> keys; // the keys the line at work begins with
        QString logAddition;
        for (const KeyRule &rule : m_rules) {
            if (!m_hasLine || !m_line.startsWith(rule.key))
                continue;
            if (rule.shownValue) {
                const QString value = rule.shownValue();
                const QString carried = rule.lineValue(m_line);
                FUZZ_CHECK(value == carried,
                           QStringLiteral("line %1 left the field showing %2, expected %3")
                               .arg(shown(m_line), shown(value), shown(carried)));
            }
            if (!atWork)
                continue;
            keys.append(&rule);
            if (rule.key == QLatin1String("CONNECT"))
                logAddition = QStringLiteral("\r\nConnect OK");
            if (rule.key == QLatin1String("READ END"))
                logAddition = QStringLiteral("\r\nRead end");
        }

        for (Control *control : std::as_const(m_changed)) {
            const bool allowed =
                std::any_of(keys.cbegin(), keys.cend(), [control](const KeyRule *key) {
                    return key->targets.contains(control);
                });
            FUZZ_CHECK(allowed, QStringLiteral("%1 changed on line %2")
                                    .arg(control->name(), atWork ? shown(m_line) : none));
        }
        // The log gains exactly what the line reports, at its end; past its bound it
        // drops its oldest part at the same time.
        const QString log = m_form.Text29.text();
        const bool grew = log.size() == m_logSize + logAddition.size() &&
                          QStringView(log).mid(m_logSize) == logAddition;
        const bool dropped = log.size() < m_logSize + logAddition.size() &&
                             !logAddition.isEmpty() && log.endsWith(logAddition);
        FUZZ_CHECK((grew || dropped) && log.size() <= kLogLimit,
                   QStringLiteral("the status log of %1 characters went to %2 ending in %3 on "
                                  "line %4, expected to gain %5")
                       .arg(m_logSize)
                       .arg(log.size())
                       .arg(shown(log.right(logAddition.size() + 16)),
                            atWork ? shown(m_line) : none, shown(logAddition)));

        for (int i = 0; i < int(std::size(kFlags)); ++i) {
            const Flag &flag = kFlags[i];
            const int now = m_form.*flag.member;
            FUZZ_CHECK(now == 0 || now == 1,
                       QStringLiteral("flag of \"%1\" holds %2").arg(flag.key).arg(now));
            FUZZ_CHECK(now >= m_flags[i], QStringLiteral("flag of \"%1\" fell on line %2")
                                              .arg(flag.key, atWork ? shown(m_line) : none));
            FUZZ_CHECK(now == m_flags[i] || (atWork && m_line.startsWith(flag.key)),
                       QStringLiteral("flag of \"%1\" rose on line %2")
                           .arg(flag.key, atWork ? shown(m_line) : none));
        }
        m_settled = true;
        snapshot();
    }

    void snapshot()
    {
        m_changed.clear();
        m_logSize = m_form.Text29.text().size();
        for (int i = 0; i < int(std::size(kFlags)); ++i)
            m_flags[i] = m_form.*kFlags[i].member;
        m_longestStart = std::max<qsizetype>(m_longestStart, m_form.sRxLine.size());
    }

    // The record holds the received bytes as hex digits after its trimmed first text,
    // and only its first part once it reaches its bound. Its start and its new part are
    // compared, so a check costs the same however long the record is.
    void checkRecord()
    {
        const QString record = m_form.Text1.text();
        const qsizetype full = m_expectedRecord.size();
        FUZZ_CHECK(record.size() <= kHexRecordLimit,
                   QStringLiteral("the hex record holds %1 characters").arg(record.size()));
        // Whole up to its bound; past it, filled to within a byte of it.
        FUZZ_CHECK(record.size() == full ||
                       (full > kHexRecordLimit && record.size() >= kHexRecordLimit - 1),
                   QStringLiteral("the hex record holds %1 characters, expected %2")
                       .arg(record.size())
                       .arg(std::min<qsizetype>(full, kHexRecordLimit)));
        const qsizetype from = std::max<qsizetype>(0, std::min(m_checkedRecord, record.size()) - 2);
        const auto head = QStringView(record).left(std::min<qsizetype>(record.size(), 16));
        FUZZ_CHECK(head == QStringView(m_expectedRecord).left(head.size()) &&
                       QStringView(record).mid(from) ==
                           QStringView(m_expectedRecord).mid(from, record.size() - from),
                   QStringLiteral("hex record %1 (from %2: %3), expected %4 (from %2: %5)")
                       .arg(shown(record, 40))
                       .arg(from)
                       .arg(shown(record.mid(from), 40), shown(m_expectedRecord, 40),
                            shown(m_expectedRecord.mid(from, record.size() - from), 40)));
        m_checkedRecord = record.size();
    }

    Form1 &m_form;
    const QList<KeyRule> m_rules;
    QVarLengthArray<Control *, 16> m_changed; // since the last settle, repeats included
    QByteArray m_pending;                     // received bytes, dispatched up to m_next
    qsizetype m_next = 0;
    QString m_expectedLine;
    QString m_expectedRecord;
    qsizetype m_checkedRecord = 0;
    qsizetype m_longestStart = 0;
    QString m_line;
    bool m_hasLine = false;
    bool m_settled = false;
    bool m_received = false;
    qsizetype m_logSize = 0;
    int m_flags[std::size(kFlags)] = {};
};

// A small generator for the cuts, so that the payload itself stays as the fuzzer wrote it.
class Cuts
{
public:
    explicit Cuts(std::uint8_t seed)
        : m_state(0x9E3779B9u ^ (seed * 0x01000193u)), m_largest(kLargest[seed >> 6])
    {
    }
    int next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return int(m_state % std::uint32_t(m_largest)) + 1;
    }
    bool coin() { return (next() & 1) != 0; }

private:
    static constexpr int kLargest[4] = {1, 8, 64, 1024};
    std::uint32_t m_state;
    int m_largest;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzcheck::InputReader input(data, size);
    const std::uint8_t flags = input.byte();
    const std::uint8_t lineCode = input.byte();
    Cuts cuts(input.byte());
    const int repeats = std::array{1, 1, 1, 1, 1, 1, 2, 8}[input.byte() & 7];
    QByteArray pattern = input.bytes(16);
    const QByteArray payload = input.rest();

    fuzzform::HeadlessForm window(QStringLiteral("/dev/ttyFUZZ0"));
    Form1 &form = window.form;
    VirtualEventLoop &loop = window.loop;
    FakeSerialLine &line = window.line;
    form.MSComm1.setCommPort(1);
    form.MSComm1.setPortOpen(true);
    FUZZ_CHECK(form.MSComm1.PortOpen(), QStringLiteral("the port did not open"));

    // The starting state.
    for (int i = 0; i < int(std::size(kFlags)); ++i)
        form.*kFlags[i].member = (flags >> i) & 1;
    static const QString kRecordStarts[4] = {QStringLiteral("Text1"), QStringLiteral("  "),
                                             QString(), QStringLiteral(" C5 ")};
    form.Text1.setText(kRecordStarts[(flags >> 5) & 3]);
    const int startLength = lineCode < 128 ? lineCode % 64 : 1000 + (lineCode - 128);
    pattern.replace('\r', '.').replace('\n', '.');
    if (pattern.isEmpty())
        pattern = "x";
    QString startLine;
    for (int i = 0; i < startLength; ++i)
        startLine += QChar(static_cast<unsigned char>(pattern.at(i % pattern.size())));
    form.sRxLine = startLine;
    const bool severalChunksAnEvent = (flags & 0x80) != 0;

    ReceiveObserver observer(form);
    try {
        for (int round = 0; round < repeats; ++round) {
            for (qsizetype at = 0; at < payload.size();) {
                const QByteArray chunk = payload.mid(at, cuts.next());
                at += chunk.size();
                observer.expect(chunk);
                line.deliver(chunk);
                if (severalChunksAnEvent && cuts.coin() && at < payload.size())
                    continue;
                loop.advanceBy(0);
                observer.checkAfterEvents();
            }
        }
    } catch (const std::exception &error) {
        FUZZ_CHECK(false, QStringLiteral("exception out of the receive path: %1")
                              .arg(QString::fromLocal8Bit(error.what())));
    } catch (...) {
        FUZZ_CHECK(false, QStringLiteral("a non-standard exception out of the receive path"));
    }
    loop.advanceBy(0);
    observer.checkAfterEvents();
    return 0;
}
