#include "monitor/StatusReport.h"

#include "comm/CommandTable.h"
#include "record/AppState.h"
#include "record/SettingCodes.h"
#include "record/UserInteraction.h"

namespace {
const QString kLineBreak = QStringLiteral("\r\n");
const QString kContact = QStringLiteral("Please Contact Marrowby");

bool hasBit(uint8_t byte, int bit) {
    return (byte & bit) != 0;
}

// Clears the flag again when the report is done, however it ends.
class ReportingGuard {
public:
    explicit ReportingGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~ReportingGuard() { m_flag = false; }
    ReportingGuard(const ReportingGuard&) = delete;
    ReportingGuard& operator=(const ReportingGuard&) = delete;

private:
    bool& m_flag;
};
} // namespace

StatusBarView StatusBarView::initial() {
    StatusBarView v;
    auto set = [&v](int index, const char* text, const char* tip = "") {
        v.panels[index].text = QString::fromLatin1(text);
        v.panels[index].toolTip = QString::fromLatin1(tip);
    };
    set(kFile, "File:");
    set(kOnline, "OnLine ", "Online/Offline");
    set(kEngine, "Cranking", "Running/Cranking");
    set(kFuelPump, "Fuel Pump ", "Fuel Pump");
    set(kOutputsLabel, "Outputs:");
    for (int i = 0; i < 4; ++i) {
        v.panels[kFirstOutput + i].text = QStringLiteral("#%1").arg(i + 1);
    }
    set(kInputsLabel, "Inputs:");
    for (int i = 0; i < 2; ++i) {
        v.panels[kFirstInput + i].text = QStringLiteral("#%1").arg(i + 1);
    }
    set(kLog, "Log Data", "Log Data (Click to Start Logging Data)");
    set(kVersion, "Version ");
    set(kCrankError, "Crank Pickup Error ");
    return v;
}

void StatusReporter::showLogging(bool active) {
    StatusPanel& log = m_view.panels[StatusBarView::kLog];
    log.text = active ? QStringLiteral("Logging Data ") : QStringLiteral("Log Data");
    log.enabled = active;
}

void StatusReporter::showFile(const QString& fileTitle) {
    m_view.panels[StatusBarView::kFile].text = QStringLiteral("File: ") + fileTitle + "  ";
}

void StatusReporter::showIdentity(const AppState& state) {
    StatusPanel& version = m_view.panels[StatusBarView::kVersion];
    if (state.EcuOnline) {
        version.text = QStringLiteral("ECU Version: ") + state.identity.VersionText +
                       QStringLiteral("   Serial#: ") + state.identity.SerialNumberText + " ";
    } else {
        version.text.clear();
    }
}

void StatusReporter::showOffline() {
    m_view.panels[StatusBarView::kOnline].text = QStringLiteral("Offline ");
    m_view.picture = StatusBarView::Picture::Offline;
}

void StatusReporter::setupStatusBar(AppState& state, UserInteraction& ui,
                                    const CommandSender& send) {
    if (m_reporting) {
        return;
    }
    ReportingGuard guard(m_reporting);

    if (state.Edition == Edition::Gullwick) {
        for (int i = StatusBarView::kOutputsLabel; i <= StatusBarView::kSpacer; ++i) {
            m_view.panels[i].visible = false;
        }
    }

    m_running = !(state.engine.RpmChannel.Value < static_cast<float>(state.settings.CrankRpm));

    const bool changed =
        !m_refreshed || state.engine.EngineStatus2 != m_previousStatus2 ||
        state.EcuOnline != m_previousOnline || state.LogActive != m_previousLogActive ||
        state.engine.EngineStatus1 != m_previousStatus1 || m_running != m_previousRunning;
    if (changed) {
        m_refreshed = true;
        refreshPanels(state, ui, send);
    }

    m_previousStatus1 = state.engine.EngineStatus1;
    m_previousStatus2 = state.engine.EngineStatus2;
    m_previousOnline = state.EcuOnline;
    m_previousLogActive = state.LogActive;
    m_previousRunning = m_running;

    reportChecksumErrors(state, ui, send);
}

