// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/Commands.h"

// The commands that talk to the ECU over a serial port, one a source file.
CliCommand identifyCommand();
CliCommand readCommand();
CliCommand writeCommand();
CliCommand storeCommand();
CliCommand monitorCommand();
