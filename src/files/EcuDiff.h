#pragma once

#include "record/EcuSettings.h"

#include <QString>
#include <cstdint>
#include <vector>

// One value that differs between two records, named as the data file names
// it: a scalar by its label, a table value by its section heading, the data
// line within the section and the position on that line (both from 0).
struct EcuFieldDifference {
    QString name;    // label or heading, without surrounding blanks
    int row = -1;    // -1 for a scalar
    int column = -1; // -1 for a scalar
    int64_t first = 0;
    int64_t second = 0;

    bool isScalar() const { return row < 0; }
    // "Max Rpm: 9000 -> 6000" or "Fuel Table, row 3, column 5: 18 -> 20".
    QString describe() const;

    bool operator==(const EcuFieldDifference&) const = default;
};

// Every value the data file holds that differs between the two records, in
// file order. The tables are compared up to the larger of the two records'
// index limits.
std::vector<EcuFieldDifference> compareEcuSettings(const EcuSettings& first,
                                                   const EcuSettings& second);
