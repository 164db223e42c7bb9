#pragma once

#include "comm/CommandSender.h"

#include <QPointF>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct AppState;
struct DisplaySettings;
struct EcuSettings;
struct EngineData;

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
std::vector<int> plotSampleRequests(const AppState& state, const std::array<int, 2>& channels);

// The engineering value of a live channel after calibration.
float plotChannelValue(int channel, const EngineData& engine);

// Trace 2's value in trace 1's coordinates: trace 2's Min(1) and Max(1) fall on
// trace 1's Min(0) and Max(0). A trace-2 range of zero puts the value on Min(0).
float mapTrace2Value(float value, float min1, float max1, float min0, float max0);

// Label texts shown while sampling.
QString plotValueLabel(int channel, const AppState& state);
QString plotRpmLabel(const EngineData& engine);
// Nothing for a load control other than 1, 2 or 3.
std::optional<QString> plotLoadLabel(const AppState& state);

// Samples kept for printing: time, trace-1 value and trace-2 value, filled in
// order while the plot runs, at most kSlots of them.
class PlotHistory {
public:
    static constexpr int kSlots = 5001;

    PlotHistory();
    void clear() { m_count = 0; }
    // Stores a sample while there is room; returns whether it was stored.
    bool add(float time, float trace1, float trace2);
    int16_t count() const { return m_count; }
    float time(int i) const { return m_time[static_cast<size_t>(i)]; }
    float trace1(int i) const { return m_trace1[static_cast<size_t>(i)]; }
    float trace2(int i) const { return m_trace2[static_cast<size_t>(i)]; }

private:
    int16_t m_count = 0;
    std::vector<float> m_time;
    std::vector<float> m_trace1;
    std::vector<float> m_trace2;
};

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

// Takes the samples of a running plot: sends the reduced request set, runs the
// calibration, and works out the labels, the line segments and the history.
// Also keeps the running state and the shared plot and log flags.
class PlotSampler {
public:
    using RecordWriter = std::function<void(const PlotSample&)>;

    PlotSampler(AppState& state, CommandSender request);

    // Writes one plot record to the data log; called after a sample while
    // logging is on.
    void setRecordWriter(RecordWriter writer) { m_writeRecord = std::move(writer); }

    // Start: running, a log header is due, a new run begins.
    void start();
    // Stop: not running, a log header is due before the next record.
    void stop();
    bool running() const { return m_running; }
    // One timer tick: stops when the ECU is offline, otherwise takes a sample
    // and logs it while logging is on. Nothing when stopped or offline.
    std::optional<PlotSample> tick(float timeSeconds);

    // Trace channels: trace 2 is off when its channel is PlotChannel::Off.
    void setChannels(const std::array<int, 2>& channels) { m_channels = channels; }
    const std::array<int, 2>& channels() const { return m_channels; }
    bool trace2Active() const { return m_channels[1] != PlotChannel::Off; }
    void setPointCount(int n) { m_pointCount = n; }
    int pointCount() const { return m_pointCount; }

    // A new run: drawing starts at the left edge and the history is emptied.
    void restart();
    // Takes one sample; timeSeconds is the time since the start of the run.
    PlotSample takeSample(float timeSeconds);

    const PlotHistory& history() const { return m_history; }

private:
    AppState& m_state;
    CommandSender m_request;
    RecordWriter m_writeRecord;
    bool m_running = false;
    std::array<int, 2> m_channels{0, PlotChannel::Off};
    int m_pointCount = 100;
    int m_x = 0;
    bool m_havePrevious = false;
    std::array<float, 2> m_previous{};
    PlotHistory m_history;
};
