// Not a test: times a whole update of a 300 000-byte image against ks936-sim and prints
// it against the line-rate floor.

#include "simulatedupdate.h"
#include "testbytes.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QByteArray file = randomBytes(300000, 7);
    const SimulatedUpdate update = SimulatedUpdate::run(file);
    if (!update.simulatorStarted || update.received != file) {
        std::fprintf(stderr, "the update did not complete\n");
        return 1;
    }
    const double floorMs = update.lineRateFloorMs();
    std::printf("%d bytes in %d blocks\n"
                "from the press of update: %lld ms, ratio to the floor %.2f\n"
                "from the first block:     %lld ms, ratio to the floor %.2f\n"
                "line-rate floor (bytes x 10 / 115200 + flash time per block): %.0f ms\n",
                int(file.size()), update.blocks, update.fromPressMs, update.fromPressMs / floorMs,
                update.fromFirstBlockMs, update.fromFirstBlockMs / floorMs, floorMs);
    return 0;
}
