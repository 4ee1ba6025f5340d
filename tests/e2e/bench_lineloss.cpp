// Not a test: the processor time the program uses once its device has hung up. A read
// runs against ks936-sim, which drops the line on "AT+READ#"; the share of one core is
// printed for the ten seconds after the hang-up and for the ten seconds after the read
// has ended.

#include "cputime.h"
#include "program.h"
#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

namespace {

// Share of one core used over the next ten seconds of an idle event loop.
double idleShare()
{
    const qint64 cpuBefore = cpuTimeMs();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    return 100.0 * double(cpuTimeMs() - cpuBefore) / double(wall.elapsed());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SimulatorProcess sim(dir);
    if (!sim.start({"--hang-up-after-lines", "3"})) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    Program program(dir, sim.ptyPath());
    Form1 &form = *program.form;

    // From the hang-up on: the read meets it and ends within this window.
    qint64 cpuAtHangUp = -1;
    QElapsedTimer sinceHangUp;
    QObject::connect(&form.MSComm1, &MSComm::lineLost, [&] {
        cpuAtHangUp = cpuTimeMs();
        sinceHangUp.start();
    });
    form.Command6.click();
    if (cpuAtHangUp < 0) {
        std::fprintf(stderr, "the line did not drop\n");
        return 1;
    }
    QEventLoop rest;
    QTimer::singleShot(int(std::max<qint64>(0, 10000 - sinceHangUp.elapsed())), &rest,
                       &QEventLoop::quit);
    rest.exec();
    const double afterHangUp =
        100.0 * double(cpuTimeMs() - cpuAtHangUp) / double(sinceHangUp.elapsed());

    std::printf("read ended with: %s\n", qPrintable(program.dialogs.messages.join(" | ")));
    std::printf("CPU, 10 s after the hang-up:       %.2f %% of a core\n", afterHangUp);
    std::printf("CPU, 10 s after the read had ended: %.2f %% of a core\n", idleShare());
    return 0;
}
