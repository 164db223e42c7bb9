// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingCodes.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

struct EcuIdentity;
class LiveSample;

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

// What a report reads besides the status bytes: the shared flags, the
// edition, the cranking speed and the ECU's identity.
struct StatusContext {
    bool online = false;
    bool logActive = false;
    // The Gullwick edition hides the output and input panels.
    ::Edition edition = ::Edition::Standard;
    int crankRpm = 0;
    const EcuIdentity* identity = nullptr;
};

// One thing the program does after a report, in the order given: the report
// itself sends nothing and shows nothing.
struct StatusStep {
    enum class Kind : uint8_t {
        Send,        // sends command; with forceOnline the ECU counts as online for it
        Message,     // shows text with the critical icon
        GoOffline,   // takes the ECU offline
        StopLogging, // switches logging off (the ECU went offline while logging)
        ClearErrors, // clears status bytes 3 and 4 where the live values are held
    };
    Kind kind = Kind::Message;
    int command = 0;
    bool forceOnline = false;
    QString text;

    static StatusStep of(Kind kind) { return {kind, 0, false, {}}; }
    static StatusStep send(int command, bool forceOnline) {
        return {Kind::Send, command, forceOnline, {}};
    }
    static StatusStep message(const QString& text) { return {Kind::Message, 0, false, text}; }

    bool operator==(const StatusStep&) const = default;
};

// Turns the ECU's status bytes and the shared flags into the status bar's
// panels, and decides what the program tells the user and the ECU about the
// ECU's error and warning bits, after which it goes offline.
class StatusReporter {
public:
    // Takes the status bytes and the rpm of a poll's sample.
    void takeSample(const LiveSample& sample);

    // Refreshes the panels. Panels change only when one of the watched
    // values (status bytes 1 and 2, online, logging, running) changed since
    // the last call; error bits in status byte 3 are examined on every call
    // and cleared, with byte 4, once reported. Returns the steps the program
    // carries out, in order.
    std::vector<StatusStep> setupStatusBar(const StatusContext& context);

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
    void showIdentity(bool online, const EcuIdentity& identity);

private:
    // The flags as the report changes them.
    struct Report {
        StatusContext context;
        std::vector<StatusStep> steps;
    };
    void refreshPanels(Report& report);
    void reportEngineErrors(Report& report);
    void reportChecksumErrors(Report& report);
    void showOffline();

    StatusBarView m_view = StatusBarView::initial();
    std::array<uint8_t, 4> m_status{};
    float m_rpm = 0.0f;
    bool m_running = false;
    bool m_refreshed = false;
    uint8_t m_previousStatus1 = 0;
    uint8_t m_previousStatus2 = 0;
    bool m_previousOnline = false;
    bool m_previousLogActive = false;
    bool m_previousRunning = false;
};
