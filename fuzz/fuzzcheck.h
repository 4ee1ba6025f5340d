#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The check of an invariant in a fuzz target: when it breaks, the target prints which
// check broke and what it saw, then aborts, so that libFuzzer keeps the input.
//
//     FUZZ_CHECK(line.size() <= 1024, QStringLiteral("line of %1").arg(line.size()));
//
// The message is only built when the check fails.
#define FUZZ_CHECK(condition, message)                                                             \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzzcheck::fail(__FILE__, __LINE__, #condition, (message));                          \
    } while (false)

namespace fuzzcheck {

[[noreturn]] inline void fail(const char *file, int line, const char *condition,
                              const QString &message)
{
    std::fprintf(stderr, "\n==== INVARIANT BROKEN at %s:%d\n     check: %s\n     %s\n", file, line,
                 condition, message.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

// A text as a message can show it: printable ASCII as it is, anything else as \xHH or
// \uHHHH, cut after `limit` characters.
inline QString shown(const QString &text, int limit = 160)
{
    QString out = QStringLiteral("\"");
    for (int i = 0; i < text.size() && i < limit; ++i) {
        const ushort c = text.at(i).unicode();
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"')
            out += QChar(c);
        else if (c < 0x100)
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1").arg(c, 4, 16, QLatin1Char('0'));
    }
    out += QLatin1Char('"');
    if (text.size() > limit)
        out += QStringLiteral("... (%1 characters)").arg(text.size());
    return out;
}

inline QString shown(const QByteArray &bytes, int limit = 160)
{
    return shown(QString::fromLatin1(bytes), limit);
}

// Reads a fuzz input front to back; past its end every read gives zeros or nothing.
class InputReader
{
public:
    InputReader(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    std::size_t remaining() const { return m_size - m_pos; }

    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }

    QByteArray bytes(std::size_t count)
    {
        const std::size_t n = count < remaining() ? count : remaining();
        const QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }

    QByteArray rest() { return bytes(remaining()); }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace fuzzcheck
