#include "cli/console.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

// A progress bar is drawn on a line that is not ended yet.
bool progressLineOpen = false;

} // namespace

namespace Console {

bool writeData(const QByteArray &bytes)
{
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    return std::fflush(stdout) == 0 && written;
}

void endProgressLine()
{
    if (progressLineOpen)
        progress(QStringLiteral("\n"));
}

void message(const QString &text)
{
    endProgressLine();
    progress(QStringLiteral("ks936-cli: ") + text + QLatin1Char('\n'));
}

void progress(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    if (!text.isEmpty())
        progressLineOpen = !text.endsWith(QLatin1Char('\n'));
}

bool errorIsTerminal()
{
    return isatty(fileno(stderr)) != 0;
}

} // namespace Console
