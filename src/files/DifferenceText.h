// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/EcuDiff.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

struct AppState;

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
    QStringList describe(const std::vector<EcuFieldDifference>& differences) const;

private:
    // The records, each with its own axes and units.
    std::unique_ptr<AppState> m_first;
    std::unique_ptr<AppState> m_second;
};

// How a listing of differences names its values: as the windows show them, or
// as the counts the data file holds (for scripts).
enum class DifferenceUnits : uint8_t { Shown, Counts };

// Every value that differs between the two records, one line each, in data
// file order; empty when they hold the same values.
QStringList differenceLines(const EcuSettings& first, const EcuSettings& second,
                            DifferenceUnits units);
