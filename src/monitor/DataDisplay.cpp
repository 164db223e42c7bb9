#include "monitor/DataDisplay.h"

#include "monitor/LiveSample.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"
#include "record/NumberFormat.h"

namespace {
const QString kDegree = QString(QChar(176));

QString userValueText(int mode, float value) {
    switch (mode) {
    case 0:
        return formatNumber(value, QStringLiteral("#0.00 V"));
    case 1:
        return formatNumber(value / 100.0f, QStringLiteral("##0 %"));
    case 2:
        return formatNumber(value, QStringLiteral("##0 ")) + kDegree;
    case 3:
        return formatNumber(value, QStringLiteral("#0.0 V"));
    default:
        return {};
    }
}

QString temperatureText(int sensorType, float degrees) {
    if (sensorType == 0) {
        return {};
    }
    return formatNumber(degrees, QStringLiteral("###,#0 ")) + kDegree + QStringLiteral("F");
}
} // namespace

QString userInputModeSuffix(int analogMode) {
    switch (analogMode) {
    case 0:
        return QStringLiteral(" Off");
    case 1:
        return QStringLiteral(" Fuel");
    case 2:
        return QStringLiteral(" Ign");
    case 3:
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
        s.MapSensorType != 0 ? formatNumber(value(C::Map), QStringLiteral("###,##0.0 psi"))
                             : QString());
    add(layout.WaterChannel, {}, temperatureText(s.WaterTempSensorType, value(C::Water)));
    add(layout.AirChannel, {}, temperatureText(s.AirTempSensorType, value(C::Air)));
    add(layout.TpsChannel, {},
        s.TpsSensorType != 0 ? formatNumber(value(C::Tps) / 100.0f, QStringLiteral("###0 %"))
                             : QString());
    add(layout.BatteryChannel, {}, formatNumber(value(C::Battery), QStringLiteral("###,##0.0 V")));
    add(layout.FuelChannel, {}, formatNumber(value(C::Fuel), QStringLiteral("##0.00 ms")));
    add(layout.IgnitionChannel, {},
        formatNumber(value(C::Ignition), QStringLiteral("##0.0 ")) + kDegree);
    add(layout.DutyChannel, {}, formatNumber(value(C::Duty) / 100.0f, QStringLiteral("###,##0 %")));
    constexpr C kUsers[] = {C::User1, C::User2, C::User3};
    for (int n = 0; n < 3; ++n) {
        const int mode = s.UserInputAnalogMode[n];
        add(layout.UserChannel[n], userInputModeSuffix(mode),
            userValueText(mode, value(kUsers[n])));
    }

    d.waterShade = waterShade(value(C::Water));
    d.waterRow = layout.WaterChannel.Row;
    d.waterColumn = layout.WaterChannel.Column;
    return d;
}
