#pragma once

#include "comm/CommandSender.h"

#include <array>
#include <functional>

struct AppState;

// The live values read on every poll, in the order they are asked for:
// status bytes 2, 1, 3 and 4, crank period, MAP, air, water, battery,
// throttle, injector time, advance and the three user inputs.
inline constexpr std::array<int, 15> kPollCommands{49, 50, 51, 52, 37, 40, 44, 43,
                                                   45, 41, 38, 39, 46, 47, 48};

// Read as well in developer mode while the diagnostics or extra-parameters
// window is open: the first three spare byte values and the first three spare
// two-byte values.
inline constexpr std::array<int, 6> kDeveloperPollCommands{114, 115, 116, 119, 120, 121};

// Reads the live values when the ECU is online; nothing is sent offline.
// A reply missed part-way takes the ECU offline inside the sender, after
// which the remaining reads do nothing.
void readLiveValues(AppState& state, const CommandSender& send, bool developerReads);

// Which views are open and how to refresh them. A view that is not open has
// its flag false; a hook left empty is skipped.
struct PollViews {
    bool diagnosticsOpen = false;
    bool extraOpen = false;
    bool dataWindowOpen = false;
    bool fuelTableOpen = false;
    bool ignitionTableOpen = false;
    bool fuel3DOpen = false;
    bool ignition3DOpen = false;
    bool setupOpen = false;

    std::function<void()> refreshStatusBar;
    std::function<void()> updateOperatingMarkers; // fuel and ignition editors, after a read
    std::function<void()> writeLogLine;
    std::function<void()> updateDiagnostics;
    std::function<void()> updateDataWindow;
    std::function<void()> updateCrossHairs;
    std::function<void()> redraw3DViews;
    std::function<void()> updateSetup;
};

// The online indicator: hidden while offline; while online it steps through
// the pictures 7, 6, 5, 4, 3 and round again, one per tick.
class OnlineIndicator {
public:
    static constexpr int kFirstFrame = 3;
    static constexpr int kLastFrame = 7;

    void advance(bool online);
    bool visible() const { return m_visible; }
    int frame() const { return m_frame; }

private:
    bool m_visible = false;
    int m_frame = kFirstFrame;
};

// One tick of the poll timer. Returns false when the tick was skipped because
// a table cell is being edited; nothing at all happens then.
bool runPollTick(AppState& state, const CommandSender& send, const PollViews& views,
                 OnlineIndicator& indicator);
