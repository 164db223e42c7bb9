// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/EcuCommands.h"

std::vector<CliCommand> ecuCommands() {
    return {identifyCommand(), readCommand(), writeCommand(), storeCommand(), monitorCommand()};
}
