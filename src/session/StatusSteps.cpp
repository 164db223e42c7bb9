// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/StatusSteps.h"

#include "record/AppState.h"
#include "record/UserInteraction.h"

void carryOutStatusSteps(const std::vector<StatusStep>& steps, AppState& state, UserInteraction& ui,
                         const CommandSender& send, const StatusStepHooks& hooks) {
    for (const StatusStep& step : steps) {
        switch (step.kind) {
        case StatusStep::Kind::Send:
            if (step.forceOnline) {
                state.EcuOnline = true;
                send(step.command, 0, 0);
                state.EcuOnline = false;
            } else {
                send(step.command, 0, 0);
            }
            break;
        case StatusStep::Kind::Message:
            ui.message(step.text, UserInteraction::Icon::Critical);
            break;
        case StatusStep::Kind::GoOffline:
            state.EcuOnline = false;
            break;
        case StatusStep::Kind::StopLogging:
            if (hooks.stopLogging) {
                hooks.stopLogging();
            }
            break;
        case StatusStep::Kind::ClearErrors:
            if (hooks.clearErrors) {
                hooks.clearErrors();
            }
            break;
        }
    }
}
