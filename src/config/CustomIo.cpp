// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CustomIo.h"

#include "record/Limits.h"
#include "record/NumberFormat.h"
#include "record/Rounding.h"
#include "record/SensorConversions.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"

#include <QRegularExpression>

namespace {

FieldId offset(FieldId first, int n) {
    return static_cast<FieldId>(static_cast<int>(first) + n);
}

// 2.25 V on the EGO scale (0..5 V in 0..255 counts), the middle of the
// sensor's swing.
constexpr int kEgoMidCount = 115;

struct SetPoints {
    int64_t on = 0;
    int64_t off = 0;
};

SetPoints defaults(const EcuSettings& s, int type) {
    switch (static_cast<OutputSource>(type)) {
    case OutputSource::AirTemp:
        return {degreesToTempCounts(100.0f), degreesToTempCounts(90.0f)};
    case OutputSource::WaterTemp:
        return {degreesToTempCounts(180.0f), degreesToTempCounts(170.0f)};
    case OutputSource::Rpm:
        return {roundHalfEven(s.MaxRpm / 100.0), roundHalfEven(s.MaxRpm / 100.0 * 0.9)};
    case OutputSource::Map:
        return {psiToMapCounts(s.MapSensorType, 10.0f), psiToMapCounts(s.MapSensorType, 0.0f)};
    case OutputSource::Tps:
        return {100, 90};
    case OutputSource::Off:
        break;
    }
    return {};
}

// The leading number of a text, as a text box's value is read: 0 when the
// text does not start with one.
double leadingNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*[+-]?(\d+([.,]\d*)?|[.,]\d+)([eE][+-]?\d+)?)"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch()) {
        return 0.0;
    }
    return m.captured(0).trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
}

float clampTo(double min, double max, double value) {
    return checkMaxMin(static_cast<float>(min), static_cast<float>(max), static_cast<float>(value));
}

} // namespace

FieldId outputTypeField(int output) {
    return offset(FieldId::UserOutputType0, output);
}
FieldId outputSetPointField(int output, bool second) {
    return offset(second ? FieldId::UserOutputOff0 : FieldId::UserOutputOn0, output);
}
FieldId analogModeField(int input) {
    return offset(FieldId::UserInputAnalogMode0, input);
}
FieldId analogTableField(int input) {
    return offset(FieldId::UserInputAnalogTable0, input);
}
FieldId digitalModeField(int input) {
    return offset(FieldId::UserInputDigitalMode0, input);
}

QStringList outputSourceEntries() {
    const QString deg = QString(QChar(176)) + QStringLiteral("F)");
    return {QStringLiteral("Off"),
            QStringLiteral("Air Temp (") + deg,
            QStringLiteral("Water Temp (") + deg,
            QStringLiteral("Rpm"),
            QStringLiteral("Map (psi)"),
            QStringLiteral("Tps (%)")};
}

QStringList analogModeEntries(int input, bool egoOffered) {
    QStringList entries{QStringLiteral("Off"), QStringLiteral("Fuel Percent"),
                        QStringLiteral("Ignition Degrees")};
    if (input == 0 && egoOffered) {
        entries << QStringLiteral("EGO");
    }
    return entries;
}

QStringList digitalModeEntries(int input) {
    QStringList entries{QStringLiteral("Off"), QStringLiteral("Cut Fuel"),
                        QStringLiteral("Cut Ignition"), QStringLiteral("Cut Engine")};
    if (input == 0) {
        entries << QStringLiteral("Secondary Rev Limit");
    }
    return entries;
}

QString setPointText(const EcuSettings& s, int type, int64_t raw) {
    const int byte = static_cast<int>(raw & 0xFF);
    switch (static_cast<OutputSource>(type)) {
    case OutputSource::AirTemp:
    case OutputSource::WaterTemp:
        return formatNumber(roundHalfEven(tempCountsToDegrees(byte)), QStringLiteral("###0"));
    case OutputSource::Rpm:
        return formatNumber(raw * 100, QStringLiteral("#####"));
    case OutputSource::Map:
        return formatNumber(mapCountsToPsi(s.MapSensorType, byte), QStringLiteral("##0.0"));
    case OutputSource::Tps:
        return formatNumber(raw, QStringLiteral("###0"));
    case OutputSource::Off:
        break;
    }
    return {};
}

