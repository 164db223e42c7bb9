// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/FieldHelp.h"

namespace {

using F = FieldId;

int offsetOf(FieldId id, FieldId first) {
    return static_cast<int>(id) - static_cast<int>(first);
}

// Limits that a window's own rule sets in place of the field table's; empty
// for a field chosen from a list, whose limits are its entries.
const char* ruleLimits(FieldId id) {
    switch (id) {
    case F::MaxRpm:
    case F::InjectionLoadIndex:
    case F::InjectionRpmIndex:
    case F::EgoMaxRpm:
    case F::EgoMinRpm:
    case F::EgoMaxLoad:
    case F::EgoMinLoad:
        return "";
    case F::TpsMaxBits:
        return "Limits: 0 to 5 V, and above the closed-throttle voltage.";
    case F::TpsMinBits:
        return "Limits: 0 to 5 V, and below the wide-open voltage.";
    case F::MapMaxBits:
        return "Limits: the range of the MAP sensor fitted, and above the minimum.";
    case F::MapMinBits:
        return "Limits: the range of the MAP sensor fitted, and below the maximum.";
    case F::LaunchControlRpm:
        return "Limits: 1000 rpm to the Max Rpm of the Engine page.";
    default:
        return nullptr;
    }
}

// What the field sets; a list's line also names its choices.
QString purpose(FieldId id) {
    const int crank = offsetOf(id, F::CrankPercent0);
    const int bank = offsetOf(id, F::BankCompensation2) + 2;
    const int output = offsetOf(id, F::UserOutputType0) % 4 + 1;
    const int analog = offsetOf(id, F::UserInputAnalogMode0) + 1;
    const int digital = offsetOf(id, F::UserInputDigitalMode0) + 1;
    switch (id) {
    // Engine page.
    case F::NumberOfCylinders:
        return QStringLiteral("The number of cylinders; a two-cylinder engine is set as 4. Eight "
                              "cylinders (or six, unless wasted spark is allowed there) need a "
                              "distributor.");
    case F::IgnitionType:
        return QStringLiteral("Wasted spark or distributor ignition.");
    case F::MaxRpm:
        return QStringLiteral("The top of the tables' rpm axis. A change closes the fuel, "
                              "ignition and EGO windows.");
    case F::LoadControl:
        return QStringLiteral("What the tables' load axis follows: manifold pressure (MAP) or "
                              "throttle position (TPS). A change closes the fuel, ignition and "
                              "EGO windows.");
    case F::WheelType:
        return QStringLiteral("The crank pickup wheel: 12-3 or 12-1.");
    case F::RevLimit:
        return QStringLiteral("The engine speed at which the ECU cuts the engine.");
    case F::MinOpenTime:
        return QStringLiteral("The shortest injector open time the ECU gives, in steps of "
                              "0.0625 ms.");
    case F::ChargeTime:
        return QStringLiteral("The ignition coil's charge time, in steps of 0.1 ms.");
    case F::InjectionLoadIndex:
        return QStringLiteral("Staged injection: the highest load of the tables' staged region, "
                              "which they highlight, or Off. A change closes the fuel and "
                              "ignition windows.");
    case F::InjectionRpmIndex:
        return QStringLiteral("Staged injection: the rpm up to which the ignition table's staged "
                              "region runs, or Off. A change closes the fuel and ignition "
                              "windows.");
    // Sensors page.
    case F::AirTempSensorType:
        return QStringLiteral("Whether an air temperature sensor is fitted.");
    case F::WaterTempSensorType:
        return QStringLiteral("Whether a water (coolant) temperature sensor is fitted.");
    case F::TpsSensorType:
        return QStringLiteral("Whether a throttle position sensor is fitted; with one, its "
                              "closed and wide-open voltages are set below.");
    case F::MapSensorType:
        return QStringLiteral("The MAP sensor fitted: none, or a one-, two- or three-atmosphere "
                              "sensor. A change closes the fuel and ignition windows.");
    case F::TpsMaxBits:
        return QStringLiteral("The throttle sensor's voltage at wide-open throttle.");
    case F::TpsMinBits:
        return QStringLiteral("The throttle sensor's voltage at closed throttle.");
    case F::MapMaxBits:
        return QStringLiteral("The pressure at the top of the tables' load axis, in psi. A change "
                              "offers to rescale the fuel and ignition tables.");
    case F::MapMinBits:
        return QStringLiteral("The pressure at the bottom of the tables' load axis, in psi. A "
                              "change offers to rescale the fuel and ignition tables.");
    // User Outputs and User Inputs pages.
    case F::UserOutputType0:
    case F::UserOutputType1:
    case F::UserOutputType2:
    case F::UserOutputType3:
        return QStringLiteral("What custom output %1 follows: air or water temperature, rpm, MAP "
                              "or throttle. A change sets both set points to the source's "
                              "defaults.")
            .arg(output);
    case F::UserOutputOn0:
    case F::UserOutputOn1:
    case F::UserOutputOn2:
    case F::UserOutputOn3:
    case F::UserOutputOff0:
    case F::UserOutputOff1:
    case F::UserOutputOff2:
    case F::UserOutputOff3:
        return QStringLiteral("Set point %1 of custom output %2, in the unit of its source. "
                              "Limits: -78 to 464 \u00b0F, whole hundreds of rpm up to Max Rpm, "
                              "the MAP sensor's range in psi, or 0 to 100 %; the two set points "
                              "must differ.")
            .arg(offsetOf(id, F::UserOutputOn0) < 4 ? 1 : 2)
            .arg(output);
    case F::UserInputAnalogMode0:
    case F::UserInputAnalogMode1:
    case F::UserInputAnalogMode2:
        return QStringLiteral("What analog input %1 does: nothing, trim the fuel in percent or "
                              "the ignition in degrees%2. A change sends the input's curve "
                              "again, refilled for the new mode; edit it under Tuning > User "
                              "Inputs.")
            .arg(analog)
            .arg(analog == 1
                     ? QStringLiteral(", or, where the list offers it, give the EGO targets")
                     : QString());
    case F::UserInputDigitalMode0:
    case F::UserInputDigitalMode1:
    case F::UserInputDigitalMode2:
        return QStringLiteral("What digital input %1 cuts while it is active: the fuel, the "
                              "ignition or the engine%2.")
            .arg(digital)
            .arg(digital == 1 ? QStringLiteral("; or it switches to the secondary rev limit")
                              : QString());
    case F::LaunchControlRpm:
        return QStringLiteral("The secondary rev limit, in force while digital input 1 is "
                              "active in its Secondary Rev Limit mode.");
    // Starting, acceleration, deceleration and cylinder compensation.
    case F::CrankPercent0:
    case F::CrankPercent1:
    case F::CrankPercent2:
    case F::CrankPercent3:
        return QStringLiteral("The cranking fuel at a water temperature of %1 \u00b0F, in percent "
                              "of the table's fuel; taken in steps of 2 %.")
            .arg(80 * crank);
    case F::CrankDuration:
        return QStringLiteral("How many revolutions the cranking fuel lasts; taken in steps of 4.");
    case F::CrankRpm:
        return QStringLiteral("Below this engine speed the engine counts as cranking.");
    case F::CrankPrimePulse:
        return QStringLiteral("One injector pulse given when cranking starts.");
    case F::AccelMinTps:
        return QStringLiteral("The throttle opening above which the acceleration fuel works.");
    case F::AccelMinTpsRate:
        return QStringLiteral("The throttle opening rate that starts the acceleration fuel; "
                              "taken in steps of 50 %/s.");
    case F::AccelPercent:
        return QStringLiteral("The most acceleration fuel, in percent of the table's fuel; taken "
                              "in steps of 2 %.");
    case F::AccelDuration:
        return QStringLiteral("How long the acceleration fuel lasts.");
    case F::AccelRpm:
        return QStringLiteral("Above this engine speed no acceleration fuel is given.");
    case F::DecelMinTps:
        return QStringLiteral("The throttle opening below which the fuel is cut on deceleration.");
    case F::DecelMaxRpm:
        return QStringLiteral("The engine speed limit of the deceleration fuel cut-off.");
    case F::DecelCutRpm:
        return QStringLiteral("The rpm difference of the deceleration fuel cut-off; taken in "
                              "steps of 10 rpm.");
    case F::BankCompensation2:
    case F::BankCompensation3:
    case F::BankCompensation4:
        return QStringLiteral("The fuel of cylinder bank %1 in percent of bank 1's.").arg(bank);
    // Closed-loop EGO.
    case F::EgoControl:
        return QStringLiteral("Switches the closed-loop fuel correction by the oxygen sensor on "
                              "or off.");
    case F::EgoGainP:
        return QStringLiteral("The proportional gain of the closed loop, in tenths.");
    case F::EgoGainI:
        return QStringLiteral("The integral gain of the closed loop, in tenths.");
    case F::EgoUpdateRevs:
        return QStringLiteral("How many revolutions pass between two corrections.");
    case F::EgoMinCoolantTemp:
        return QStringLiteral("Below this water temperature the loop stays open.");
    case F::EgoMaxRpm:
        return QStringLiteral("The highest engine speed at which the loop works.");
    case F::EgoMinRpm:
        return QStringLiteral("The lowest engine speed at which the loop works.");
    case F::EgoMaxLoad:
        return QStringLiteral("The highest load at which the loop works.");
    case F::EgoMinLoad:
        return QStringLiteral("The lowest load at which the loop works.");
    // Idle air control and the spare values.
    case F::IacType:
        return QStringLiteral("The idle air control valve fitted; with none the boxes cannot be "
                              "edited.");
    case F::IacColdRpm:
        return QStringLiteral("The idle speed the valve steers towards on a cold engine.");
    case F::IacHotRpm:
        return QStringLiteral("The idle speed the valve steers towards on a warm engine.");
    case F::IacTemp:
        return QStringLiteral("The water temperature from which the engine counts as warm.");
    case F::IacTravel:
        return QStringLiteral("The valve's total travel, in steps.");
    case F::IacColdPosition:
        return QStringLiteral("The valve position on a cold engine, in steps.");
    case F::IacHotPosition:
        return QStringLiteral("The valve position on a warm engine, in steps.");
    case F::UcExtra0:
    case F::UcExtra1:
    case F::UcExtra2:
    case F::UiExtra0:
    case F::UiExtra1:
    case F::UiExtra2:
        return QStringLiteral("A spare value of the ECU, sent when changed.");
    case F::UcExtra3:
    case F::UcExtra4:
    case F::UiExtra3:
    case F::UiExtra4:
        return QStringLiteral("A spare value kept in the program and the data file only: no "
                              "command sends it.");
    default:
        return {};
    }
}

QString number(double value) {
    return QString::number(value, 'g', 10);
}

} // namespace

QString fieldLimitsHelp(FieldId id) {
    const FieldDisplay& d = fieldRow(id).display;
    if (!d.hasLimits()) {
        return {};
    }
    const QString unit = QString::fromUtf8(d.unit);
    return QStringLiteral("Limits: %1 to %2%3.")
        .arg(number(d.min), number(d.max), unit.isEmpty() ? QString() : QLatin1Char(' ') + unit);
}

QString fieldHelp(FieldId id) {
    QString text = purpose(id);
    if (text.isEmpty()) {
        return text;
    }
    if (const char* rule = ruleLimits(id)) {
        if (*rule != '\0') {
            text += QLatin1Char(' ') + QString::fromUtf8(rule);
        }
    } else if (const QString limits = fieldLimitsHelp(id); !limits.isEmpty()) {
        text += QLatin1Char(' ') + limits;
    }
    return text;
}
