#pragma once

#include "app/form1.h"
#include "fakedialogs.h"
#include "platform/qteventloop.h"
#include "serial/inifile.h"
#include "serial/qtserialline.h"

#include <QTemporaryDir>

#include <memory>

// The program as main() builds it, with the device at `devicePath` mapped to COM5 and
// dialogs that the test answers.
struct Program
{
    QtEventLoop loop;
    QtSerialLine line;
    FakeDialogs dialogs;
    std::unique_ptr<Form1> form;

    Program(const QTemporaryDir &folder, const QString &devicePath)
    {
        IniFile::write("PortMap", "COM5", devicePath, folder.filePath("PortSet.ini"));
        form = std::make_unique<Form1>(Form1::Platform{loop, line, dialogs, folder.path(),
                                                       [] { return QList<SystemPort>(); }});
        form->Form_Load();
        form->Combo1.pick("COM5");
    }
};
