#include "cli/EcuCommands.h"

std::vector<CliCommand> ecuCommands() {
    return {identifyCommand(), readCommand(), writeCommand(), storeCommand(), monitorCommand()};
}