std::optional<int64_t> setPointCount(const EcuSettings& s, int type, const QString& typed) {
    if (typed.trimmed().isEmpty()) {
        return std::nullopt;
    }
    const double typedNumber = leadingNumber(typed);
    const double v = static_cast<double>(roundHalfEven(clampTo(-100, 16500, typedNumber)));
    switch (static_cast<OutputSource>(type)) {
    case OutputSource::AirTemp:
    case OutputSource::WaterTemp:
        return degreesToTempCounts(static_cast<float>(roundHalfEven(clampTo(-78, 464, v))));
    case OutputSource::Rpm: {
        const double hundreds = static_cast<double>(roundHalfEven(v / 100.0)) * 100.0;
        return roundHalfEven(roundHalfEven(clampTo(0, s.MaxRpm, hundreds)) / 100.0);
    }
    case OutputSource::Map:
        return psiToMapCounts(s.MapSensorType, static_cast<float>(typedNumber));
    case OutputSource::Tps:
        return roundHalfEven(clampTo(0, 100, v));
    case OutputSource::Off:
        break;
    }
    return std::nullopt;
}

bool commitSetPoint(SettingsStore& store, int output, bool second, const QString& shown,
                    const QString& typed) {
    if (typed == shown) {
        return false;
    }
    const EcuSettings& s = store.settings();
    const int type = static_cast<int>(store.value(outputTypeField(output)));
    const std::optional<int64_t> count = setPointCount(s, type, typed);
    if (!count) {
        return false;
    }
    const int64_t other = store.value(outputSetPointField(output, !second));
    if (setPointText(s, type, *count) == setPointText(s, type, other)) {
        return false;
    }
    return store.setValue(outputSetPointField(output, second), *count);
}

bool changeOutputSource(SettingsStore& store, UserInteraction& ui, int output, int type) {
    if (type < 0 || type > static_cast<int>(OutputSource::Tps)) {
        ui.message(QStringLiteral("Select Error  CustomOuputCombo"));
        return false;
    }
    if (type == store.value(outputTypeField(output))) {
        return false;
    }
    if (static_cast<OutputSource>(type) == OutputSource::Map &&
        mapSensor(store.settings()) == MapSensor::None) {
        ui.message(QStringLiteral("No MAP sensor is fitted, so an output cannot follow MAP.\r\n"
                                  "Select the MAP sensor on the Sensors page first."),
                   UserInteraction::Icon::Information);
        return false;
    }
    const SetPoints points = defaults(store.settings(), type);
    using Send = SettingsStore::Send;
    store.setValue(outputTypeField(output), type, Send::Always);
    store.setValue(outputSetPointField(output, true), points.off, Send::Always);
    store.setValue(outputSetPointField(output, false), points.on, Send::Always);
    return true;
}

std::optional<int> analogTableFill(int mode) {
    switch (static_cast<AnalogInputMode>(mode)) {
    case AnalogInputMode::FuelPercent:
        return 100; // fuel percent: no change
    case AnalogInputMode::IgnitionDegrees:
        return 128; // ignition degrees: no change
    case AnalogInputMode::Ego:
        return kEgoMidCount;
    default:
        return std::nullopt;
    }
}

bool changeAnalogMode(SettingsStore& store, int input, int mode) {
    if (!store.setValue(analogModeField(input), mode)) {
        return false;
    }
    // Every mode sends the 17 points; switching off keeps the values held.
    const std::optional<int> fill = analogTableFill(mode);
    std::vector<FieldCell> points;
    for (int slot = 0; slot < kCurveSlotsSent; ++slot) {
        points.push_back({slot, 0, fill ? *fill : store.value(analogTableField(input), slot)});
    }
    store.setCells(analogTableField(input), points, SettingsStore::Send::Always);
    if (input == 0 && static_cast<AnalogInputMode>(mode) != AnalogInputMode::Ego) {
        store.setValue(FieldId::EgoControl, toCode(EgoControl::Off), SettingsStore::Send::Always);
    }
    return true;
}
