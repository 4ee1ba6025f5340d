#pragma once

#include "cli/commandline.h"
#include "cli/exitstatus.h"

// Runs one command of the command line to its end.
ExitStatus runCommand(const CliRequest &request);
