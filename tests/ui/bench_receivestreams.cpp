// Not a test: feeds device streams to the real window model and its widgets (offscreen),
// in receive events of 64 bytes with one event-loop pass after each, and prints for each
// stream its total time, the longest pass (the longest the window stops answering) and
// the growth of the process's peak memory. Each stream runs in a process of its own so
// that the peak memory is its own.
//
//   bench_receivestreams             all streams, one process each, and a table
//   bench_receivestreams STREAM      one stream: ordinary, longline or random
//
// It also loads the largest setup files accepted (64 KiB, in one line and in many) and
// prints how long the window stops answering for each load.

#include "formfixture.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

#include <cstdio>

namespace {

constexpr int kEventSize = 64;

// Peak resident memory of this process so far, in KiB.
qint64 peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

QByteArray stream(const QByteArray &name)
{
    const int mib = 1024 * 1024;
    QByteArray bytes;
    if (name == "ordinary") {
        // A device's read answer, repeated: configuration lines ended by CR LF.
        const QByteArray answer =
            "CONNECT\r\nCALLSIGN:NOCALL-10\r\nPASS:27351\r\nDHCP:0#\r\nIP:192,168,1,99\r\n"
            "MASK:255,255,255,0\r\nPOSITION:!3035.00N/11417.00ErPHG1010\r\n"
            "COMMENT TEXT:MELKO 144.640MHz\r\nSERVER:rotate.aprs2.net\r\nSENT TIME:0600\r\n"
            "FILTER:b/MELKO\r\nBACKLIGHT:00\r\nFREQ:144.6400\r\nUNIT:1\r\nDIGI:1\r\nMOD:3\r\n"
            "PATH:1\r\nALIAS:3\r\nVER:KS936 1.0\r\nREAD END\r\n";
        while (bytes.size() < mib)
            bytes += answer;
        bytes.truncate(mib);
    } else if (name == "longline") {
        bytes = "COMMENT TEXT:" + QByteArray(mib - 13, 'x');
    } else if (name == "random") {
        bytes.resize(10 * mib);
        QRandomGenerator random(936);
        random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    }
    return bytes;
}

int runStream(const QByteArray &name)
{
    const QByteArray bytes = stream(name);
    FormFixture fx;
    fx.addPort(QStringLiteral("/dev/ttyUSB0"));
    Form1 &form = fx.create();
    MainWindow window(form);
    window.show();
    form.Combo1.pick(QStringLiteral("COM1"));
    form.MSComm1.setPortOpen(true);
    QCoreApplication::processEvents();
    const qint64 memoryBefore = peakMemoryKiB();

    qint64 longestPassNs = 0;
    QElapsedTimer total;
    total.start();
    for (qsizetype at = 0; at < bytes.size(); at += kEventSize) {
        QElapsedTimer pass;
        pass.start();
        fx.line.deliver(bytes.mid(at, kEventSize));
        fx.loop.advanceBy(1);              // the receive event, and any timer tick due
        QCoreApplication::processEvents(); // the widgets catch up and paint
        longestPassNs = std::max(longestPassNs, pass.nsecsElapsed());
    }
    const double seconds = total.nsecsElapsed() / 1e9;
    std::printf("%s %lld %.3f %.2f %lld\n", name.constData(), qint64(bytes.size()), seconds,
                longestPassNs / 1e6, peakMemoryKiB() - memoryBefore);
    return 0;
}

// "Load file" of the content, with the window painting afterwards; the time it took.
double loadMs(const QByteArray &content)
{
    FormFixture fx;
    Form1 &form = fx.create();
    MainWindow window(form);
    window.show();
    QCoreApplication::processEvents();
    QFile file(fx.path(QStringLiteral("big.ini")));
    file.open(QIODevice::WriteOnly);
    file.write(content);
    file.close();
    fx.dialogs.fileAnswers << file.fileName();
    QElapsedTimer timer;
    timer.start();
    form.Command4.click();
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

void benchLoads()
{
    const int size = 64 * 1024;
    QByteArray lines;
    while (lines.size() < size - 40)
        lines += "COMMENT TEXT:a setup line of ordinary size\r\n";
    std::printf("\nload of a 64 KiB file, one line:   %.1f ms\n",
                loadMs("COMMENT TEXT:" + QByteArray(size - 13, 'x')));
    std::printf("load of a 64 KiB file, many lines: %.1f ms\n", loadMs(lines));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1)
        return runStream(argv[1]);

    std::printf("%-9s %9s %9s %11s %12s %14s\n", "stream", "bytes", "time s", "s per MiB",
                "longest ms", "peak mem +MiB");
    double ordinaryPerMiB = 0;
    for (const char *name : {"ordinary", "longline", "random"}) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(name)});
        child.waitForFinished(-1);
        const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
        if (fields.size() != 5) {
            std::printf("%s: failed\n", name);
            continue;
        }
        const double mib = fields[1].toDouble() / (1024 * 1024);
        const double perMiB = fields[2].toDouble() / mib;
        if (ordinaryPerMiB == 0)
            ordinaryPerMiB = perMiB;
        std::printf("%-9s %9s %9s %11.3f %12s %14.1f   (%.2fx ordinary)\n", name,
                    fields[1].constData(), fields[2].constData(), perMiB, fields[3].constData(),
                    fields[4].toDouble() / 1024, perMiB / ordinaryPerMiB);
    }
    benchLoads();
    return 0;
}
