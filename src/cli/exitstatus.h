#pragma once

// The command-line companion's exit status, as scripts test it.
enum class ExitStatus
{
    Success = 0,
    NoAnswer = 1,      // the device did not answer or did not acknowledge
    UsageError = 2,    // a bad command line, or a file that cannot be read or written
    PortNotOpened = 3, // the port could not be opened
};
