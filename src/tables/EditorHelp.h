// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tables/CurveDescription.h"
#include "tables/TableEditorDescription.h"
#include "tables/TableOperations.h"

#include <QString>

// The What's This lines of the table editors and the curve windows: what each
// grid, button and operand box does, with the limits that its entries and
// results keep, as the descriptions hold them.

// The buttons of a table editor.
enum class EditorButton : uint8_t {
    Add,
    Subtract,
    Multiply,
    Divide,
    Smooth,
    UnMark,
    Mark1,
    Mark2,
    Hits
};

QString tableGridHelp(const TableEditorDescription& description);
QString operandHelp(const TableEditorDescription& description, Operand operand);
QString editorButtonHelp(const TableEditorDescription& description, EditorButton button);

// A curve grid: what its values set, their unit and limits.
QString curveHelp(const CurveDescription& curve);
// The Smooth button of a curve window.
QString curveSmoothHelp();

// A curve window as a whole, for a click beside its grids.
enum class CurveWindowKind : uint8_t { Compensation, UserInputs, ChargeTime, Ego };
QString curveWindowHelp(CurveWindowKind kind);

// The limits a curve's typed value is held to, in shown units.
struct CurveLimits {
    double min = 0.0;
    double max = 0.0;
    const char* unit = "";
};
CurveLimits curveLimits(CurveConversion conversion);
