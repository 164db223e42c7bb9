// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/CurveDescription.h"

#include "record/FieldTable.h"
#include "record/LoadAxis.h"
#include "record/NumberFormat.h"
#include "record/Rounding.h"
#include "record/SettingCodes.h"
#include "tables/TableOperations.h"

#include <algorithm>

namespace {

constexpr int kCurvePoints = 17;
constexpr int kChargePoints = 8;

QStringList temperatureAxis() {
    QStringList axis;
    for (int i = 0; i < kCurvePoints; ++i) {
        axis << QString::number(-40 + 20 * i);
    }
    return axis;
}

QStringList voltageAxis() {
    QStringList axis;
    for (int i = 0; i < kCurvePoints; ++i) {
        axis << formatNumber(8.0 + 0.5 * i, QStringLiteral("###,##0.0"));
    }
    return axis;
}

// The run from `from` towards `to`, both ends included.
std::vector<int> run(int from, int to) {
    std::vector<int> points;
    const int step = to >= from ? 1 : -1;
    for (int p = from;; p += step) {
        points.push_back(p);
        if (p == to) {
            break;
        }
    }
    return points;
}

} // namespace

int64_t CurveDescription::rawFromTyped(double v) const {
    switch (conversion) {
    case CurveConversion::FuelPercent:
        return roundHalfEven(std::clamp(v, 0.0, 200.0));
    case CurveConversion::BatteryMs:
        return roundHalfEven(std::clamp(v, 0.0, 2.55) * 100.0);
    case CurveConversion::IgnitionHalves:
        return roundHalfEven(2.0 * std::clamp(v, -50.0, 50.0) + 128.0);
    case CurveConversion::ChargeTime:
    case CurveConversion::InputPercent:
        return roundHalfEven(std::clamp(v, 0.0, 255.0));
    case CurveConversion::InputDegrees:
        return roundHalfEven(std::clamp(v, -50.0, 50.0) + 128.0);
    case CurveConversion::EgoVolts:
        return std::clamp<int64_t>(roundHalfEven(std::clamp(v, 0.0, 5.0) * 255.0 / 5.0), 0, 255);
    }
    return 0;
}

QString CurveDescription::cellText(int64_t raw) const {
    switch (conversion) {
    case CurveConversion::BatteryMs:
        return formatNumber(static_cast<double>(raw) / 100.0, QStringLiteral("0.00"));
    case CurveConversion::IgnitionHalves:
        return formatNumber(static_cast<double>(raw - 128) / 2.0, QStringLiteral("0.0"));
    case CurveConversion::ChargeTime:
        return numberToText(raw);
    case CurveConversion::InputDegrees:
        return QString::number(raw - 128);
    case CurveConversion::EgoVolts:
        return formatNumber(static_cast<double>(raw) * 5.0 / 255.0, QStringLiteral("#0.00"));
    case CurveConversion::FuelPercent:
    case CurveConversion::InputPercent:
        break;
    }
    return QString::number(raw);
}

int64_t CurveDescription::stored(const EcuSettings& settings, int point) const {
    return fieldRow(field).get(settings, point, 0);
}

std::vector<CurveDescription> compensationCurves() {
    const QString temp = QStringLiteral("Temp");
    return {
        {FieldId::AirTempFuelComp, QStringLiteral("Air Temperature Compensation - Fuel"), temp,
         QStringLiteral("%"), temperatureAxis(), CurveConversion::FuelPercent},
        {FieldId::WaterTempFuelComp, QStringLiteral("Water Temperature Compensation - Fuel "), temp,
         QStringLiteral("%"), temperatureAxis(), CurveConversion::FuelPercent},
        {FieldId::BatteryVoltFuelComp, QStringLiteral("Battery Voltage Compensation - Fuel "),
         QStringLiteral("Volt"), QStringLiteral("ms"), voltageAxis(), CurveConversion::BatteryMs},
        {FieldId::AirTempIgnitionComp,
         QStringLiteral(
             "Air Temperature Compensation - Ignition  (Positive Degrees Advances Timing)"),
         temp, QStringLiteral("deg"), temperatureAxis(), CurveConversion::IgnitionHalves},
    };
}

CurveDescription chargeCurve(int64_t maxRpm, int rpmIndexMax) {
    QStringList axis;
    for (int c = 1; c <= kChargePoints; ++c) {
        const float rpm = static_cast<float>(maxRpm) / static_cast<float>(rpmIndexMax) *
                          static_cast<float>(2 * c - 1);
        axis << numberToText(rpm);
    }
    CurveDescription curve{FieldId::ChargeTimeTable, QString(), QStringLiteral("Rpm"),
                           QStringLiteral("ms*10"),  axis,      CurveConversion::ChargeTime,
                           CurveKeys::Charge};
    curve.sends = false;
    return curve;
}

bool inputCurveShown(AnalogInputMode mode) {
    return mode == AnalogInputMode::FuelPercent || mode == AnalogInputMode::IgnitionDegrees;
}

