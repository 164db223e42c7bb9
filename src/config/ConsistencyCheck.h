// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/CommandSender.h"
#include "record/EcuSettings.h"

#include <QString>
#include <array>

class EcuProtocol;
class UserInteraction;

// The shared flags the check depends on.
struct CheckContext {
    bool developerMode = false;
    std::array<bool, 4> codeSectionFlags{};
};

// Looks over freshly read or loaded settings for values the ECU or the
// editors cannot use. Each bad value is replaced by a safe one and written to
// the ECU at once with its write command. Returns the message that tells the
// user what was changed, or an empty text when everything was sound.
QString checkForBadData(EcuSettings& settings, const CheckContext& context,
                        const CommandSender& send);

// Shows a non-empty message of checkForBadData as an error.
void showBadDataMessage(UserInteraction& ui, const QString& message);

// Runs the check on record (the store's, inside its modify()) with the
// protocol's sender and shows the message.
void checkSettings(EcuProtocol& protocol, EcuSettings& record);
