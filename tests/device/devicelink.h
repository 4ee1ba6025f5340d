#pragma once

#include "devicemodel.h"
#include "fakeserialline.h"

#include <QObject>

// Puts a DeviceModel at the far end of a FakeSerialLine: what the program writes reaches
// the device, the device's answers arrive as received bytes, and a hang-up fault breaks
// the line. Answers sent while the port is closed are lost, as on a real line.
//
//     VirtualEventLoop loop;
//     FakeSerialLine line(loop);
//     line.openablePorts = {"COM3"};
//     DeviceLink link(loop, line);            // or with DeviceOptions, faults included
//     ... run the operation under test ...
//     QCOMPARE(link.model().settings().frequency, QByteArray("144.8000"));
class DeviceLink : public QObject
{
    Q_OBJECT
public:
    DeviceLink(EventLoop &loop, FakeSerialLine &line, DeviceOptions options = DeviceOptions(),
               QObject *parent = nullptr);

    DeviceModel &model() { return m_model; }
    const DeviceModel &model() const { return m_model; }

private:
    DeviceModel m_model;
};
