// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/EditorHelp.h"

namespace {

QString number(double value) {
    return QString::number(value, 'g', 10);
}

QString unitOf(const TableEditorDescription& d) {
    return d.isIgnition ? QStringLiteral("degrees") : QStringLiteral("ms");
}

// "The cells stay within 0.0625 to 16 ms."
QString cellLimits(const TableEditorDescription& d) {
    return QStringLiteral("The cells stay within %1 to %2 %3.")
        .arg(number(d.shown(d.rawMin)), number(d.shown(d.rawMax)), unitOf(d));
}

QString emptyText(const TableEditorDescription& d, Operand operand, double value) {
    return operandText(d, operand, value).trimmed();
}

} // namespace

QString tableGridHelp(const TableEditorDescription& d) {
    return QStringLiteral("Type a number to set the selected cells; the value is sent to the ECU "
                          "when you leave the cell. Entries are held to %1 to %2 %3. Shift+arrow "
                          "keys or a drag select a block; right-click for undo, copy and paste.")
        .arg(number(d.shown(d.rawFromTyped(-1.0e6))), number(d.shown(d.rawFromTyped(1.0e6))),
             unitOf(d));
}

QString operandHelp(const TableEditorDescription& d, Operand operand) {
    if (operand == Operand::Amount) {
        const QString steps = d.isIgnition
                                  ? QString()
                                  : QStringLiteral(", taken in whole steps of 0.0625 ms (0.1 "
                                                   "becomes 0.1250)");
        return QStringLiteral("The %1 that Add and Subtract move each selected cell by%2. Left "
                              "empty it is %3; text that is not a number counts as 0. %4")
            .arg(d.isIgnition ? QStringLiteral("degrees") : QStringLiteral("milliseconds"), steps,
                 emptyText(d, operand, d.amountWhenEmpty), cellLimits(d));
    }
    return QStringLiteral("The factor that Multiply and Divide apply to each selected cell%1. "
                          "Left empty it is %2; text that is not a number counts as 1, and "
                          "Divide by 0 changes nothing. %3")
        .arg(d.isIgnition ? QString() : QStringLiteral(" (to its injector open time)"),
             emptyText(d, operand, d.factorWhenEmpty), cellLimits(d));
}

QString editorButtonHelp(const TableEditorDescription& d, EditorButton button) {
    const QString sent = QStringLiteral(" Every cell of the block is sent to the ECU. ");
    switch (button) {
    case EditorButton::Add:
        return QStringLiteral("Adds the amount above to every selected cell (Modify > Add, F5).") +
               sent + cellLimits(d);
    case EditorButton::Subtract:
        return QStringLiteral("Subtracts the amount above from every selected cell (Modify > "
                              "Subtract, F6).") +
               sent + cellLimits(d);
    case EditorButton::Multiply:
        return QStringLiteral("Multiplies every selected cell by the factor above (Modify > "
                              "Multiply, F7).") +
               sent + cellLimits(d);
    case EditorButton::Divide:
        return QStringLiteral("Divides every selected cell by the factor above (Modify > Divide, "
                              "F8).") +
               sent + cellLimits(d);
    case EditorButton::Smooth:
        return QStringLiteral("Sets the cells of the selected block on straight lines between "
                              "its four corner cells, which keep their values (Modify > Smooth, "
                              "F9).") +
               sent.trimmed();
    case EditorButton::UnMark:
        return QStringLiteral("Takes the marks off the selected cells. Marks only colour the "
                              "cells: the ECU never sees them.");
    case EditorButton::Mark1:
    case EditorButton::Mark2:
        return QStringLiteral("Colours the selected cells with mark %1, to find them again. Marks "
                              "are kept with the program's settings: the ECU never sees them.")
            .arg(button == EditorButton::Mark1 ? 1 : 2);
    case EditorButton::Hits:
        return QStringLiteral(
            "Shows the hits of the log open in the log review: each cell where records fell is "
            "shaded, the darker the more records. Its tool tip, and the line under the grid for "
            "the current cell, give the number of records and the mean there of the channel "
            "chosen under Hits Mean Of in the right-click menu; a cell with room enough (say in "
            "a maximised editor) shows both under its value. Only the records that pass the log "
            "review's filter count, each in the cell that would be its upper-left red cell. "
            "Ctrl+Shift+H switches the hits on and off.");
    }
    return {};
}

