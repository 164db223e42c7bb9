// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/SensorCheck.h"

#include "comm/CommandTable.h"
#include "monitor/LiveSample.h"
#include "record/AppState.h"
#include "record/NumberFormat.h"
#include "record/SettingCodes.h"
#include "record/UserInteraction.h"

namespace {

SensorCheckDisplay::Row sensorRow(const char* caption, int bits, const QString& value) {
    return {QString::fromLatin1(caption), QString::number(bits), sensorVoltsText(bits), value};
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

SensorCheckDisplay composeSensorCheck(const EcuSettings& s, bool developerMode,
                                      const LiveSample& sample) {
    using C = LiveChannel;
    SensorCheckDisplay d;
    const auto row = [&sample](const char* caption, C channel, const char* pattern,
                               const char* unit) {
        return sensorRow(caption, sample.raw(channel),
                         formatNumber(sample.value(channel), QString::fromLatin1(pattern)) +
                             QString::fromLatin1(unit));
    };
    d.rows[0] = row("Map", C::Map, "###,##0.00", " psi");
    d.rows[1] = row("Tps", C::Tps, "###,##0.00", " %");
    d.rows[2] = row("Water", C::Water, "###,##0", " F");
    d.rows[3] = row("Air", C::Air, "###,##0", " F");
    d.rows[4] = row("Battery Volt", C::Battery, "###,##0.00", " Volt");
    constexpr C kUsers[] = {C::User1, C::User2, C::User3};
    for (int n = 0; n < EcuSettings::kUserInputs; ++n) {
        SensorCheckDisplay::Row& user = d.rows[5 + n];
        user.caption = QStringLiteral("User #%1").arg(n + 1);
        const AnalogInputMode mode = analogInputMode(s, n);
        if (mode == AnalogInputMode::Off) {
            continue;
        }
        const int bits = sample.raw(kUsers[n]);
        user.bits = QString::number(bits);
        user.volts = sensorVoltsText(bits) + QStringLiteral(" Volts");
        user.value = userValue(mode, sample.value(kUsers[n]));
    }
    // The rpm's bits are the low byte of the whole rpm.
    const float rpm = sample.value(C::Rpm);
    d.rows[8] =
        sensorRow("Rpm", static_cast<int>(rpm) % 256, formatNumber(rpm, QStringLiteral("###,##0")));

    if (developerMode) {
        for (int i = 0; i < SensorCheckDisplay::kExtras; ++i) {
            d.charExtra[i] = QString::number(s.UC_Extra[i]);
            d.intExtra[i] = QString::number(s.UI_Extra[i]);
        }
        const int injector = sample.raw(C::Fuel);
        d.injectorHigh = QString::number(injector / 256);
        d.injectorLow = QString::number(injector % 256);
        d.injectorTicks = formatNumber(injector, QStringLiteral("###,##0"));
        d.firingAngle = formatNumber(sample.raw(C::Ignition) / 2.0, QStringLiteral("#0.00"));
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
