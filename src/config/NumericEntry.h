// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/FieldTable.h"

#include <QString>
#include <functional>
#include <optional>
#include <utility>

class SettingsStore;

// What a window adds to the field table's rule for one numeric box.
struct EntryRule {
    // Entry limits in shown units that replace the field's own (the secondary
    // rev limit is held to MaxRpm); empty keeps the field's.
    std::function<std::pair<double, double>(const EcuSettings&)> limits;
    // Whether the count about to be stored may be stored (a limit that has to
    // stay above or below its partner); empty accepts every count.
    std::function<bool(const EcuSettings&, int64_t count)> accepts;
    // The count of an entry already held to its limits, in place of the
    // field's own conversion (a box that drops the remainder of a division);
    // empty converts as the field does.
    std::function<int64_t(double limited)> count;
};

// The text a box shows for the stored value of a field: the field's pattern,
// or the plain number when it has none.
QString entryText(const EcuSettings& settings, FieldId id);

// The number typed into a box; blanks around it are ignored and "," is a
// decimal point. Nothing for an empty box or text that is not a number.
std::optional<double> parseEntry(const QString& text);

struct EntryResult {
    bool stored = false; // the field took a new value and it was sent
    int64_t before = 0;  // the field's value before the entry
};

// Runs a box's entry once (Escape, Enter or leaving the box). Text the user
// did not change (typed equals shown), or a number that once limited equals
// the one shown, changes nothing, as the shown text is coarser than the
// stored count. Otherwise the number is limited, converted
// and rounded half to even; the rounded count is what the acceptance test and
// the comparison with the stored value see, and it is stored and sent
// through the store when it differs. The caller then rewrites the box from
// the stored value.
EntryResult commitEntry(SettingsStore& store, FieldId id, const EntryRule& rule,
                        const QString& shown, const QString& typed);
