// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/Transfers.h"

#include "comm/BulkReads.h"
#include "comm/CommandTable.h"
#include "record/FieldTable.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace {

using Icon = UserInteraction::Icon;

template <typename F, typename... A> void call(const F& hook, A&&... args) {
    if (hook) {
        hook(std::forward<A>(args)...);
    }
}

// Tells the hook a step of the full send's progress, or shows it through
// the user interaction when the hook is empty.
void showProgress(const TransferHooks& hooks, UserInteraction& ui,
                  const TransferProgress& progress) {
    if (hooks.progress) {
        hooks.progress(progress);
    } else {
        showTransferProgress(ui, progress);
    }
}

using F = FieldId;

class SequenceBuilder {
public:
    void progress() { m_steps.push_back({true}); }
    void fields(std::initializer_list<FieldId> ids) {
        for (FieldId id : ids) {
            m_steps.push_back({false, fieldRow(id).writeCode});
        }
    }
    // Slots 0..16 of a curve; the spare slot stays in the program.
    void curve(FieldId id) {
        for (int slot = 0; slot < kCurveSlotsSent; ++slot) {
            m_steps.push_back({false, fieldRow(id).writeCode, slot});
        }
    }
    void table(FieldId id, int lastLoad, int lastRpm) {
        for (int load = 0; load <= lastLoad; ++load) {
            for (int rpm = 0; rpm <= lastRpm; ++rpm) {
                m_steps.push_back({false, fieldRow(id).writeCode, load, rpm});
            }
            progress();
        }
    }
    std::vector<SendStep> take() { return std::move(m_steps); }

private:
    std::vector<SendStep> m_steps;
};

// The highest table index the ECU takes; anything larger is not sent.
int lastIndex(int16_t indexMax) {
    return std::min<int>(indexMax, EcuSettings::kTableSize - 1);
}

} // namespace

std::vector<SendStep> fullSendSequence(const AppState& state, const EcuSettings& settings) {
    // The order is what the ECU expects; a nibble pair travels once, named by
    // its high half.
    SequenceBuilder b;
    b.progress();
    b.fields({F::NumberOfCylinders, F::MaxRpm, F::RevLimit, F::LoadControl, F::MinOpenTime,
              F::IgnitionType, F::AirTempSensorType, F::WaterTempSensorType, F::MapSensorType,
              F::TpsSensorType, F::TpsMaxBits, F::TpsMinBits, F::MapMaxBits, F::MapMinBits,
              F::InjectionLoadIndex, F::InjectionRpmIndex});
    b.progress();
    b.fields({F::UserInputAnalogMode0, F::UserInputAnalogMode1, F::UserInputAnalogMode2,
              F::UserInputDigitalMode0, F::UserInputDigitalMode1, F::UserInputDigitalMode2,
              F::UserOutputType0, F::UserOutputOff0, F::UserOutputOn0, F::UserOutputType1,
              F::UserOutputOff1, F::UserOutputOn1, F::UserOutputType2, F::UserOutputOff2,
              F::UserOutputOn2});
    b.progress();
    // Launch control rpm has a write command like every other engine setting
    // and goes with them, so that a loaded file sets it too.
    b.fields({F::UserOutputType3, F::UserOutputOff3,  F::UserOutputOn3,   F::CrankPercent0,
              F::CrankPercent1,   F::CrankPercent2,   F::CrankPercent3,   F::CrankDuration,
              F::CrankRpm,        F::CrankPrimePulse, F::AccelPercent,    F::AccelDuration,
              F::AccelRpm,        F::AccelMinTps,     F::AccelMinTpsRate, F::DecelMaxRpm,
              F::DecelMinTps,     F::DecelCutRpm,     F::ChargeTime,      F::LaunchControlRpm});
    if (state.CodeSectionFlags[3]) {
        b.fields({F::WheelType});
    }
    b.progress();
    b.fields({F::EgoMaxRpm, F::EgoMaxLoad, F::EgoGainP, F::EgoGainI, F::EgoMinCoolantTemp,
              F::EgoUpdateRevs, F::EgoControl, F::IacColdPosition, F::IacColdRpm, F::IacHotPosition,
              F::IacHotRpm, F::IacTemp, F::IacTravel, F::IacType, F::BankCompensation2,
              F::BankCompensation3, F::BankCompensation4});
    b.progress();
    b.curve(F::UserInputAnalogTable0);
    b.progress();
    b.curve(F::UserInputAnalogTable1);
    b.progress();
    b.curve(F::UserInputAnalogTable2);
    b.curve(F::AirTempFuelComp);
    b.progress();
    b.curve(F::WaterTempFuelComp);
    b.progress();
    b.curve(F::BatteryVoltFuelComp);
    b.curve(F::AirTempIgnitionComp);
    b.progress();
    const int lastLoad = lastIndex(settings.LoadIndexMax);
    const int lastRpm = lastIndex(settings.RpmIndexMax);
    b.table(F::FuelTable, lastLoad, lastRpm);
    b.table(F::IgnitionTable, lastLoad, lastRpm);
    b.fields({F::UcExtra0, F::UcExtra1, F::UcExtra2, F::UiExtra0, F::UiExtra1, F::UiExtra2});
    return b.take();
}

