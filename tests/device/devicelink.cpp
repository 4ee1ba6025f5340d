#include "devicelink.h"

DeviceLink::DeviceLink(EventLoop &loop, FakeSerialLine &line, DeviceOptions options,
                       QObject *parent)
    : QObject(parent), m_model(loop, std::move(options))
{
    connect(&line, &FakeSerialLine::hostWrote, &m_model, &DeviceModel::receive);
    connect(&m_model, &DeviceModel::transmit, &line, &FakeSerialLine::deliver);
    connect(&m_model, &DeviceModel::hangUp, &line, [&line] { line.hangUp(); });
}
