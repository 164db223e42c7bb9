// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/Discovery.h"
#include "comm/CommandTable.h"

namespace {

using Icon = UserInteraction::Icon;
using Buttons = UserInteraction::Buttons;
using Answer = UserInteraction::Answer;

const QString kCrLf = QStringLiteral("\r\n");

constexpr uint8_t kSearchByte = commandCode(EcuCommand::Search);
constexpr int kFoundByte = 170;
constexpr int kAttempts = 4;
constexpr int kProgressStepsPerAttempt = 9;

template <typename F, typename... A> void call(const F& hook, A&&... args) {
    if (hook) {
        hook(std::forward<A>(args)...);
    }
}

QString padded(int value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
}

// Sends the search byte up to four times; the ECU answers 170.
FindResult search(EcuProtocol& protocol) {
    AppState& state = protocol.state();
    SerialLink& link = protocol.link();
    UserInteraction& ui = protocol.ui();

    link.clear();
    state.EcuOnline = true;
    ui.beginProgress(QStringLiteral("Searching for ECU"));
    for (int attempt = 1;; ++attempt) {
        link.writeByte(kSearchByte);
        for (int i = 0; i < kProgressStepsPerAttempt; ++i) {
            ui.stepProgress();
        }
        const int reply = link.readByte(protocol.timeouts().searchAttemptMs);
        if (reply == kFoundByte) {
            return FindResult::Found;
        }
        if (reply == kSearchByte) {
            protocol.liveValues().EngineStatus1 = 0;
            state.EcuOnline = false;
            return FindResult::InvalidResponse;
        }
        if (attempt == kAttempts) {
            state.EcuOnline = false;
            return FindResult::NotFound;
        }
    }
}

FindResult identify(EcuProtocol& protocol, const DiscoveryHooks& hooks) {
    AppState& state = protocol.state();
    using C = EcuCommand;
    for (const C command : {C::EngineStatus1, C::VersionMajor, C::VersionMinor, C::BuildNumber,
                            C::SerialByte1, C::SerialByte2, C::SerialByte3}) {
        protocol.getEcuData(commandCode(command));
    }
    if (!state.EcuOnline) {
        // "Communication Lost!" has been told; an identity of the bytes that
        // never came would be made up.
        return FindResult::LinkLost;
    }
    call(hooks.codeSectionsChanged, formatEcuVersion(state));

    const EcuIdentity& id = state.identity;
    const QString found = QStringLiteral("Found ECU - Version ") + id.VersionText + kCrLf +
                          QStringLiteral("             (Build ") + id.BuildText +
                          QStringLiteral(")");
    UserInteraction& ui = protocol.ui();
    if (id.VersionMajor == kExperimentalVersionMajor) {
        ui.message(found + kCrLf + kCrLf + QStringLiteral("Experimental Firmware"), Icon::Warning);
        return FindResult::Found;
    }
    if (id.VersionMajor == kAcceptedVersionMajor && id.VersionMinor == kAcceptedVersionMinor) {
        ui.message(found, Icon::None);
        return FindResult::Found;
    }
    ui.message(found + kCrLf + QStringLiteral("Expecting   - Version ") +
                   versionText(kAcceptedVersionMajor, kAcceptedVersionMinor) + kCrLf + kCrLf +
                   state.ContactLine,
               Icon::Critical);
    if (!state.DeveloperMode) {
        state.EcuOnline = false;
    }
    return FindResult::WrongVersion;
}

} // namespace

FindResult findEcu(EcuProtocol& protocol, const DiscoveryHooks& hooks) {
    AppState& state = protocol.state();
    UserInteraction& ui = protocol.ui();

    call(hooks.processEvents);
    call(hooks.setPolling, false);

    if (!protocol.link().isOpen()) {
        QString error;
        if (!protocol.link().open(&error)) {
            ui.message(QStringLiteral("Comm Port Error - ") + error, Icon::Critical);
            // The poll does nothing while offline but keeps the views current.
            call(hooks.setPolling, true);
            return FindResult::PortError;
        }
    }

    FindResult result = FindResult::Declined;
    bool search = true;
    if (state.AskBeforeSearch) {
        search = ui.message(QStringLiteral("Search for ECU?"), Icon::Information, Buttons::YesNo) ==
                 Answer::Yes;
    } else {
        state.AskBeforeSearch = true;
    }

    if (search) {
        result = ::search(protocol);
        ui.endProgress();
        switch (result) {
        case FindResult::Found:
            result = identify(protocol, hooks);
            break;
        case FindResult::InvalidResponse:
            ui.message(QStringLiteral("Invalid Response") + kCrLf +
                           QStringLiteral("Check your Com Port/Cables and try again."),
                       Icon::Critical);
            break;
        default:
            ui.message(QStringLiteral("ECU Not Found"), Icon::None);
            break;
        }
    }

    if (state.EcuOnline) {
        for (const EcuCommand command :
             {EcuCommand::EngineStatus1, EcuCommand::EngineStatus3, EcuCommand::EngineStatus4}) {
            protocol.getEcuData(commandCode(command));
        }
        for (const FieldId field : {FieldId::UcExtra0, FieldId::UcExtra1, FieldId::UcExtra2}) {
            protocol.getEcuData(fieldRow(field).readCode);
        }
        call(hooks.onlineChanged);
    }
    call(hooks.setPolling, true);
    return result;
}

QString versionText(int major, int minor) {
    return QString::number(major) + QLatin1Char('.') + padded(minor, 3);
}

bool formatEcuVersion(AppState& state) {
    EcuIdentity& id = state.identity;
    id.VersionText = versionText(id.VersionMajor, id.VersionMinor);
    id.BuildText = padded(id.BuildNumber, 3);
    id.SerialField1 = static_cast<int16_t>(((id.SerialByte2 >> 6) & 0x03) + 1);
    id.SerialField2 = static_cast<int16_t>(((id.SerialByte1 >> 5) & 0x07) + 1);
    id.SerialField3 = static_cast<int16_t>(id.SerialByte1 & 0x1F);
    id.SerialField4 = static_cast<int16_t>((id.SerialByte2 & 0x3F) * 256 + (id.SerialByte3 & 0xFF));
    id.SerialNumberText = QString::number(id.SerialField1) + QLatin1Char('-') +
                          QString::number(id.SerialField2) + QLatin1Char('-') +
                          padded(id.SerialField3, 2) + QLatin1Char('-') +
                          padded(id.SerialField4, 5);
    return enableCodeSections(state);
}

bool enableCodeSections(AppState& state) {
    if (state.DeveloperMode) {
        state.CodeSectionFlags.fill(true);
    }
    return state.CodeSectionFlags[0];
}

void encodeSerialNumber(EcuProtocol& protocol) {
    EcuIdentity& id = protocol.state().identity;
    const int byte1 = (id.SerialField2 - 1) * 32 + id.SerialField3;
    if (byte1 != id.SerialByte1) {
        id.SerialByte1 = static_cast<int16_t>(byte1);
        protocol.getEcuData(writeCommandCode(EcuCommand::SerialByte1));
    }
    const int byte2 = (id.SerialField1 - 1) * 64 + id.SerialField4 / 256;
    if (byte2 != id.SerialByte2) {
        id.SerialByte2 = static_cast<int16_t>(byte2);
        protocol.getEcuData(writeCommandCode(EcuCommand::SerialByte2));
    }
    const int byte3 = id.SerialField4 & 0xFF;
    if (byte3 != id.SerialByte3) {
        id.SerialByte3 = static_cast<int16_t>(byte3);
        protocol.getEcuData(writeCommandCode(EcuCommand::SerialByte3));
    }
}
