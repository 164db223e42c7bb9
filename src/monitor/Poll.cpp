#include "monitor/Poll.h"

#include "monitor/Calibration.h"
#include "record/AppState.h"

namespace {
void call(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}
} // namespace

void readLiveValues(AppState& state, const CommandSender& send, bool developerReads) {
    if (!state.EcuOnline) {
        return;
    }
    for (int command : kPollCommands) {
        send(command, 0, 0);
    }
    if (developerReads) {
        for (int command : kDeveloperPollCommands) {
            send(command, 0, 0);
        }
    }
}

void OnlineIndicator::advance(bool online) {
    if (!online) {
        m_visible = false;
        return;
    }
    if (!m_visible) {
        m_visible = true;
        m_frame = kFirstFrame;
    }
    --m_frame;
    if (m_frame < kFirstFrame) {
        m_frame = kLastFrame;
    }
}

bool runPollTick(AppState& state, const CommandSender& send, const PollViews& views,
                 OnlineIndicator& indicator) {
    if (state.EditingCell || state.ExchangeInProgress) {
        return false;
    }
    if (state.EcuOnline) {
        const bool developerReads =
            state.DeveloperMode && (views.diagnosticsOpen || views.extraOpen);
        readLiveValues(state, send, developerReads);
        calibrateData(state);
        call(views.refreshStatusBar);
        if (views.fuelTableOpen || views.ignitionTableOpen) {
            call(views.updateOperatingMarkers);
        }
    }
    if (state.LogActive && !state.PlotRunning) {
        call(views.writeLogLine);
    }
    if (views.diagnosticsOpen) {
        call(views.updateDiagnostics);
    }
    if (views.dataWindowOpen) {
        call(views.updateDataWindow);
    }
    if (views.fuelTableOpen || views.ignitionTableOpen) {
        call(views.updateCrossHairs);
    }
    if (views.fuel3DOpen || views.ignition3DOpen) {
        computeOperatingPoint(state);
        call(views.redraw3DViews);
    }
    if (views.setupOpen) {
        call(views.updateSetup);
    }
    indicator.advance(state.EcuOnline);
    return true;
}
