// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/DataDisplay.h"

#include "monitor/LiveSample.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"
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

DataDisplay composeDataDisplay(const EcuSettings& s, const LiveSample& sample) {
    // The names and grid places of the channels.
    static const EngineData layout = EngineData::withChannelLayout();
    using C = LiveChannel;
    DataDisplay d;
    int next = 0;
    auto add = [&d, &next](const EngineChannel& channel, const QString& suffix,
                           const QString& value) {
        d.names[next] = {channel.Row, channel.Column - 1, channel.Name + suffix};
        d.values[next] = {channel.Row, channel.Column, value};
        ++next;
    };
    auto value = [&sample](C channel) { return sample.value(channel); };

    add(layout.RpmChannel, {}, formatNumber(value(C::Rpm), QStringLiteral("####0")));
    add(layout.MapChannel, {},
        mapSensor(s) != MapSensor::None
            ? formatNumber(value(C::Map), QStringLiteral("###,##0.0 psi"))
            : QString());
    add(layout.WaterChannel, {}, temperatureText(waterTempSensor(s), value(C::Water)));
    add(layout.AirChannel, {}, temperatureText(airTempSensor(s), value(C::Air)));
    add(layout.TpsChannel, {},
        tpsSensor(s) != SensorFitted::None
            ? formatNumber(value(C::Tps) / 100.0f, QStringLiteral("###0 %"))
            : QString());
    add(layout.BatteryChannel, {}, formatNumber(value(C::Battery), QStringLiteral("###,##0.0 V")));
    add(layout.FuelChannel, {}, formatNumber(value(C::Fuel), QStringLiteral("##0.00 ms")));
    add(layout.IgnitionChannel, {},
        formatNumber(value(C::Ignition), QStringLiteral("##0.0 ")) + kDegree);
    add(layout.DutyChannel, {}, formatNumber(value(C::Duty) / 100.0f, QStringLiteral("###,##0 %")));
    constexpr C kUsers[] = {C::User1, C::User2, C::User3};
    for (int n = 0; n < 3; ++n) {
        const AnalogInputMode mode = analogInputMode(s, n);
        add(layout.UserChannel[n], userInputModeSuffix(mode),
            userValueText(mode, value(kUsers[n])));
    }

    d.waterShade = waterShade(value(C::Water));
    d.waterRow = layout.WaterChannel.Row;
    d.waterColumn = layout.WaterChannel.Column;
    return d;
}
