// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/AutotuneChoices.h"

#include "autotune/AutotuneFeed.h"
#include "record/SettingCodes.h"
#include "tables/TableOperations.h"

#include <cmath>
#include <iterator>

namespace {

constexpr double kSetpointVolts = 5.0 / 255.0;
constexpr double kMsPerSecond = 1000.0;

constexpr AutotuneFieldRow kRows[] = {
    {AutotuneField::Volts0, "Volts0Text", "First point", "V", 0.0, 5.0, 2,
     "The sensor's line, first point: these volts read as the AFR beside them. The default "
     "0 V = 10.0 and 5 V = 20.0 is the common output of a wideband controller."},
    {AutotuneField::Afr0, "Afr0Text", "=", "AFR", 1.0, 100.0, 2,
     "The air/fuel ratio the sensor's first point stands for."},
    {AutotuneField::Volts1, "Volts1Text", "Second point", "V", 0.0, 5.0, 2,
     "The sensor's line, second point: these volts read as the AFR beside them."},
    {AutotuneField::Afr1, "Afr1Text", "=", "AFR", 1.0, 100.0, 2,
     "The air/fuel ratio the sensor's second point stands for."},
    {AutotuneField::TargetAfr, "TargetAfrText", "", "AFR", 1.0, 100.0, 2,
     "The one air/fuel ratio every cell is tuned for, when One AFR is chosen."},
    {AutotuneField::MinWater, "MinWaterText", "Water below", "\u00B0F", -100.0, 500.0, 0,
     "Records with the water below this are left out: the warm-up enrichment makes a cold "
     "engine run rich on purpose."},
    {AutotuneField::MinRpm, "MinRpmText", "Rpm below", "rpm", 0.0, 20000.0, 0,
     "Records below this rpm are left out: the engine is not running."},
    {AutotuneField::MaxTpsRate, "MaxTpsRateText", "Throttle faster than", "%/s", 0.1, 1000.0, 1,
     "Records while the throttle moves faster than this are left out: acceleration "
     "enrichment and the fuel wetting the manifold upset the mixture."},
    {AutotuneField::ThrottleSettle, "ThrottleSettleText", "and for", "s after", 0.0, 10.0, 2,
     "How long after the throttle moved fast records are still left out."},
    {AutotuneField::FuelCutSettle, "FuelCutSettleText", "No injector time, and for", "s after", 0.0,
     10.0, 2,
     "Records of a fuel cut (no injector time) and this long after it are left out: the "
     "sensor reads air, and still does for a moment after the fuel comes back."},
    {AutotuneField::MinEgoVolts, "MinEgoVoltsText", "EGO volts outside", "V", 0.0, 5.0, 2,
     "Records whose EGO volts are below this are left out: a sensor still warming up, or "
     "reading beyond its range."},
    {AutotuneField::MaxEgoVolts, "MaxEgoVoltsText", "to", "V", 0.0, 5.0, 2,
     "Records whose EGO volts are above this are left out: a sensor reading beyond its "
     "range."},
    {AutotuneField::MinWeight, "MinWeightText", "Least weight", "", 0.0, 1e6, 1,
     "A cell whose records weigh less than this in all is left unchanged: a few records are "
     "no evidence. A record on a cell's breakpoint weighs 1 there."},
    {AutotuneField::FullWeight, "FullWeightText", "Full weight", "", 0.1, 1e6, 1,
     "From this weight on a cell takes the mean of its corrected values; below it the new "
     "value moves that share of the way from the old one."},
    {AutotuneField::MaxChange, "MaxChangeText", "Largest change", "%", 0.0, 100.0, 1,
     "No cell moves further than this from its value when the window opened, however often "
     "proposals are applied: a bad sensor or a wrong target cannot wreck the table."},
    {AutotuneField::LagLowRpm, "LagLowRpmText", "Lag at", "rpm", 0.0, 20000.0, 0,
     "The exhaust's way to the sensor: at this rpm and below, a reading shows the mixture "
     "burnt the time beside it earlier."},
    {AutotuneField::LagLowMs, "LagLowMsText", "is", "ms", 0.0, 2000.0, 0,
     "The sensor's lag at the low rpm point."},
    {AutotuneField::LagHighRpm, "LagHighRpmText", "falling to, at", "rpm", 0.0, 20000.0, 0,
     "At this rpm and above the lag is the time beside it; between the two points it falls "
     "evenly."},
    {AutotuneField::LagHighMs, "LagHighMsText", "", "ms", 0.0, 2000.0, 0,
     "The sensor's lag at the high rpm point."},
    {AutotuneField::AutoApplySeconds, "AutoApplyText", "Apply every", "s", 1.0, 3600.0, 0,
     "With the live source, applies the proposal this often by itself, each time as one "
     "undo step; the largest change still holds from the values the window started with."},
};

// A row's place in the table is its field's number.
static_assert([] {
    for (size_t i = 0; i < std::size(kRows); ++i) {
        if (static_cast<size_t>(kRows[i].field) != i) {
            return false;
        }
    }
    return std::size(kRows) == static_cast<size_t>(AutotuneField::AutoApplySeconds) + 1;
}());

} // namespace

