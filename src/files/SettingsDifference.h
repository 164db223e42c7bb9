// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/EcuDiff.h"
#include "record/SettingsStore.h"
#include "tables/TableEditorDescription.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// What the difference view shows of two records ("first -> second"): every
// setting that differs with the name and unit its window shows, each table
// that differs as a grid like its editor's with every cell coloured by its
// change in per cent, and the changed points of the curves.

// A setting that differs.
struct SettingDifference {
    QString name;   // "Max Rpm"
    QString first;  // "8000 rpm"
    QString second; // "7500 rpm"
    FieldId field = FieldId::NumberOfCylinders;
};

// A changed point of a curve or of a user input's table.
struct CurvePointDifference {
    QString curve; // "Air Temp Compensation - Fuel"
    QString point; // "100 °F"
    QString first;
    QString second;
    FieldId field = FieldId::AirTempFuelComp;
    int slot = 0;
};

// One cell of a table's grid.
struct TableCellDifference {
    QString text;         // the second record's value as the editor shows it
    bool changed = false; // the records hold different values here
    double percent = 0.0; // the change of the shown value, in per cent of the first
    RgbColour colour{255, 255, 255};
    QString detail; // the difference as one line; empty when unchanged
};

// A table that differs, as its editor's grid: 16 load rows (the highest load
// at the top) by 16 rpm columns, labelled with the second record's axes.
struct TableDifference {
    static constexpr int kSize = 16;

    FieldId field = FieldId::FuelTable;
    QString title;       // "Fuel Table"
    QString unit;        // "ms"
    QString loadCaption; // "psi", "%", "V"
    int changedCells = 0;
    std::array<QString, kSize> rpmLabels;                              // columns, from 0 rpm
    std::array<QString, kSize> loadLabels;                             // rows, from the top
    std::array<std::array<TableCellDifference, kSize>, kSize> cells{}; // [row][column]
};

struct SettingsDifference {
    std::vector<SettingDifference> settings;
    std::vector<TableDifference> tables;
    std::vector<CurvePointDifference> curves;
    int count = 0; // values that differ

    bool empty() const { return count == 0; }
};

SettingsDifference settingsDifference(const EcuSettings& first, const EcuSettings& second);

// The change from first to second in per cent of first; a change from 0 is
// taken as 100 per cent either way.
double percentChange(double first, double second);

// How a cell of the difference grid is coloured by its change: white when
// unchanged, red for more, blue for less, deeper with the size of the change
// up to kFullColourPercent; the least change is still plainly tinted.
inline constexpr double kFullColourPercent = 25.0;
RgbColour changeColour(double percent);

// What a restore of one item puts back from a snapshot into the settings now
// loaded.
enum class RestoreScope { Table, Curve, Setting };
struct RestoreTarget {
    RestoreScope scope = RestoreScope::Setting;
    FieldId field = FieldId::NumberOfCylinders;
    QString name; // "Fuel Table", "Max Rpm"
};

// The values of a table, curve or setting in which `now` differs from
// `snapshot`, with the snapshot's values: table cells as load and rpm index,
// curve points as slot, a setting as one value at index 0.
std::vector<FieldCell> valuesToRestore(FieldId field, const EcuSettings& now,
                                       const EcuSettings& snapshot);
