// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/StatusReport.h"

#include "comm/CommandTable.h"
#include "monitor/LiveSample.h"
#include "record/EcuIdentity.h"

namespace {
const QString kLineBreak = QStringLiteral("\r\n");
const QString kContact = QStringLiteral("Please Contact Marrowby");

bool hasBit(uint8_t byte, int bit) {
    return (byte & bit) != 0;
}

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

void StatusReporter::showIdentity(bool online, const EcuIdentity& identity) {
    StatusPanel& version = m_view.panels[StatusBarView::kVersion];
    if (online) {
        version.text = QStringLiteral("ECU Version: ") + identity.VersionText +
                       QStringLiteral("   Serial#: ") + identity.SerialNumberText + " ";
    } else {
        version.text.clear();
    }
}

void StatusReporter::showOffline() {
    m_view.panels[StatusBarView::kOnline].text = QStringLiteral("Offline ");
    m_view.picture = StatusBarView::Picture::Offline;
}

void StatusReporter::takeSample(const LiveSample& sample) {
    for (int byte = 1; byte <= 4; ++byte) {
        m_status[static_cast<size_t>(byte - 1)] = sample.status(byte);
    }
    m_rpm = sample.value(LiveChannel::Rpm);
}

std::vector<StatusStep> StatusReporter::setupStatusBar(const StatusContext& context) {
    Report report{context, {}};
    if (context.edition == Edition::Gullwick) {
        for (int i = StatusBarView::kOutputsLabel; i <= StatusBarView::kSpacer; ++i) {
            m_view.panels[i].visible = false;
        }
    }

    m_running = !(m_rpm < static_cast<float>(context.crankRpm));

    const uint8_t status1 = m_status[0];
    const uint8_t status2 = m_status[1];
    const bool changed = !m_refreshed || status2 != m_previousStatus2 ||
                         context.online != m_previousOnline ||
                         context.logActive != m_previousLogActive || status1 != m_previousStatus1 ||
                         m_running != m_previousRunning;
    if (changed) {
        m_refreshed = true;
        refreshPanels(report);
    }

    m_previousStatus1 = status1;
    m_previousStatus2 = status2;
    m_previousOnline = report.context.online;
    m_previousLogActive = report.context.logActive;
    m_previousRunning = m_running;

    reportChecksumErrors(report);
    return std::move(report.steps);
}

void StatusReporter::refreshPanels(Report& report) {
    StatusContext& now = report.context;
    auto& p = m_view.panels;
    const uint8_t status1 = m_status[0];
    const uint8_t status2 = m_status[1];

    if (now.online) {
        p[StatusBarView::kOnline].text = QStringLiteral("Online ");
        m_view.picture = StatusBarView::Picture::Online;
    } else {
        showOffline();
        if (now.logActive) {
            now.logActive = false;
            report.steps.push_back(StatusStep::of(StatusStep::Kind::StopLogging));
            showLogging(false);
        }
    }

    StatusPanel& engine = p[StatusBarView::kEngine];
    if (now.online && hasBit(status1, 2)) {
        engine.text = m_running ? QStringLiteral("Running  ") : QStringLiteral("Cranking ");
        engine.enabled = true;
    } else if (now.online) {
        engine.text.clear();
        engine.enabled = false;
    } else {
        engine.text.clear();
    }

    p[StatusBarView::kFuelPump].enabled = hasBit(status1, 4);

    if (status1 > 15) {
        reportEngineErrors(report);
    }

    for (int i = 0; i < 4; ++i) {
        p[StatusBarView::kFirstOutput + i].enabled = hasBit(status2, 1 << i);
    }
    p[StatusBarView::kFirstInput].enabled = hasBit(status2, 16);
    p[StatusBarView::kFirstInput + 1].enabled = hasBit(status2, 32);

    p[StatusBarView::kLog].enabled = now.logActive;

    StatusPanel& version = p[StatusBarView::kVersion];
    if (now.identity != nullptr) {
        showIdentity(now.online, *now.identity);
    } else {
        version.text.clear();
    }

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

void StatusReporter::reportEngineErrors(Report& report) {
    using Kind = StatusStep::Kind;
    const uint8_t status1 = m_status[0];
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
        report.steps.push_back(StatusStep::send(commandCode(EcuCommand::Store), true));
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
        report.context.online = false;
        showOffline();
        report.steps.push_back(StatusStep::of(Kind::GoOffline));
        report.steps.push_back(StatusStep::message(text));
    } else if (warning) {
        text += kLineBreak + kContact;
        const EcuIdentity id =
            report.context.identity != nullptr ? *report.context.identity : EcuIdentity();
        const bool powerDown =
            id.VersionMajor == 2 && id.VersionMinor >= 8 && id.VersionMinor <= 10;
        text += kLineBreak + kLineBreak +
                (powerDown ? QStringLiteral("Power Down ECU to clear warnings")
                           : QStringLiteral("Click on Find ECU to clear warnings"));
        showOffline();
        report.steps.push_back(StatusStep::send(commandCode(EcuCommand::ClearWarnings), false));
        report.context.online = false;
        report.steps.push_back(StatusStep::of(Kind::GoOffline));
        report.steps.push_back(StatusStep::message(text));
    }
}

void StatusReporter::reportChecksumErrors(Report& report) {
    using Kind = StatusStep::Kind;
    const uint8_t status3 = m_status[2];
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
    report.steps.push_back(StatusStep::message(text));
    report.steps.push_back(StatusStep::send(commandCode(EcuCommand::ClearWarnings), true));
    m_status[2] = 0;
    m_status[3] = 0;
    report.steps.push_back(StatusStep::of(Kind::ClearErrors));
    report.context.online = false;
    report.steps.push_back(StatusStep::of(Kind::GoOffline));
}
