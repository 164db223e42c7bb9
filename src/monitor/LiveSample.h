// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>
#include <array>
#include <bitset>
#include <cstdint>

struct EngineData;

// The converted live channels, in the column order of the full log record.
enum class LiveChannel : uint8_t {
    Rpm,
    Map,
    Tps,
    Air,
    Water,
    Battery,
    Duty,
    Fuel,
    Ignition,
    User1,
    User2,
    User3,
};
inline constexpr int kLiveChannelCount = 12;
using LiveChannelSet = std::bitset<kLiveChannelCount>;

// A channel's name (the title of its column in the full log record, "Rpm",
// "Map", "TPS", ... "User 3") and its unit ("rpm", "psi", "%", "°F", "V",
// "ms", "°BTDC"; none for the user inputs, whose unit follows their mode).
QString liveChannelName(LiveChannel channel);
QString liveChannelUnit(LiveChannel channel);

// One reading of the live values, as the poll or the time history's sampler
// took it: the time in milliseconds of a steady clock, the raw reading and
// the engineering value of every channel read, and the four status bytes.
// A value never changes once made.
class LiveSample {
public:
    // Every channel: what the full poll reads.
    static LiveChannelSet allChannels() { return LiveChannelSet().set(); }

    // The sample of a poll's converted values (after calibration) taken at
    // timeMs; read names the channels that poll asked the ECU for.
    static LiveSample fromEngineData(const EngineData& engine, qint64 timeMs,
                                     LiveChannelSet read = allChannels());

    qint64 timeMs() const { return m_timeMs; }
    LiveChannelSet channels() const { return m_read; }
    bool has(LiveChannel channel) const { return m_read.test(index(channel)); }
    // The reading behind a channel: the crank period (24 microsecond units)
    // for rpm, the injector count (2 microsecond units) for fuel and duty,
    // the half-degree count for ignition, the sensor byte for the others;
    // 0 for a channel not read.
    int raw(LiveChannel channel) const { return m_raw[index(channel)]; }
    // The engineering value after calibration: rpm, psi, per cent, degrees
    // F, volts, milliseconds, degrees of advance, the user input's value; 0
    // for a channel not read.
    float value(LiveChannel channel) const { return m_value[index(channel)]; }
    // MAP as a per cent of the sensor's span, kept with the MAP reading.
    float mapPercent() const { return m_mapPercent; }
    // Status byte 1..4 (engine state, outputs and inputs, check sum and
    // memory errors, the fourth byte).
    uint8_t status(int byte) const { return m_status[static_cast<size_t>(byte - 1)]; }

private:
    static size_t index(LiveChannel channel) { return static_cast<size_t>(channel); }

    qint64 m_timeMs = 0;
    LiveChannelSet m_read;
    std::array<int32_t, kLiveChannelCount> m_raw{};
    std::array<float, kLiveChannelCount> m_value{};
    float m_mapPercent = 0.0f;
    std::array<uint8_t, 4> m_status{};
};
