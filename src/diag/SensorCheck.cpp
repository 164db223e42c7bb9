#include "diag/SensorCheck.h"

#include "comm/CommandTable.h"
#include "record/AppState.h"
#include "record/NumberFormat.h"
#include "record/SettingCodes.h"
#include "record/UserInteraction.h"

namespace {

SensorCheckDisplay::Row sensorRow(const char* caption, const EngineChannel& channel,
                                  const QString& value) {
    return {QString::fromLatin1(caption), QString::number(channel.RawLow),
            sensorVoltsText(channel.RawLow), value};
}

QString userValue(AnalogInputMode mode, float value) {
    switch (mode) {
    case AnalogInputMode::FuelPercent:
        return formatNumber(value, QStringLiteral("###,##0")) + QStringLiteral(" %");
    case AnalogInputMode::IgnitionDegrees:
        return formatNumber(value, QStringLiteral("###,##0")) + QStringLiteral(" Deg");
    case AnalogInputMode::Ego:
        return formatNumber(value, QStringLiteral("#0.00")) + QStringLiteral(" EGO");
    default:
        return {};
    }
}

} // namespace

QString sensorVoltsText(int bits) {
    return formatNumber(bits * 5.0 / 255.0, QStringLiteral("#0.00"));
}

SensorCheckDisplay composeSensorCheck(const AppState& state) {
    const EngineData& e = state.engine;
    const EcuSettings& s = state.settings;
    SensorCheckDisplay d;
    const auto value = [](float v, const char* pattern, const char* unit) {
        return formatNumber(v, QString::fromLatin1(pattern)) + QString::fromLatin1(unit);
    };
    d.rows[0] = sensorRow("Map", e.MapChannel, value(e.MapChannel.Value, "###,##0.00", " psi"));
    d.rows[1] = sensorRow("Tps", e.TpsChannel, value(e.TpsChannel.Value, "###,##0.00", " %"));
    d.rows[2] = sensorRow("Water", e.WaterChannel, value(e.WaterChannel.Value, "###,##0", " F"));
    d.rows[3] = sensorRow("Air", e.AirChannel, value(e.AirChannel.Value, "###,##0", " F"));
    d.rows[4] = sensorRow("Battery Volt", e.BatteryChannel,
                          value(e.BatteryChannel.Value, "###,##0.00", " Volt"));
    for (int n = 0; n < EcuSettings::kUserInputs; ++n) {
        SensorCheckDisplay::Row& row = d.rows[5 + n];
        row.caption = QStringLiteral("User #%1").arg(n + 1);
        const AnalogInputMode mode = analogInputMode(s, n);
        if (mode == AnalogInputMode::Off) {
            continue;
        }
        const EngineChannel& channel = e.UserChannel[n];
        row.bits = QString::number(channel.RawLow);
        row.volts = sensorVoltsText(channel.RawLow) + QStringLiteral(" Volts");
        row.value = userValue(mode, channel.Value);
    }
    d.rows[8] = sensorRow("Rpm", e.RpmChannel, value(e.RpmChannel.Value, "###,##0", ""));

    if (state.DeveloperMode) {
        for (int i = 0; i < SensorCheckDisplay::kExtras; ++i) {
            d.charExtra[i] = QString::number(s.UC_Extra[i]);
            d.intExtra[i] = QString::number(s.UI_Extra[i]);
        }
        d.injectorHigh = QString::number(e.InjectorChannel.RawHigh);
        d.injectorLow = QString::number(e.InjectorChannel.RawLow);
        d.injectorTicks = formatNumber(e.InjectorChannel.raw16(), QStringLiteral("###,##0"));
        d.firingAngle = formatNumber(e.AdvanceChannel.RawLow / 2.0, QStringLiteral("#0.00"));
    }
    return d;
}

bool fireOutput(AppState& state, UserInteraction& ui, const CommandSender& send, int output) {
    if (!state.EcuOnline) {
        ui.message(QStringLiteral("The ECU is offline: no output can be tested."),
                   UserInteraction::Icon::Information);
        return false;
    }
    state.OutputTestPort = static_cast<int16_t>(output);
    send(actionCommandCode(CommandAction::OutputTest), 0, 0);
    state.OutputTestPort = 0;
    return true;
}

bool stopEngine(AppState& state, UserInteraction& ui, const CommandSender& send) {
    if (!state.EcuOnline) {
        ui.message(QStringLiteral("The ECU is offline: the engine cannot be stopped."),
                   UserInteraction::Icon::Information);
        return false;
    }
    send(actionCommandCode(CommandAction::StopEngine), 0, 0);
    return true;
}
