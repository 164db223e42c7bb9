// SPDX-License-Identifier: GPL-3.0-or-later
// The .ecu reader on any bytes; a file it accepts is written and read back to
// the same record and the same bytes.

#include "files/EcuDiff.h"
#include "files/EcuFile.h"
#include "files/WireRangeCheck.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const EcuSettings defaults = EcuSettings::withDefaults();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const EcuFileReadResult first = readEcuFile(bytes, defaults);
    if (!first.ok()) {
        if (first.error.isEmpty()) {
            std::abort();
        }
        return 0;
    }
    checkWireRanges(*first.settings);
    const QByteArray written = writeEcuFile(*first.settings);
    const EcuFileReadResult second = readEcuFile(written, defaults);
    if (!second.ok() || !compareEcuSettings(*first.settings, *second.settings).empty() ||
        writeEcuFile(*second.settings) != written) {
        std::abort();
    }
    return 0;
}
