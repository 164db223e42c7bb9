// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/CommandSender.h"
#include "monitor/StatusReport.h"

#include <functional>
#include <vector>

struct AppState;
class UserInteraction;

// What carrying out the steps needs besides the line: switching logging off
// and clearing the held status bytes 3 and 4. Either may be left empty.
struct StatusStepHooks {
    std::function<void()> stopLogging;
    std::function<void()> clearErrors;
};

// Carries out the steps of a status report in their order: a message is
// shown with the critical icon, a send goes out through send (with the ECU
// taken for online for its one exchange when the step asks so, and offline
// after it), and the hooks switch logging off and clear the status bytes.
void carryOutStatusSteps(const std::vector<StatusStep>& steps, AppState& state, UserInteraction& ui,
                         const CommandSender& send, const StatusStepHooks& hooks);