void StatusReporter::refreshPanels(AppState& state, UserInteraction& ui,
                                   const CommandSender& send) {
    auto& p = m_view.panels;
    const uint8_t status1 = state.engine.EngineStatus1;
    const uint8_t status2 = state.engine.EngineStatus2;

    if (state.EcuOnline) {
        p[StatusBarView::kOnline].text = QStringLiteral("Online ");
        m_view.picture = StatusBarView::Picture::Online;
    } else {
        showOffline();
        if (state.LogActive) {
            state.LogActive = false;
            showLogging(false);
        }
    }

    StatusPanel& engine = p[StatusBarView::kEngine];
    if (state.EcuOnline && hasBit(status1, 2)) {
        engine.text = m_running ? QStringLiteral("Running  ") : QStringLiteral("Cranking ");
        engine.enabled = true;
    } else if (state.EcuOnline) {
        engine.text.clear();
        engine.enabled = false;
    } else {
        engine.text.clear();
    }

    p[StatusBarView::kFuelPump].enabled = hasBit(status1, 4);

    if (status1 > 15) {
        reportEngineErrors(state, ui, send);
    }

    for (int i = 0; i < 4; ++i) {
        p[StatusBarView::kFirstOutput + i].enabled = hasBit(status2, 1 << i);
    }
    p[StatusBarView::kFirstInput].enabled = hasBit(status2, 16);
    p[StatusBarView::kFirstInput + 1].enabled = hasBit(status2, 32);

    p[StatusBarView::kLog].enabled = state.LogActive;

    StatusPanel& version = p[StatusBarView::kVersion];
    showIdentity(state);

    StatusPanel& crank = p[StatusBarView::kCrankError];
    if (hasBit(status1, 8)) {
        version.visible = false;
        crank.visible = true;
        crank.text = QStringLiteral(" Crank Pickup Error ");
    } else {
        version.visible = true;
        crank.visible = false;
        crank.text.clear();
    }
}

void StatusReporter::reportEngineErrors(AppState& state, UserInteraction& ui,
                                        const CommandSender& send) {
    const uint8_t status1 = state.engine.EngineStatus1;
    QString text;
    bool error = false;
    bool warning = false;
    if (hasBit(status1, 16)) {
        text += QStringLiteral("Communication Error! Invalid Serial Data ") + kLineBreak;
        warning = true;
    }
    if (hasBit(status1, 32)) {
        text += QStringLiteral("System Error! Memory Error ") + kLineBreak;
        text +=
            QStringLiteral("Cycle the power on the ECU and recheck ALL settings! ") + kLineBreak;
        error = true;
        // Keep what the ECU holds: store it while the ECU still answers.
        state.EcuOnline = true;
        send(commandCode(EcuCommand::Store), 0, 0);
        state.EcuOnline = false;
    }
    if (hasBit(status1, 64)) {
        text += QStringLiteral("System Error! Stack Overflow ") + kLineBreak;
        error = true;
    }
    if (hasBit(status1, 128)) {
        text += QStringLiteral("System Warning! Invalid ISR ") + kLineBreak;
        warning = true;
    }

    if (error) {
        text += kLineBreak + kContact;
        state.EcuOnline = false;
        showOffline();
        ui.message(text, UserInteraction::Icon::Critical);
    } else if (warning) {
        text += kLineBreak + kContact;
        const auto& id = state.identity;
        const bool powerDown =
            id.VersionMajor == 2 && id.VersionMinor >= 8 && id.VersionMinor <= 10;
        text += kLineBreak + kLineBreak +
                (powerDown ? QStringLiteral("Power Down ECU to clear warnings")
                           : QStringLiteral("Click on Find ECU to clear warnings"));
        showOffline();
        send(commandCode(EcuCommand::ClearWarnings), 0, 0);
        state.EcuOnline = false;
        ui.message(text, UserInteraction::Icon::Critical);
    }
}

void StatusReporter::reportChecksumErrors(AppState& state, UserInteraction& ui,
                                          const CommandSender& send) {
    const uint8_t status3 = state.engine.EngineStatus3;
    QString text;
    if (hasBit(status3, 1)) {
        text += QStringLiteral("Invalid Check Sum") + kLineBreak;
    }
    if (hasBit(status3, 2)) {
        text += QStringLiteral("EEPROM Error") + kLineBreak;
    }
    if (text.isEmpty()) {
        return;
    }
    text += kLineBreak + kContact;
    ui.message(text, UserInteraction::Icon::Critical);
    state.EcuOnline = true;
    send(commandCode(EcuCommand::ClearWarnings), 0, 0);
    state.engine.EngineStatus3 = 0;
    state.engine.EngineStatus4 = 0;
    state.EcuOnline = false;
}
