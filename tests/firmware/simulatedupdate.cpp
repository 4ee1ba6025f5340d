#include "simulatedupdate.h"
#include "testfiles.h"

#include "app/form1.h"
#include "fakedialogs.h"
#include "firmware/firmwareimage.h"
#include "platform/qteventloop.h"
#include "serial/qtserialline.h"
#include "simulatorprocess.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int flashTimeMs = 30; // the simulator's default

} // namespace

SimulatedUpdate SimulatedUpdate::run(const QByteArray &file, const QStringList &simulatorOptions)
{
    SimulatedUpdate result;
    QTemporaryDir folder;
    SimulatorProcess sim(folder);
    result.simulatorStarted = sim.start(
        QStringList{"--register", folder.filePath("PortSet.ini") + ":COM1"} + simulatorOptions);
    if (!result.simulatorStarted)
        return result;

    QtEventLoop loop;
    QtSerialLine line;
    FakeDialogs dialogs;
    Form1 form({loop, line, dialogs, folder.path(), [] { return QList<SystemPort>(); }});
    form.Form_Load();

    QFile bin(folder.filePath("firmware.bin"));
    if (!bin.open(QIODevice::WriteOnly) || bin.write(file) != file.size())
        return result;
    bin.close();
    dialogs.fileAnswers.enqueue(bin.fileName());
    form.Command1.click();

    std::int64_t firstBlockAt = -1;
    QObject::connect(&form.Label2, &Control::changed, [&] {
        if (firstBlockAt < 0 && form.Label2.caption().startsWith("updating"))
            firstBlockAt = loop.nowMs();
    });
    const std::int64_t pressedAt = loop.nowMs();
    form.Command2.click();
    const auto finished = [&] {
        return form.Label2.caption().startsWith("update complete") ||
               form.Text29.text().contains("Connect fail") || !dialogs.messages.isEmpty();
    };
    while (!finished() && loop.nowMs() - pressedAt < 180000)
        loop.runUntil(loop.nowMs() + 20);
    const std::int64_t doneAt = loop.nowMs();

    // The simulator writes the image once the last block has arrived and been flashed.
    while (readFile(sim.path("image.bin")).size() < file.size() && loop.nowMs() - doneAt < 5000)
        loop.runUntil(loop.nowMs() + 20);

    result.messages = dialogs.messages;
    result.label2 = form.Label2.caption();
    result.portOpenAtEnd = form.MSComm1.PortOpen();
    result.received = readFile(sim.path("image.bin"));
    result.trafficLog = sim.log();
    result.fromPressMs = doneAt - pressedAt;
    result.fromFirstBlockMs = firstBlockAt < 0 ? -1 : doneAt - firstBlockAt;
    result.blocks = FirmwareImage::blockCount(std::int32_t(file.size()));
    return result;
}

double SimulatedUpdate::lineRateFloorMs(int extraFrames) const
{
    const double frames = blocks + extraFrames;
    const double frameBytes = 5.0 + 2049.0 * frames;
    return frameBytes * 10 * 1000 / 115200 + double(flashTimeMs) * frames;
}
