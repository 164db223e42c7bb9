// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/HitRule.h"

#include "record/LoadPercent.h"
#include "record/SensorConversions.h"
#include "record/SettingCodes.h"
#include "tables/OperatingHighlight.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double kSteps = 15.0;
constexpr double kPercentStep = 7.0;
constexpr double kCountStep = 17.0;
constexpr double kTopPercent = 105.0;

} // namespace

std::optional<RecordLoad> recordLoad(const EcuSettings& s, double mapPsi, double tpsPercent) {
    const int count =
        std::isfinite(mapPsi) ? psiToMapCounts(s.MapSensorType, static_cast<float>(mapPsi)) : 0;
    RecordLoad load;
    load.mapCount = count;
    switch (loadControl(s)) {
    case LoadControl::Map:
        load.value = mapPercent(s, count);
        load.beyondAxis = count < s.MapMinBits || count > s.MapMaxBits;
        return load;
    case LoadControl::Tps:
        load.value = std::clamp(tpsPercent, 0.0, kTopPercent);
        load.beyondAxis = tpsPercent > kTopPercent;
        return load;
    case LoadControl::Volts:
        load.value = count;
        return load;
    default:
        return std::nullopt;
    }
}

std::optional<GridPoint> loggedGridPoint(const EcuSettings& s, const LoggedPoint& p) {
    const double loadSource = loadControl(s) == LoadControl::Tps ? p.tpsPercent : p.mapPsi;
    if (std::isnan(p.rpm) || std::isnan(loadSource)) {
        return std::nullopt;
    }
    const std::optional<RecordLoad> load = recordLoad(s, p.mapPsi, p.tpsPercent);
    return GridPoint{p.rpm, load ? load->value : 0.0};
}

std::optional<GridCell> loggedCell(const EcuSettings& s, const LoggedPoint& p) {
    const std::optional<GridPoint> point = loggedGridPoint(s, p);
    if (!point) {
        return std::nullopt;
    }
    const OperatingHighlight h = operatingHighlightAt(s, point->rpm, point->load);
    return GridCell{h.row, h.column};
}

bool movesRecords(const SettingsChange& change) {
    return change.wholeRecord ||
           std::ranges::any_of(std::array{FieldId::MaxRpm, FieldId::LoadControl,
                                          FieldId::MapSensorType, FieldId::MapMinBits,
                                          FieldId::MapMaxBits},
                               [&change](FieldId id) { return change.field == id; });
}

TablePoint tablePoint(const EcuSettings& s, double rpm, const RecordLoad& load) {
    TablePoint p;
    if (s.MaxRpm > 0) {
        p.rpmStep = rpm * kSteps / s.MaxRpm;
    }
    p.loadStep = load.value / (loadControl(s) == LoadControl::Volts ? kCountStep : kPercentStep);
    p.outside = load.beyondAxis || p.rpmStep > kSteps || s.MaxRpm <= 0;
    p.rpmStep = std::clamp(p.rpmStep, 0.0, kSteps);
    p.loadStep = std::clamp(p.loadStep, 0.0, kSteps);
    return p;
}
