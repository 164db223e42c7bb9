#include "monitor/DataDisplay.h"

#include "record/AppState.h"
#include "record/NumberFormat.h"
#include "record/SettingCodes.h"

namespace {
const QString kDegree = QString(QChar(176));

QString userValueText(AnalogInputMode mode, float value) {
    switch (mode) {
    case AnalogInputMode::Off:
        return formatNumber(value, QStringLiteral("#0.00 V"));
    case AnalogInputMode::FuelPercent:
        return formatNumber(value / 100.0f, QStringLiteral("##0 %"));
    case AnalogInputMode::IgnitionDegrees:
        return formatNumber(value, QStringLiteral("##0 ")) + kDegree;
    case AnalogInputMode::Ego:
        return formatNumber(value, QStringLiteral("#0.0 V"));
    default:
        return {};
    }
}

QString temperatureText(SensorFitted sensor, float degrees) {
    if (sensor == SensorFitted::None) {
        return {};
    }
    return formatNumber(degrees, QStringLiteral("###,#0 ")) + kDegree + QStringLiteral("F");
}
} // namespace

QString userInputModeSuffix(AnalogInputMode analogMode) {
    switch (analogMode) {
    case AnalogInputMode::Off:
        return QStringLiteral(" Off");
    case AnalogInputMode::FuelPercent:
        return QStringLiteral(" Fuel");
    case AnalogInputMode::IgnitionDegrees:
        return QStringLiteral(" Ign");
    case AnalogInputMode::Ego:
        return QStringLiteral(" EGO");
    default:
        return {};
    }
}

DataDisplay::WaterShade waterShade(float degreesF) {
    if (degreesF >= 230.0f) {
        return DataDisplay::WaterShade::Overheated;
    }
    if (degreesF >= 210.0f) {
        return DataDisplay::WaterShade::Hot;
    }
    return DataDisplay::WaterShade::Normal;
}

DataDisplay composeDataDisplay(const AppState& state) {
    const EngineData& e = state.engine;
    const EcuSettings& s = state.settings;
    DataDisplay d;
    int next = 0;
    auto add = [&d, &next](const EngineChannel& channel, const QString& suffix,
                           const QString& value) {
        d.names[next] = {channel.Row, channel.Column - 1, channel.Name + suffix};
        d.values[next] = {channel.Row, channel.Column, value};
        ++next;
    };

    add(e.RpmChannel, {}, formatNumber(e.RpmChannel.Value, QStringLiteral("####0")));
    add(e.MapChannel, {},
        mapSensor(s) != MapSensor::None
            ? formatNumber(e.MapChannel.Value, QStringLiteral("###,##0.0 psi"))
            : QString());
    add(e.WaterChannel, {}, temperatureText(waterTempSensor(s), e.WaterChannel.Value));
    add(e.AirChannel, {}, temperatureText(airTempSensor(s), e.AirChannel.Value));
    add(e.TpsChannel, {},
        tpsSensor(s) != SensorFitted::None
            ? formatNumber(e.TpsChannel.Value / 100.0f, QStringLiteral("###0 %"))
            : QString());
    add(e.BatteryChannel, {}, formatNumber(e.BatteryChannel.Value, QStringLiteral("###,##0.0 V")));
    add(e.FuelChannel, {}, formatNumber(e.FuelChannel.Value, QStringLiteral("##0.00 ms")));
    add(e.IgnitionChannel, {},
        formatNumber(e.IgnitionChannel.Value, QStringLiteral("##0.0 ")) + kDegree);
    add(e.DutyChannel, {}, formatNumber(e.DutyChannel.Value / 100.0f, QStringLiteral("###,##0 %")));
    for (int n = 0; n < 3; ++n) {
        const AnalogInputMode mode = analogInputMode(s, n);
        add(e.UserChannel[n], userInputModeSuffix(mode),
            userValueText(mode, e.UserChannel[n].Value));
    }

    d.waterShade = waterShade(e.WaterChannel.Value);
    d.waterRow = e.WaterChannel.Row;
    d.waterColumn = e.WaterChannel.Column;
    return d;
}