void showTransferProgress(UserInteraction& ui, const TransferProgress& progress) {
    switch (progress.stage) {
    case TransferProgress::Stage::Begin:
        ui.beginProgress(progress.caption);
        break;
    case TransferProgress::Stage::Step:
        ui.stepProgress();
        break;
    case TransferProgress::Stage::End:
        ui.endProgress();
        break;
    }
}

bool getAllDataFromEcu(EcuProtocol& protocol, EcuSettings& record, const TransferHooks& hooks) {
    AppState& state = protocol.state();
    SerialLink& link = protocol.link();
    UserInteraction& ui = protocol.ui();

    call(hooks.recordReplacing);
    call(hooks.discovery.setPolling, false);
    std::optional<BusyGuard> busy;
    bool allRead = false;
    if (state.EcuOnline) {
        busy.emplace(ui);
        // Stale bytes in the receive buffer would spoil the block's length.
        link.clear();
        const BulkReadResult fuel = getHighSpeedFuelData(state, record, link, ui);
        link.clear();
        const BulkReadResult ignition = getHighSpeedIgnData(state, record, link, ui);
        link.clear();
        const BulkReadResult other = getHighSpeedOtherData(state, record, link, ui);
        allRead = fuel == BulkReadResult::Ok && ignition == BulkReadResult::Ok &&
                  other == BulkReadResult::Ok;
    }
    call(hooks.checkSettings);
    call(hooks.discovery.setPolling, true);
    return allRead;
}

SendOutcome sendAllDataToEcu(EcuProtocol& protocol, const TransferHooks& hooks) {
    AppState& state = protocol.state();
    UserInteraction& ui = protocol.ui();

    if (!state.EcuOnline) {
        findEcu(protocol, hooks.discovery);
    }
    const BusyGuard busy(ui);
    if (!state.EcuOnline) {
        return SendOutcome::NotSent;
    }
    using Stage = TransferProgress::Stage;
    showProgress(hooks, ui, {Stage::Begin, QStringLiteral("Sending Data to ECU")});
    for (const SendStep& step : fullSendSequence(state, protocol.store().settings())) {
        if (step.progress) {
            showProgress(hooks, ui, {Stage::Step, {}});
        } else {
            protocol.getEcuData(step.command, step.index1, step.index2);
        }
    }
    showProgress(hooks, ui, {Stage::End, {}});
    // A lost exchange takes the ECU offline and skips the rest.
    return state.EcuOnline ? SendOutcome::Sent : SendOutcome::CutOff;
}

bool storeSettings(EcuProtocol& protocol) {
    AppState& state = protocol.state();
    UserInteraction& ui = protocol.ui();
    {
        const BusyGuard busy(ui);
        protocol.getEcuData(commandCode(EcuCommand::Store));
    }
    if (!state.EcuOnline) {
        return false;
    }
    if (state.StoreResult != 0) {
        ui.message(QStringLiteral("Data Saved!"), Icon::None);
        return true;
    }
    ui.message(QStringLiteral("Data Save Error"), Icon::Critical);
    return false;
}

bool findEcuCommand(EcuProtocol& protocol, EcuSettings& record, const TransferHooks& hooks) {
    AppState& state = protocol.state();
    call(hooks.recordReplacing);
    bool read = false;
    if (!state.EcuOnline) {
        state.AskBeforeSearch = false;
        findEcu(protocol, hooks.discovery);
        if (state.EcuOnline) {
            read = getAllDataFromEcu(protocol, record, hooks);
        }
    } else {
        protocol.ui().message(QStringLiteral("Ecu Online!"), Icon::None);
    }
    call(hooks.discovery.onlineChanged);
    state.EcuDataChanged = false;
    return read && state.EcuOnline;
}