CurveDescription inputCurve(int input, AnalogInputMode mode) {
    static const QStringList modeTexts{
        QStringLiteral(" - Off"), QStringLiteral(" -  Fuel Percent  "),
        QStringLiteral(" -  Ignition Degrees  (Positive Degrees Advances Timing)"),
        QStringLiteral(" -  EGO ")};
    static const FieldId fields[] = {FieldId::UserInputAnalogTable0, FieldId::UserInputAnalogTable1,
                                     FieldId::UserInputAnalogTable2};
    QStringList axis;
    for (int k = 0; k < kCurvePoints; ++k) {
        axis << QLatin1Char(' ') + formatNumber(k * 5.0 / 16.0, QStringLiteral("###,##0.0"));
    }
    CurveDescription curve;
    curve.field = fields[input];
    curve.title =
        QStringLiteral("User Input #%1  ").arg(input + 1) +
        (mode >= AnalogInputMode::Off && mode <= AnalogInputMode::Ego ? modeTexts[toCode(mode)]
                                                                      : QString());
    curve.axisCaption = QStringLiteral("Volt");
    curve.unitCaption = mode == AnalogInputMode::FuelPercent       ? QStringLiteral("%")
                        : mode == AnalogInputMode::IgnitionDegrees ? QStringLiteral("Deg")
                                                                   : QString();
    curve.axis = axis;
    curve.conversion = mode == AnalogInputMode::IgnitionDegrees ? CurveConversion::InputDegrees
                                                                : CurveConversion::InputPercent;
    curve.keys = CurveKeys::UserInput;
    return curve;
}

CurveDescription egoSetpointCurve(const EcuSettings& settings) {
    constexpr int kShownPoints = 16;
    QStringList axis;
    for (int k = 0; k < kShownPoints; ++k) {
        // The header names a load in psi or percent; volts stay unlabelled.
        const std::optional<double> load = loadOfStep(settings, k);
        QString text;
        if (loadControl(settings) == LoadControl::Map) {
            text = formatNumber(*load, QStringLiteral("###,##0.0")) + QLatin1Char(' ');
        } else if (loadControl(settings) == LoadControl::Tps) {
            text = formatNumber(*load, QStringLiteral("##0.0")) + QLatin1Char(' ');
        }
        axis << text;
    }
    CurveDescription curve;
    curve.field = FieldId::UserInputAnalogTable0;
    curve.title = QStringLiteral("EGO Setpoint Array");
    curve.axisCaption = loadControl(settings) == LoadControl::Map   ? QStringLiteral("Map")
                        : loadControl(settings) == LoadControl::Tps ? QStringLiteral("Tps")
                                                                    : QString();
    curve.unitCaption = QStringLiteral("Volt");
    curve.axis = axis;
    curve.conversion = CurveConversion::EgoVolts;
    curve.keys = CurveKeys::Ego;
    return curve;
}

bool curveStartsEdit(CurveKeys keys, QChar key) {
    if (key.isDigit()) {
        return true;
    }
    switch (keys) {
    case CurveKeys::Compensation:
        return key == QLatin1Char('.') || key == QLatin1Char('-') || key == QLatin1Char(',');
    case CurveKeys::UserInput:
        return key == QLatin1Char('-') || key == QLatin1Char(',');
    case CurveKeys::Ego:
        return key == QLatin1Char('.');
    case CurveKeys::Charge:
        break;
    }
    return false;
}

bool curveAcceptsInEdit(CurveKeys keys, QChar key) {
    if (keys == CurveKeys::Charge) {
        return key.unicode() <= '9';
    }
    if (keys == CurveKeys::Ego) {
        return key.isDigit() || key == QLatin1Char('.');
    }
    return key.isDigit() || key == QLatin1Char('-') || key == QLatin1Char(',') ||
           key == QLatin1Char('.');
}

std::vector<FieldCell> curveEntry(const CurveDescription& curve, const EcuSettings& settings,
                                  int point, int pointSel, const QString& text) {
    const std::optional<double> value = typedNumber(text);
    if (!value) {
        return {};
    }
    const int64_t raw = curve.rawFromTyped(*value);
    std::vector<FieldCell> cells;
    for (const int p : run(point, pointSel)) {
        if (curve.stored(settings, p) != raw) {
            cells.push_back({p, 0, raw});
        }
    }
    return cells;
}

std::vector<FieldCell> curveSmooth(const CurveDescription& curve, const EcuSettings& settings,
                                   int point, int pointSel) {
    if (point == pointSel) {
        return {};
    }
    const auto a = static_cast<double>(curve.stored(settings, point));
    const auto b = static_cast<double>(curve.stored(settings, pointSel));
    std::vector<FieldCell> cells;
    for (const int p : run(point, pointSel)) {
        const int64_t raw =
            roundHalfEven(a + (b - a) * (p - point) / static_cast<double>(pointSel - point));
        if (curve.stored(settings, p) != raw) {
            cells.push_back({p, 0, raw});
        }
    }
    return cells;
}
