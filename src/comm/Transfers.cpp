#include "comm/Transfers.h"

#include "comm/BulkReads.h"

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

class SequenceBuilder {
public:
    void progress() { m_steps.push_back({true}); }
    void commands(std::initializer_list<int> codes) {
        for (int code : codes) {
            m_steps.push_back({false, code});
        }
    }
    // Slots 0..16 of a curve; the spare slot stays in the program.
    void curve(int command) {
        for (int slot = 0; slot < EcuSettings::kCurveSent; ++slot) {
            m_steps.push_back({false, command, slot});
        }
    }
    void table(int command, int lastLoad, int lastRpm) {
        for (int load = 0; load <= lastLoad; ++load) {
            for (int rpm = 0; rpm <= lastRpm; ++rpm) {
                m_steps.push_back({false, command, load, rpm});
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

std::vector<SendStep> fullSendSequence(const AppState& state) {
    SequenceBuilder b;
    b.progress();
    b.commands({190, 191, 194, 192, 193, 195, 183, 184, 182, 185, 187, 186, 188, 189, 196, 197});
    b.progress();
    b.commands({214, 215, 216, 210, 211, 212, 198, 200, 199, 201, 203, 202, 204, 206, 205});
    b.progress();
    // Launch control rpm has a write command like every other engine setting
    // and goes with them, so that a loaded file sets it too.
    b.commands({207, 209, 208, 220, 221, 222, 228, 230, 229, 231,
                232, 233, 234, 236, 235, 238, 239, 245, 227, 237});
    if (state.CodeSectionFlags[3]) {
        b.commands({149});
    }
    b.progress();
    b.commands(
        {129, 130, 131, 132, 135, 134, 136, 153, 151, 154, 152, 155, 156, 150, 146, 147, 148});
    b.progress();
    b.curve(217);
    b.progress();
    b.curve(218);
    b.progress();
    b.curve(219);
    b.curve(224);
    b.progress();
    b.curve(225);
    b.progress();
    b.curve(226);
    b.curve(223);
    b.progress();
    const int lastLoad = lastIndex(state.settings.LoadIndexMax);
    const int lastRpm = lastIndex(state.settings.RpmIndexMax);
    b.table(240, lastLoad, lastRpm);
    b.table(241, lastLoad, lastRpm);
    b.commands({242, 243, 244, 247, 248, 249});
    return b.take();
}

bool getAllDataFromEcu(EcuProtocol& protocol, const TransferHooks& hooks) {
    AppState& state = protocol.state();
    SerialLink& link = protocol.link();
    UserInteraction& ui = protocol.ui();

    call(hooks.unloadAllWindows);
    call(hooks.discovery.setPolling, false);
    std::optional<BusyGuard> busy;
    bool allRead = false;
    if (state.EcuOnline) {
        busy.emplace(ui);
        // Stale bytes in the receive buffer would spoil the block's length.
        link.clear();
        const BulkReadResult fuel = getHighSpeedFuelData(state, link, ui);
        link.clear();
        const BulkReadResult ignition = getHighSpeedIgnData(state, link, ui);
        link.clear();
        const BulkReadResult other = getHighSpeedOtherData(state, link, ui);
        allRead = fuel == BulkReadResult::Ok && ignition == BulkReadResult::Ok &&
                  other == BulkReadResult::Ok;
    }
    call(hooks.checkSettings);
    call(hooks.discovery.setPolling, true);
    return allRead;
}

void sendAllDataToEcu(EcuProtocol& protocol, const TransferHooks& hooks) {
    AppState& state = protocol.state();
    UserInteraction& ui = protocol.ui();

    if (!state.EcuOnline) {
        findEcu(protocol, hooks.discovery);
    }
    const BusyGuard busy(ui);
    if (!state.EcuOnline) {
        return;
    }
    ui.beginProgress(QStringLiteral("Sending Data to ECU"));
    for (const SendStep& step : fullSendSequence(state)) {
        if (step.progress) {
            ui.stepProgress();
        } else {
            protocol.getEcuData(step.command, step.index1, step.index2);
        }
    }
    ui.endProgress();
}

bool storeSettings(EcuProtocol& protocol) {
    AppState& state = protocol.state();
    UserInteraction& ui = protocol.ui();
    {
        const BusyGuard busy(ui);
        protocol.getEcuData(36);
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

void findEcuCommand(EcuProtocol& protocol, const TransferHooks& hooks) {
    AppState& state = protocol.state();
    call(hooks.unloadAllWindows);
    if (!state.EcuOnline) {
        state.AskBeforeSearch = false;
        findEcu(protocol, hooks.discovery);
        if (state.EcuOnline) {
            getAllDataFromEcu(protocol, hooks);
        }
    } else {
        protocol.ui().message(QStringLiteral("Ecu Online!"), Icon::None);
    }
    call(hooks.discovery.refreshStatusBar);
    state.EcuDataChanged = false;
    call(hooks.redrawTableViews);
}
