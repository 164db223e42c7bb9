// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/IdleExtra.h"

#include "comm/CommandTable.h"
#include "comm/Discovery.h"
#include "comm/EcuProtocol.h"
#include "config/NumericEntry.h"
#include "record/AppState.h"
#include "record/Limits.h"
#include "record/Rounding.h"
#include "record/SettingCodes.h"
#include "record/SettingsStore.h"

#include <array>

namespace {

using F = FieldId;

constexpr std::array kIdleAirBoxes{
    ConfigBox{0, "Cold Idle Rpm", F::IacColdRpm},
    ConfigBox{1, "Hot Idle Rpm", F::IacHotRpm},
    ConfigBox{2, "Temperature \u00b0F", F::IacTemp},
    ConfigBox{5, "Total Travel", F::IacTravel},
    ConfigBox{6, "Cold Position", F::IacColdPosition},
    ConfigBox{7, "Hot Position", F::IacHotPosition},
};

constexpr std::array kExtraBoxes{
    ConfigBox{0, "UC_Extra #1", F::UcExtra0}, ConfigBox{1, "UC_Extra #2", F::UcExtra1},
    ConfigBox{2, "UC_Extra #3", F::UcExtra2}, ConfigBox{3, "UC_Extra #4", F::UcExtra3},
    ConfigBox{4, "UC_Extra #5", F::UcExtra4}, ConfigBox{5, "UI_Extra #1", F::UiExtra0},
    ConfigBox{6, "UI_Extra #2", F::UiExtra1}, ConfigBox{7, "UI_Extra #3", F::UiExtra2},
    ConfigBox{8, "UI_Extra #4", F::UiExtra3}, ConfigBox{9, "UI_Extra #5", F::UiExtra4},
};

constexpr std::array kSerialFields{
    SerialFieldRule{"  Model #", &EcuIdentity::SerialField1, 1, 4},
    SerialFieldRule{"  Series #", &EcuIdentity::SerialField2, 1, 8},
    SerialFieldRule{"  Year", &EcuIdentity::SerialField3, 0, 31},
    SerialFieldRule{"  Unit #", &EcuIdentity::SerialField4, 0, 16383},
};

// The spare values that travel to the ECU.
constexpr std::array kExtraReads{F::UcExtra0, F::UcExtra1, F::UcExtra2,
                                 F::UiExtra0, F::UiExtra1, F::UiExtra2};

} // namespace

std::span<const ConfigBox> idleAirBoxes() {
    return kIdleAirBoxes;
}

QStringList iacTypeCaptions() {
    return {QStringLiteral("No IAC"), QStringLiteral("GM IAC (Part# 21728)"),
            QStringLiteral("Ford IAC ")};
}

bool selectIacType(SettingsStore& store, int type) {
    store.setValue(FieldId::IacType, type);
    return type > toCode(IacType::None);
}

std::span<const ConfigBox> extraBoxes() {
    return kExtraBoxes;
}

std::span<const SerialFieldRule> serialFieldRules() {
    return kSerialFields;
}

QString serialFieldHelp(int index) {
    const SerialFieldRule& rule = kSerialFields.at(static_cast<size_t>(index));
    return QStringLiteral("A field of the ECU's serial number; the serial bytes it changes are "
                          "sent at once. Limits: %1 to %2.")
        .arg(rule.min)
        .arg(rule.max);
}

void setupExtra(EcuProtocol& protocol) {
    for (FieldId id : kExtraReads) {
        protocol.getEcuData(fieldRow(id).readCode);
    }
    for (int code : kSerialByteReadCodes) {
        protocol.getEcuData(code);
    }
    formatEcuVersion(protocol.state());
}

bool enterSerialField(EcuProtocol& protocol, int index, const QString& shown,
                      const QString& typed) {
    const std::optional<double> number = typed == shown ? std::nullopt : parseEntry(typed);
    if (!number) {
        return false;
    }
    const SerialFieldRule& rule = kSerialFields.at(static_cast<size_t>(index));
    const auto value = static_cast<int16_t>(roundHalfEven(checkMaxMin(
        static_cast<float>(rule.min), static_cast<float>(rule.max), static_cast<float>(*number))));
    EcuIdentity& id = protocol.state().identity;
    if (value == id.*rule.field) {
        return false;
    }
    id.*rule.field = value;
    encodeSerialNumber(protocol);
    formatEcuVersion(protocol.state());
    return true;
}