CurveLimits curveLimits(CurveConversion conversion) {
    switch (conversion) {
    case CurveConversion::FuelPercent:
        return {0.0, 200.0, "%"};
    case CurveConversion::BatteryMs:
        return {0.0, 2.55, "ms"};
    case CurveConversion::IgnitionHalves:
    case CurveConversion::InputDegrees:
        return {-50.0, 50.0, "degrees"};
    case CurveConversion::ChargeTime:
        return {0.0, 255.0, "tenths of a ms"};
    case CurveConversion::InputPercent:
        return {0.0, 255.0, "%"};
    case CurveConversion::EgoVolts:
        return {0.0, 5.0, "V"};
    }
    return {};
}

QString curveHelp(const CurveDescription& curve) {
    QString what;
    switch (curve.conversion) {
    case CurveConversion::FuelPercent:
        what = QStringLiteral("The fuel correction at each temperature, in percent.");
        break;
    case CurveConversion::BatteryMs:
        what = QStringLiteral("The injector time added at each battery voltage.");
        break;
    case CurveConversion::IgnitionHalves:
        what = QStringLiteral("The ignition correction at each air temperature, in half "
                              "degrees; positive degrees advance the timing.");
        break;
    case CurveConversion::ChargeTime:
        what = QStringLiteral("The coil charge time in each rpm band.");
        break;
    case CurveConversion::InputPercent:
        what = QStringLiteral("The fuel at each input voltage, in percent; 100 leaves it as the "
                              "tables give it.");
        break;
    case CurveConversion::InputDegrees:
        what = QStringLiteral("The ignition change at each input voltage, in whole degrees; "
                              "positive degrees advance the timing.");
        break;
    case CurveConversion::EgoVolts:
        what = QStringLiteral("The oxygen sensor voltage the closed loop steers towards at each "
                              "load.");
        break;
    }
    const CurveLimits limits = curveLimits(curve.conversion);
    const QString sent = curve.sends ? QStringLiteral("each changed point is sent to the ECU.")
                                     : QStringLiteral("the values are kept in the program only.");
    return what +
           QStringLiteral(" Type a number to set the selected points; %1 Limits: %2 to %3 %4.")
               .arg(sent, number(limits.min), number(limits.max), QString::fromUtf8(limits.unit));
}

QString curveWindowHelp(CurveWindowKind kind) {
    switch (kind) {
    case CurveWindowKind::Compensation:
        return QStringLiteral("The fuel corrections over air and water temperature and battery "
                              "voltage, and the ignition correction over air temperature. The "
                              "air and water curves show only while their sensor is fitted.");
    case CurveWindowKind::UserInputs:
        return QStringLiteral("The curves of the user inputs in the fuel and ignition modes; the "
                              "modes are chosen on the User Inputs page of Engine > Setup.");
    case CurveWindowKind::ChargeTime:
        return QStringLiteral("The coil charge times over rpm; they are kept in the program "
                              "only.");
    case CurveWindowKind::Ego:
        return QStringLiteral("The closed-loop fuel correction by the oxygen sensor: its switch, "
                              "gains, rpm and load window, and the target voltages by load (user "
                              "input 1's curve).");
    }
    return {};
}

QString curveSmoothHelp() {
    return QStringLiteral("Sets the points of the selected run on a straight line between its "
                          "two end points, in the grid last entered; each changed point is sent "
                          "to the ECU.");
}
