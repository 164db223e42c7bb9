// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/EcuDiff.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

// One difference as the windows show it, in parts: what differs, where in
// its table or curve, and the two values with their units.
struct DifferenceParts {
    QString subject; // the setting, table or curve: "Max Rpm", "Fuel Table"
    QString place;   // a table's or curve's point: "2400 rpm, 10.3 psi"; empty for a setting
    QString first;   // "1.188 ms"
    QString second;  // "1.938 ms"
    QString line;    // the whole as one line, as describe() gives it
};

// The differences of two records as the windows show the values: in ms,
// degrees, degrees F, psi, volts, per cent or rpm, a list's entry for a
// choice, and a table or curve value at the labels of its axes, such as
// "Fuel Table at 2400 rpm, 10.3 psi: 1.188 -> 1.938 ms". An axis label that
// differs between the records reads "first -> second".
class DifferenceText {
public:
    DifferenceText(const EcuSettings& first, const EcuSettings& second);
    ~DifferenceText();

    QString describe(const EcuFieldDifference& difference) const;
    DifferenceParts parts(const EcuFieldDifference& difference) const;
    QStringList describe(const std::vector<EcuFieldDifference>& differences) const;

private:
    // The records, each with its own axes and units.
    std::unique_ptr<EcuSettings> m_first;
    std::unique_ptr<EcuSettings> m_second;
};

// How a listing of differences names its values: as the windows show them, or
// as the counts the data file holds (for scripts).
enum class DifferenceUnits : uint8_t { Shown, Counts };

// Every value that differs between the two records, one line each, in data
// file order; empty when they hold the same values.
QStringList differenceLines(const EcuSettings& first, const EcuSettings& second,
                            DifferenceUnits units);
