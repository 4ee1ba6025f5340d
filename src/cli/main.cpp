// ks936-cli: the window's operations from a script, without a display.

#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/console.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ks936-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KS936_VERSION));

    CliCommandLine commandLine;
    switch (commandLine.parse(QCoreApplication::arguments())) {
    case CliCommandLine::Outcome::ShowHelp:
        Console::writeData(CliCommandLine::helpText().toLocal8Bit());
        return int(ExitStatus::Success);
    case CliCommandLine::Outcome::ShowVersion:
        Console::writeData(CliCommandLine::versionText().toLocal8Bit());
        return int(ExitStatus::Success);
    case CliCommandLine::Outcome::Error:
        Console::message(commandLine.errorText());
        Console::progress(QStringLiteral("Try ks936-cli --help.\n"));
        return int(ExitStatus::UsageError);
    case CliCommandLine::Outcome::Run:
        break;
    }
    return int(runCommand(commandLine.request()));
}