AutotuneOptions AutotuneChoices::sessionOptions() const {
    AutotuneOptions session = options;
    session.targetAfr = oneTarget ? std::optional(targetAfr) : std::nullopt;
    return session;
}

AutotuneChoices defaultAutotuneChoices(const EcuSettings& settings) {
    AutotuneChoices choices;
    choices.egoInput = egoInput(settings, std::nullopt).value_or(0);
    return choices;
}

QString autotuneProblem(const EcuSettings& settings, const AutotuneChoices& choices) {
    if (loadControl(settings) < LoadControl::Map || loadControl(settings) > LoadControl::Volts) {
        return QStringLiteral("The load control gives the fuel table no load axis: choose MAP, "
                              "throttle or volts in Setup.");
    }
    const AnalogInputMode mode = analogInputMode(settings, choices.egoInput);
    if (mode == AnalogInputMode::FuelPercent || mode == AnalogInputMode::IgnitionDegrees) {
        return QStringLiteral("User input %1 scales %2, so its values are not the sensor's "
                              "volts: choose the input the sensor is on.")
            .arg(choices.egoInput + 1)
            .arg(mode == AnalogInputMode::FuelPercent ? QStringLiteral("fuel")
                                                      : QStringLiteral("ignition"));
    }
    if (!choices.oneTarget) {
        for (const int16_t setpoint : settings.UserInputAnalogTable[0]) {
            const double volts = setpoint * kSetpointVolts;
            if (!(choices.options.transfer.afr(volts) > 0.0)) {
                return QStringLiteral("The EGO setpoint %1 V gives no air/fuel ratio through "
                                      "the sensor's line: choose one AFR as the target.")
                    .arg(volts, 0, 'f', 2);
            }
        }
    }
    return {};
}

std::span<const AutotuneFieldRow> autotuneFieldRows() {
    return kRows;
}

const AutotuneFieldRow& autotuneFieldRow(AutotuneField field) {
    return kRows[static_cast<size_t>(field)];
}

double autotuneFieldValue(const AutotuneChoices& c, AutotuneField field) {
    const AutotuneOptions& o = c.options;
    switch (field) {
    case AutotuneField::Volts0:
        return o.transfer.volts0;
    case AutotuneField::Afr0:
        return o.transfer.afr0;
    case AutotuneField::Volts1:
        return o.transfer.volts1;
    case AutotuneField::Afr1:
        return o.transfer.afr1;
    case AutotuneField::TargetAfr:
        return c.targetAfr;
    case AutotuneField::MinWater:
        return o.filters.minWaterF;
    case AutotuneField::MinRpm:
        return o.filters.minRpm;
    case AutotuneField::MaxTpsRate:
        return o.filters.maxTpsPercentPerSecond;
    case AutotuneField::ThrottleSettle:
        return o.filters.throttleSettleMs / kMsPerSecond;
    case AutotuneField::FuelCutSettle:
        return o.filters.fuelCutSettleMs / kMsPerSecond;
    case AutotuneField::MinEgoVolts:
        return o.filters.minEgoVolts;
    case AutotuneField::MaxEgoVolts:
        return o.filters.maxEgoVolts;
    case AutotuneField::MinWeight:
        return o.minWeight;
    case AutotuneField::FullWeight:
        return o.fullWeight;
    case AutotuneField::MaxChange:
        return o.maxChangePercent;
    case AutotuneField::LagLowRpm:
        return o.lag.lowRpm;
    case AutotuneField::LagLowMs:
        return o.lag.lowRpmMs;
    case AutotuneField::LagHighRpm:
        return o.lag.highRpm;
    case AutotuneField::LagHighMs:
        return o.lag.highRpmMs;
    case AutotuneField::AutoApplySeconds:
        return c.autoApplySeconds;
    }
    return 0.0;
}

