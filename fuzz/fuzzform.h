#pragma once

#include "fakedialogs.h"
#include "fakeserialline.h"
#include "fuzzcheck.h"
#include "virtualeventloop.h"

#include "app/form1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// What the targets that drive the window model share: a folder for the files they hand
// it, and the headless window on the virtual clock.
namespace fuzzform {

// A folder of the target's own for the whole run: the window's program folder, and where
// the files the target picks in its dialogs are written.
inline const QString &folder()
{
    static QTemporaryDir dir;
    static const QString path = dir.path();
    return path;
}

// Writes the bytes to a file of that folder and returns its path.
inline QString writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(folder()).filePath(name);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   file.write(bytes) == bytes.size(),
               QStringLiteral("cannot write %1").arg(path));
    return path;
}

// The window model after start-up, with a fake serial line and scripted dialogs. With a
// port, the system has that one serial device, which opens, as COM1.
struct HeadlessForm
{
    VirtualEventLoop loop;
    FakeSerialLine line{loop};
    FakeDialogs dialogs;
    Form1 form;

    explicit HeadlessForm(const QString &port = QString())
        : form(Form1::Platform{loop, line, dialogs, folder(), [port] {
                                   return port.isEmpty()
                                              ? QList<SystemPort>()
                                              : QList<SystemPort>{{port, QString(), true}};
                               }})
    {
        if (!port.isEmpty())
            line.openablePorts.insert(port);
        form.Form_Load();
    }
};

// For LLVMFuzzerInitialize: the application object Qt needs, for the whole run.
inline void startApplication(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    folder();
}

} // namespace fuzzform
