#pragma once

#include "comm/CommandSender.h"

#include <QString>
#include <array>
#include <cstdint>

struct AppState;
class UserInteraction;

// One panel of the main window's status bar.
struct StatusPanel {
    QString text;
    QString toolTip;
    bool enabled = true;
    bool visible = true;

    bool operator==(const StatusPanel&) const = default;
};

// What the status bar shows: sixteen panels (index 0 is panel 1) and the
// picture of the online panel.
struct StatusBarView {
    enum class Picture { None, Online, Offline };

    static constexpr int kPanelCount = 16;
    static constexpr int kFile = 0;
    static constexpr int kOnline = 1;
    static constexpr int kEngine = 2;
    static constexpr int kFuelPump = 3;
    static constexpr int kOutputsLabel = 4;
    static constexpr int kFirstOutput = 5; // panels 6..9
    static constexpr int kInputsLabel = 9;
    static constexpr int kFirstInput = 10; // panels 11, 12
    static constexpr int kSpacer = 12;
    static constexpr int kLog = 13;
    static constexpr int kVersion = 14;
    static constexpr int kCrankError = 15;

    std::array<StatusPanel, kPanelCount> panels;
    Picture picture = Picture::None;

    // The captions the status bar carries before the first refresh.
    static StatusBarView initial();

    bool operator==(const StatusBarView&) const = default;
};

// Turns the ECU's status bytes and the shared flags into the status bar's
// panels, reports the ECU's error and warning bits to the user and takes the
// ECU offline after a report.
class StatusReporter {
public:
    // Refreshes the panels from the state. Panels change only when one of the
    // watched values (status bytes 1 and 2, online, logging, running) changed
    // since the last call; error bits in status byte 3 are examined on every
    // call. A call made while another one is reporting (a lost exchange
    // inside the report refreshes the status bar again) returns at once:
    // the outer call finishes the refresh with the final state.
    void setupStatusBar(AppState& state, UserInteraction& ui, const CommandSender& send);

    const StatusBarView& view() const { return m_view; }
    StatusBarView& view() { return m_view; }

    // The engine is at or above the cranking speed.
    bool running() const { return m_running; }

    // Panel 14 for logging on ("Logging Data ") and off ("Log Data").
    void showLogging(bool active);
    // Panel 1 for the current data file.
    void showFile(const QString& fileTitle);
    // Panel 15 for the ECU's version and serial number (empty while
    // offline); a serial number changed in the extra window shows at once.
    void showIdentity(const AppState& state);

private:
    void refreshPanels(AppState& state, UserInteraction& ui, const CommandSender& send);
    void reportEngineErrors(AppState& state, UserInteraction& ui, const CommandSender& send);
    void reportChecksumErrors(AppState& state, UserInteraction& ui, const CommandSender& send);
    void showOffline();

    StatusBarView m_view = StatusBarView::initial();
    bool m_running = false;
    bool m_refreshed = false;
    bool m_reporting = false;
    uint8_t m_previousStatus1 = 0;
    uint8_t m_previousStatus2 = 0;
    bool m_previousOnline = false;
    bool m_previousLogActive = false;
    bool m_previousRunning = false;
};
