// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autotune/Autotune.h"
#include "monitor/SampleLogReader.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

class LiveSample;

// The EGO sensor's input (0..2): the one given, or else the first analog
// input in EGO mode; nothing when neither names one.
std::optional<int> egoInput(const EcuSettings& settings, std::optional<int> given);

// A live sample as autotune reads it, the EGO volts from user input
// egoInput; nothing when the sample lacks a channel autotune reads.
std::optional<AutotuneSample> autotuneSample(const LiveSample& sample, int egoInput);

// Feeds an autotune session from data logs (through readLogRecords): each
// run of a log starts a run of the session. Only records that carry every
// value autotune reads are fed: the full records written after each poll.
// The time history plot's records lack the water and injector columns and
// are counted apart.
class AutotuneLogFeed : public LogRecordSink {
public:
    AutotuneLogFeed(Autotune& autotune, int egoInput);

    int addChannel(const QString& name, const QString& unit) override;
    void startRun(qint64 startMs, const QDateTime& clock) override;
    bool append(qint64 timeMs, std::span<const ChannelValue> values) override;
    void addMarker(qint64 timeMs, const QString& text) override;

    // Records left out because they lack a value autotune reads.
    qint64 incompleteRecords() const { return m_incomplete; }

private:
    enum Role { Rpm, Map, Tps, Water, Fuel, Ego, kRoles };

    Autotune& m_autotune;
    std::array<QString, kRoles> m_names;
    std::vector<QString> m_channels; // by channel number
    std::vector<int> m_roleOf;       // by channel number; -1 for the others
    qint64 m_incomplete = 0;
};