namespace {

void setFieldValue(AutotuneChoices& c, AutotuneField field, double value) {
    AutotuneOptions& o = c.options;
    switch (field) {
    case AutotuneField::Volts0:
        o.transfer.volts0 = value;
        break;
    case AutotuneField::Afr0:
        o.transfer.afr0 = value;
        break;
    case AutotuneField::Volts1:
        o.transfer.volts1 = value;
        break;
    case AutotuneField::Afr1:
        o.transfer.afr1 = value;
        break;
    case AutotuneField::TargetAfr:
        c.targetAfr = value;
        break;
    case AutotuneField::MinWater:
        o.filters.minWaterF = value;
        break;
    case AutotuneField::MinRpm:
        o.filters.minRpm = value;
        break;
    case AutotuneField::MaxTpsRate:
        o.filters.maxTpsPercentPerSecond = value;
        break;
    case AutotuneField::ThrottleSettle:
        o.filters.throttleSettleMs = value * kMsPerSecond;
        break;
    case AutotuneField::FuelCutSettle:
        o.filters.fuelCutSettleMs = value * kMsPerSecond;
        break;
    case AutotuneField::MinEgoVolts:
        o.filters.minEgoVolts = value;
        break;
    case AutotuneField::MaxEgoVolts:
        o.filters.maxEgoVolts = value;
        break;
    case AutotuneField::MinWeight:
        o.minWeight = value;
        break;
    case AutotuneField::FullWeight:
        o.fullWeight = value;
        break;
    case AutotuneField::MaxChange:
        o.maxChangePercent = value;
        break;
    case AutotuneField::LagLowRpm:
        o.lag.lowRpm = value;
        break;
    case AutotuneField::LagLowMs:
        o.lag.lowRpmMs = value;
        break;
    case AutotuneField::LagHighRpm:
        o.lag.highRpm = value;
        break;
    case AutotuneField::LagHighMs:
        o.lag.highRpmMs = value;
        break;
    case AutotuneField::AutoApplySeconds:
        c.autoApplySeconds = value;
        break;
    }
}

bool sensible(const AutotuneChoices& c) {
    const AutotuneOptions& o = c.options;
    return o.transfer.valid() && o.transfer.afr0 != o.transfer.afr1 &&
           o.filters.minEgoVolts < o.filters.maxEgoVolts && o.lag.lowRpm < o.lag.highRpm;
}

} // namespace

QString autotuneFieldText(const AutotuneChoices& choices, AutotuneField field) {
    const AutotuneFieldRow& row = autotuneFieldRow(field);
    return QString::number(autotuneFieldValue(choices, field), 'f', row.decimals);
}

bool enterAutotuneField(AutotuneChoices& choices, AutotuneField field, const QString& text) {
    const AutotuneFieldRow& row = autotuneFieldRow(field);
    const std::optional<double> typed = typedNumber(text);
    if (!typed || *typed < row.low || *typed > row.high) {
        return false;
    }
    const double scale = std::pow(10.0, row.decimals);
    AutotuneChoices changed = choices;
    setFieldValue(changed, field, std::round(*typed * scale) / scale);
    if (!sensible(changed)) {
        return false;
    }
    choices = changed;
    return true;
}
