// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "tables/OperatingHighlight.h"
#include "tables/TableOperations.h"

#include <limits>
#include <optional>

// Where a logged record lies on the fuel and ignition tables, by the
// settings now loaded. A log keeps MAP in psi and the throttle in per cent,
// so the load of a record is rebuilt from them:
//   LoadControl 1: the MAP count whose psi is nearest the logged value, as
//                  MAP per cent of the span MapMinBits..MapMaxBits;
//   LoadControl 2: the throttle per cent;
//   LoadControl 3: that MAP count.
struct RecordLoad {
    double value = 0.0; // in the unit of the load control, as the editor uses it
    double mapCount = 0.0;
    // The MAP count lies outside MapMinBits..MapMaxBits (LoadControl 1), or
    // the throttle above 105 per cent (2): the load is held at the axis' end.
    bool beyondAxis = false;
};
// Nothing for a load control other than 1, 2 and 3.
std::optional<RecordLoad> recordLoad(const EcuSettings& settings, double mapPsi, double tpsPercent);

// The values of a logged record that place it on the tables; NaN where the
// record has none.
struct LoggedPoint {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

    double rpm = kNone;
    double mapPsi = kNone;
    double tpsPercent = kNone;
};
// The operating point of a logged record, as the editors place the live one:
// the load of recordLoad (0 for a load control without a load axis). None
// when the record lacks its rpm or the value its load comes from (the
// throttle under LoadControl 2, MAP otherwise).
std::optional<GridPoint> loggedGridPoint(const EcuSettings& settings, const LoggedPoint& point);
// The cell a record falls in: the cell that the editors paint as the
// upper-left red cell for it (grid numbers 1..16, row 1 the highest load);
// none as above.
std::optional<GridCell> loggedCell(const EcuSettings& settings, const LoggedPoint& point);
// Whether a change of the settings can move records to other cells: a whole
// record, MaxRpm, LoadControl, the MAP sensor or its span.
bool movesRecords(const SettingsChange& change);

// An rpm and a load as a point on the tables' axes, in breakpoint steps
// 0..15: rpm by MaxRpm / 15 a column from 0 rpm, load by a row's step from
// the lowest load (7 per cent under LoadControl 1 and 2, 17 counts under 3).
// Table row index = 15 - loadStep.
struct TablePoint {
    double rpmStep = 0.0;
    double loadStep = 0.0;
    // Above MaxRpm, or a load beyond the axis: the point is held at the edge.
    bool outside = false;
};
TablePoint tablePoint(const EcuSettings& settings, double rpm, const RecordLoad& load);
