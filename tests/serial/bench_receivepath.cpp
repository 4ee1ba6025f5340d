// Feeds device bytes through the receive path in 64-byte events and prints the rate
// for a 128 KiB and a 1 MiB stream: the two should agree (no growth with the record).

#include "formfixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

static double bytesPerSecond(int total)
{
    FormFixture fx;
    fx.addPort("/dev/ttyUSB0");
    Form1 &form = fx.create();
    form.Combo1.pick("COM1");
    form.MSComm1.setPortOpen(true);

    // A device's read answer, repeated: configuration lines ended by CR LF.
    const QByteArray answer = "CALLSIGN:NOCALL-10\r\nPASS:27351\r\nDHCP:0#\r\nIP:192,168,1,99\r\n"
                              "POSITION:!3035.00N/11417.00ErPHG1010\r\nCOMMENT TEXT:MELKO\r\n"
                              "SENT TIME:0600\r\nBACKLIGHT:00\r\nUNIT:1\r\nREAD END\r\n";
    QByteArray stream;
    while (stream.size() < total)
        stream += answer;
    stream.truncate(total);

    QElapsedTimer clock;
    clock.start();
    for (int at = 0; at < total; at += 64) {
        fx.line.deliver(stream.mid(at, 64));
        fx.loop.advanceBy(1);
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (form.Text1.text().size() != 5 + 2 * total)
        std::fprintf(stderr, "hex record has the wrong length\n");
    return total / seconds;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const double small = bytesPerSecond(128 * 1024);
    const double large = bytesPerSecond(1024 * 1024);
    std::printf("128 KiB: %.0f bytes/s\n1 MiB:   %.0f bytes/s\nratio:   %.2f\n", small, large,
                small / large);
    return 0;
}
