// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/Poll.h"

#include "monitor/Calibration.h"
#include "record/AppState.h"

void readLiveValues(AppState& state, const CommandSender& send, bool developerReads) {
    if (!state.EcuOnline) {
        return;
    }
    for (const EcuCommand command : kPollCommands) {
        send(commandCode(command), 0, 0);
    }
    if (developerReads) {
        for (const FieldId field : kSpareValueReads) {
            send(fieldRow(field).readCode, 0, 0);
        }
    }
}

bool pollLiveData(AppState& state, const EcuSettings& settings, EngineData& live,
                  const CommandSender& send, bool developerReads) {
    if (!state.EcuOnline) {
        return false;
    }
    readLiveValues(state, send, developerReads);
    calibrateData(settings, live);
    return true;
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
