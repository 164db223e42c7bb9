// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/CommandSender.h"
#include "monitor/LiveSample.h"

#include <QPointF>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct AppState;
struct DisplaySettings;
struct EcuSettings;
class SampleSeries;

// The channels the time history plot can draw. Channels 0..10 are live values;
// the second trace's list carries one more entry, " Off ".
namespace PlotChannel {
constexpr int Fuel = 0;
constexpr int Ignition = 1;
constexpr int Tps = 2;
constexpr int Rpm = 3;
constexpr int Air = 4;
constexpr int Water = 5;
constexpr int Battery = 6;
constexpr int Map = 7;
constexpr int User1 = 8;
constexpr int User2 = 9;
constexpr int User3 = 10;
constexpr int Off = 11;
constexpr int LiveCount = 11; // entries of the first trace's list
} // namespace PlotChannel

// How one channel is listed, requested and shown.
struct PlotChannelInfo {
    QString itemText;
    int request = 0; // 0: the value comes with the fixed requests of every sample
    QString labelPrefix;
    QString labelPattern;
    QString labelSuffix;
    QString scalePattern;
};

// Description of a channel; user inputs are described by their analog mode.
// The " Off " entry has no request, label or scale pattern.
PlotChannelInfo plotChannelInfo(int channel, const EcuSettings& settings);

// Item texts of a channel combo: trace 1 lists the live channels, trace 2
// adds " Off " at the end.
QStringList plotChannelItems(const EcuSettings& settings, bool withOff);

// The list entry a stored choice selects: a choice at or beyond the end of the
// list selects the last entry; a negative one selects the first.
int resolvePlotChoice(int stored, int listLength);

// Point-count list ("  20 Points" ... "1000 Points") and the count of an entry
// (nothing for an index outside the list).
QStringList plotPointItems();
std::optional<int> plotPointCount(int index);
// The entry a stored point-count index selects; an index outside the list
// selects " 100 Points".
int resolvePlotPointIndex(int stored);

// Applies the text of limit box 0..3 to the scale record of the channel shown
// on trace k (k = 0 for boxes 0 and 1, 1 for boxes 2 and 3): boxes 0 and 2
// set Min(k), boxes 1 and 3 set Max(k). The leading number of the text is
// rounded to a whole number and limited to -100..20000. Returns false and
// leaves the record alone when the text holds no number or the trace shows no
// live channel.
bool applyPlotLimitEntry(DisplaySettings& display, const std::array<int, 2>& channels, int box,
                         const QString& text);

// The text a limit box shows: the limit in its channel's scale pattern, or
// nothing when the trace shows no live channel.
QString plotLimitText(const DisplaySettings& display, const EcuSettings& settings,
                      const std::array<int, 2>& channels, int box);

// The requests of one sample: MAP, throttle, crank period and status, the
// spare values in developer mode with extra logging, then the own request of
// trace 1 and of trace 2 when it is on.
std::vector<int> plotSampleRequests(const AppState& state, const EcuSettings& settings,
                                    const std::array<int, 2>& channels);

// The sample channel a plot channel shows, and the channels of a reduced
// sample: rpm, MAP and throttle, which every sample reads, and each trace's.
LiveChannel plotLiveChannel(int channel);
LiveChannelSet plotSampleChannels(const std::array<int, 2>& channels);

// The engineering value of a plot channel in a sample.
float plotChannelValue(int channel, const LiveSample& sample);

// Trace 2's value in trace 1's coordinates: trace 2's Min(1) and Max(1) fall on
// trace 1's Min(0) and Max(0). A trace-2 range of zero puts the value on Min(0).
float mapTrace2Value(float value, float min1, float max1, float min0, float max0);

// Label texts shown while sampling.
QString plotValueLabel(int channel, const EcuSettings& settings, const LiveSample& sample);
QString plotRpmLabel(const LiveSample& sample);
// Nothing for a load control other than 1, 2 or 3.
std::optional<QString> plotLoadLabel(const EcuSettings& settings, const LiveSample& sample);

// One line to draw, in plot coordinates: x in sample steps from the left edge,
// y in trace 1's units.
struct PlotSegment {
    int trace = 0; // 0 or 1
    QPointF from;
    QPointF to;
};

// What one sample produced.
struct PlotSample {
    std::array<float, 2> values{};
    bool trace2Active = false;
    std::array<QString, 2> valueLabels;
    QString rpmLabel;
    std::optional<QString> loadLabel;
    // The x position passed the point count: the frame is to be drawn empty
    // again and the current values are the first points at the left edge.
    bool wrapped = false;
    std::vector<PlotSegment> segments;
};

// The drawing of a running plot from its reduced samples: the labels, one
// line segment per trace and sample, and the series of the run's first
// kHistorySamples samples, which the printed plot is drawn from.
class PlotRun {
public:
    static constexpr qsizetype kHistorySamples = 5001;

    // settings is the record the labels are worked out for.
    PlotRun(const AppState& state, const EcuSettings& settings);
    ~PlotRun();

    // Trace channels: trace 2 is off when its channel is PlotChannel::Off.
    void setChannels(const std::array<int, 2>& channels) { m_channels = channels; }
    const std::array<int, 2>& channels() const { return m_channels; }
    bool trace2Active() const { return m_channels[1] != PlotChannel::Off; }
    void setPointCount(int n) { m_pointCount = n; }
    int pointCount() const { return m_pointCount; }

    // A new run: drawing starts at the left edge and the history is emptied.
    void restart();
    // Draws one sample of the run.
    PlotSample take(const LiveSample& sample);

    // The run's samples while there was room, in time order.
    const SampleSeries& history() const { return *m_history; }
    // A trace's value in a sample of the history; 0 for trace 2 while off.
    float historyValue(int trace, qsizetype index) const;

private:
    const AppState& m_state;
    const EcuSettings& m_settings;
    std::array<int, 2> m_channels{0, PlotChannel::Off};
    int m_pointCount = 100;
    int m_x = 0;
    bool m_havePrevious = false;
    std::array<float, 2> m_previous{};
    std::unique_ptr<SampleSeries> m_history;
};
