#pragma once

#include <QByteArray>
#include <QStringList>

// A whole firmware update in real time: the program's real serial line and event loop
// against ks936-sim on a pseudo-terminal, bytes paced at 115200 baud.
struct SimulatedUpdate
{
    // What came of it.
    bool simulatorStarted = false;
    QStringList messages; // message boxes shown
    QString label2;       // the progress text at the end
    bool portOpenAtEnd = true;
    QByteArray received; // the image the simulator wrote out
    QByteArray trafficLog;
    qint64 fromPressMs = -1;      // press of "update" to the last block handed over
    qint64 fromFirstBlockMs = -1; // first block to the last
    int blocks = 0;

    // Runs an update of `file` against a simulator started with `simulatorOptions`.
    static SimulatedUpdate run(const QByteArray &file, const QStringList &simulatorOptions = {});

    // Every frame byte at the line rate (10 bits a byte) and one flash per frame: what
    // no update can beat. `extraFrames` counts frames sent twice (refused blocks).
    double lineRateFloorMs(int extraFrames = 0) const;
};
