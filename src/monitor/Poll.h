// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/CommandSender.h"
#include "comm/CommandTable.h"

#include <array>

struct AppState;

// The live values read on every poll, in the order they are asked for:
// status bytes 2, 1, 3 and 4, crank period, MAP, air, water, battery,
// throttle, injector time, advance and the three user inputs.
inline constexpr std::array<EcuCommand, 15> kPollCommands{
    EcuCommand::EngineStatus2, EcuCommand::EngineStatus1, EcuCommand::EngineStatus3,
    EcuCommand::EngineStatus4, EcuCommand::EnginePeriod,  EcuCommand::MapRaw,
    EcuCommand::AirRaw,        EcuCommand::WaterRaw,      EcuCommand::BatteryRaw,
    EcuCommand::TpsRaw,        EcuCommand::InjectorTime,  EcuCommand::IgnitionRaw,
    EcuCommand::UserInput1Raw, EcuCommand::UserInput2Raw, EcuCommand::UserInput3Raw};

// Read as well in developer mode while the diagnostics or extra-parameters
// window is open: the spare values of kSpareValueReads.

// Reads the live values when the ECU is online; nothing is sent offline.
// A reply missed part-way takes the ECU offline inside the sender, after
// which the remaining reads do nothing.
void readLiveValues(AppState& state, const CommandSender& send, bool developerReads);

// The work of one poll while the ECU is online: reads the live values and
// converts them (in live, where the replies land) to engineering units.
// Returns whether the ECU was online.
bool pollLiveData(AppState& state, const EcuSettings& settings, EngineData& live,
                  const CommandSender& send, bool developerReads);

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
