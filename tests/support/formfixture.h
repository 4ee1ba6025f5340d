#pragma once

#include "app/form1.h"
#include "fakedialogs.h"
#include "fakeserialline.h"
#include "virtualeventloop.h"

#include <QTemporaryDir>

#include <algorithm>
#include <memory>

// A window model on the virtual clock with a fake serial line and scripted dialogs, in
// a program folder of its own. Ports named in `systemPorts` exist; those in
// line.openablePorts open.
struct FormFixture
{
    VirtualEventLoop loop;
    FakeSerialLine line{loop};
    FakeDialogs dialogs;
    QTemporaryDir folder;
    QList<SystemPort> systemPorts;
    int enumerations = 0; // how often the system's devices were asked for
    QString settingsFile; // PortSet.ini; empty: beside the program
    std::unique_ptr<Form1> form;

    // Builds the form; with `load`, start-up runs too.
    Form1 &create(bool load = true)
    {
        form = std::make_unique<Form1>(Form1::Platform{loop, line, dialogs, folder.path(),
                                                       [this] {
                                                           ++enumerations;
                                                           return systemPorts;
                                                       },
                                                       settingsFile});
        if (load)
            form->Form_Load();
        return *form;
    }

    // A serial device the system reports, which opens.
    void addPort(const QString &path, bool openable = true)
    {
        systemPorts << SystemPort{path, QString(), true};
        if (openable)
            line.openablePorts.insert(path);
    }

    // The device went away: the system no longer reports it and it no longer opens.
    void removePort(const QString &path)
    {
        systemPorts.erase(std::remove_if(systemPorts.begin(), systemPorts.end(),
                                         [&](const SystemPort &port) { return port.path == path; }),
                          systemPorts.end());
        line.openablePorts.remove(path);
    }

    QString path(const QString &name) const { return folder.filePath(name); }
};
