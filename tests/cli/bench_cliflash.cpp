// Not a test: times the update of a 300 000-byte image through ks936-cli, from its
// start to its exit, against the window model's own update (from the press of "update"
// to the last block handed over), each against a fresh ks936-sim.

#include "clirun.h"
#include "simulatedupdate.h"
#include "simulatorprocess.h"
#include "testbytes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QByteArray file = randomBytes(300000, 7);

    const SimulatedUpdate window = SimulatedUpdate::run(file);
    if (!window.simulatorStarted || window.received != file) {
        std::fprintf(stderr, "the window model's update did not complete\n");
        return 1;
    }

    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    if (!sim.start() || !writeFile(folder.filePath("image.bin.in"), file)) {
        std::fprintf(stderr, "cannot start the simulator\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    const CliRun cli =
        CliRun::run({"flash", folder.filePath("image.bin.in"), "--port", sim.ptyPath()}, 300000);
    const qint64 cliMs = timer.elapsed();
    if (cli.exitCode != 0) {
        std::fprintf(stderr, "the update through ks936-cli failed:\n%s", cli.err.constData());
        return 1;
    }

    std::printf("%d bytes in %d blocks\n"
                "window model, press of update to last block: %lld ms\n"
                "ks936-cli flash, start to exit:              %lld ms\n"
                "ks936-cli / window: %.3f\n",
                int(file.size()), window.blocks, window.fromPressMs, cliMs,
                double(cliMs) / double(window.fromPressMs));
    return 0;
}
