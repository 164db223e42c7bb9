// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableEditorDescription.h"

#include "record/Limits.h"
#include "record/NumberFormat.h"
#include "record/Rounding.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFuelStepMs = 0.0625;
// An amount (ms or degrees) that moves any cell a table can hold past either
// end of its raw range; a larger one acts the same and is held to it, so that
// the arithmetic never meets an infinity.
constexpr double kAmountLimit = 65536.0;

TableEditorDescription makeFuel() {
    TableEditorDescription d;
    d.isIgnition = false;
    d.field = FieldId::FuelTable;
    d.windowCode = 1;
    d.rawMin = 0;
    d.rawMax = 255;
    d.caption = QStringLiteral("Fuel Table  -  Injector Open Time per Revolution (ms) of Bank #1");
    d.amountDefault = 0.0625;
    d.amountWhenEmpty = 0.0625;
    d.amountPattern = QStringLiteral("  ##0.0000");
    d.factorDefault = 1.1;
    d.factorWhenEmpty = 1.1;
    d.factorPattern = QStringLiteral("  ##0.00");
    d.table = &EcuSettings::FuelTable;
    return d;
}

TableEditorDescription makeIgnition() {
    TableEditorDescription d;
    d.isIgnition = true;
    d.field = FieldId::IgnitionTable;
    d.windowCode = 9;
    d.rawMin = 10;
    d.rawMax = 100;
    d.caption = QStringLiteral("Ignition Table  -  Degrees Before Top Dead Center");
    d.amountDefault = 0.5;
    d.amountWhenEmpty = 1.0;
    d.amountPattern = QStringLiteral("  ##0.00");
    d.factorDefault = 1.1;
    d.factorWhenEmpty = 1.1;
    d.factorPattern = QStringLiteral("  ##0.00");
    d.table = &EcuSettings::IgnitionTable;
    return d;
}

} // namespace

double TableEditorDescription::shown(int64_t raw) const {
    return isIgnition ? static_cast<double>(raw) / 2.0 : static_cast<double>(raw + 1) * kFuelStepMs;
}

QString TableEditorDescription::cellText(int64_t raw) const {
    if (isIgnition) {
        return QLatin1Char(' ') + formatNumber(shown(raw), QStringLiteral("###,##0.0"));
    }
    return formatNumber(static_cast<float>(shown(raw)), QStringLiteral("##.000"));
}

int64_t TableEditorDescription::rawFromTyped(double value) const {
    if (isIgnition) {
        const double degrees = std::isnan(value) ? 5.0 : std::clamp(value, 5.0, 50.0);
        return std::clamp(roundHalfEven(degrees * 2.0), rawMin, rawMax);
    }
    const float ms = checkMaxMin(0.0f, 1000.0f, static_cast<float>(value));
    return std::clamp(roundHalfEven(ms / kFuelStepMs - 1.0), rawMin, rawMax);
}

double TableEditorDescription::amountInRaw(double amount) const {
    const double held = std::clamp(amount, -kAmountLimit, kAmountLimit);
    return isIgnition ? 2.0 * held : held / kFuelStepMs;
}

bool TableEditorDescription::inHighlightedRegion(int gridRow, int gridColumn,
                                                 const EcuSettings& settings,
                                                 const AppState& state) const {
    if (gridRow <= settings.InjectionLoadIndex) {
        return false;
    }
    return isIgnition ? gridColumn <= settings.InjectionRpmIndex : state.CodeSectionFlags[1];
}

RgbColour TableEditorDescription::markColour(uint8_t mark, bool highlighted) const {
    switch (mark) {
    case 0:
        return highlighted ? RgbColour{255, 255, 128} : RgbColour{0, 255, 255};
    case 1:
        return highlighted ? RgbColour{192, 192, 0} : RgbColour{0, 192, 192};
    case 2:
        return highlighted ? RgbColour{128, 128, 0} : RgbColour{0, 128, 128};
    default:
        return {};
    }
}

const TableEditorDescription& fuelEditor() {
    static const TableEditorDescription d = makeFuel();
    return d;
}

const TableEditorDescription& ignitionEditor() {
    static const TableEditorDescription d = makeIgnition();
    return d;
}
