#pragma once

#include "formfixture.h"

#include <QByteArrayList>

// A window model whose COM1 opens, with helpers to script the device's answers and to
// read back what the program sent.
struct OperationFixture : FormFixture
{
    OperationFixture()
    {
        addPort("/dev/ttyUSB0");
        create();
        form->Combo1.pick("COM1");
    }

    // Answers every write that contains `command` with `reply` after `delayMs`.
    void answer(const QByteArray &command, const QByteArray &reply, int delayMs = 10)
    {
        QObject::connect(&line, &FakeSerialLine::hostWrote, [=](const QByteArray &bytes) {
            if (bytes.contains(command))
                line.deliverAfter(delayMs, reply);
        });
    }

    // The writes that contain `command`, in order.
    QVector<FakeSerialLine::Write> writesOf(const QByteArray &command) const
    {
        QVector<FakeSerialLine::Write> found;
        for (const FakeSerialLine::Write &write : line.writes())
            if (write.bytes.contains(command))
                found << write;
        return found;
    }

    QByteArrayList sent() const
    {
        QByteArrayList all;
        for (const FakeSerialLine::Write &write : line.writes())
            all << write.bytes;
        return all;
    }

    // Clicks a button now and returns when its handler has ended.
    void click(CommandButton &button) { button.click(); }
};
