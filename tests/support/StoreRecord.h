// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingsStore.h"

// The store's record itself, for a test that sets up values before the
// views read them, as the tests did when the record lay in the open. Each
// call announces the record once, as loaded from a file, before the writes;
// the writes themselves are neither sent nor announced.
inline EcuSettings& recordOf(SettingsStore& store) {
    EcuSettings* record = nullptr;
    store.modify(ChangeOrigin::File, [&record](EcuSettings& r) { record = &r; });
    return *record;
}
