// SPDX-License-Identifier: GPL-3.0-or-later
// The settings-file reader on any bytes; a file it accepts is written and read
// back to the same bytes.

#include "app/SettingsFile.h"
#include "record/AppState.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ScreenMetrics screen{19200, 15360, 15};
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto state = std::make_unique<AppState>();
    const SettingsReadResult first = readSettings(*state, bytes, screen);
    if (first.usedDefaults) {
        if (first.problem.isEmpty()) {
            std::abort();
        }
        return 0;
    }
    const QByteArray written = settingsFileBytes(*state, true);
    const auto again = std::make_unique<AppState>();
    const SettingsReadResult second = readSettings(*again, written, screen);
    if (second.usedDefaults || settingsFileBytes(*again, true) != written) {
        std::abort();
    }
    return 0;
}
