// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "record/FieldTable.h"

#include <QString>
#include <cstdint>
#include <vector>

// One value that differs between two records, named as the data file names
// it: a scalar by its label, a table value by its section heading, the data
// line within the section and the position on that line (both from 0). The
// field and its indexes say where the value lives in the record.
struct EcuFieldDifference {
    QString name;    // label or heading, without surrounding blanks
    int row = -1;    // -1 for a scalar
    int column = -1; // -1 for a scalar
    int64_t first = 0;
    int64_t second = 0;
    FieldId field = FieldId::NumberOfCylinders;
    int index1 = 0; // slot of a curve, load index of a table
    int index2 = 0; // rpm index of a table

    bool isScalar() const { return row < 0; }
    // The stored counts: "Max Rpm: 9000 -> 6000" or "Fuel Table, row 3,
    // column 5: 18 -> 20".
    QString describe() const;

    bool operator==(const EcuFieldDifference&) const = default;
};

// Every value the data file holds that differs between the two records, in
// file order. The tables are compared up to the larger of the two records'
// index limits.
std::vector<EcuFieldDifference> compareEcuSettings(const EcuSettings& first,
                                                   const EcuSettings& second);
