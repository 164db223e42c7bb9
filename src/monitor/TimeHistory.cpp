// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/TimeHistory.h"

#include "comm/CommandTable.h"
#include "monitor/SampleSeries.h"
#include "record/AppState.h"
#include "record/Limits.h"
#include "record/NumberFormat.h"
#include "record/Rounding.h"
#include "record/SettingCodes.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

const QString kDegree = QString(QChar(0xB0));

constexpr std::array<int, 5> kPointCounts{20, 100, 200, 400, 1000};
constexpr int kDefaultPointIndex = 1;

// Asked for on every sample, whatever the traces show.
constexpr std::array<EcuCommand, 4> kSampleRequests{
    EcuCommand::MapRaw, EcuCommand::TpsRaw, EcuCommand::EnginePeriod, EcuCommand::EngineStatus1};

constexpr float kLimitMin = -100.0f;
constexpr float kLimitMax = 20000.0f;

bool isLiveChannel(int channel) {
    return channel >= 0 && channel < PlotChannel::LiveCount;
}

PlotChannelInfo userInputInfo(int input, AnalogInputMode mode) {
    const QString n = QString::number(input + 1);
    switch (mode) {
    case AnalogInputMode::FuelPercent:
        return {" Fuel Compensation (%)",
                userInputCommandCode(input),
                "Fuel Compensation  ",
                "##0.0",
                "%",
                "###0.0"};
    case AnalogInputMode::IgnitionDegrees:
        return {" Ignition Compensation (DBTDC)",
                userInputCommandCode(input),
                "Ignition Compensation  ",
                "##0",
                " DBTDC",
                "###0.0"};
    case AnalogInputMode::Ego:
        return {" EGO (Voltage)", userInputCommandCode(input), "EGO  ", "##0.0", " volt",
                "###0.00"};
    default:
        // Mode 0, and any mode the ECU does not know, shows the input's voltage.
        return {" User " + n + " (Voltage)",
                userInputCommandCode(input),
                "User #" + n + "  ",
                "##0.00",
                " volt",
                "###0.0"};
    }
}

// The leading number of a text, as typed into a box ("12abc" gives 12).
std::optional<double> leadingNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?))"));
    const auto match = number.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

int traceOfBox(int box) {
    return box < 2 ? 0 : 1;
}

} // namespace

PlotChannelInfo plotChannelInfo(int channel, const EcuSettings& settings) {
    switch (channel) {
    case PlotChannel::Fuel:
        return {" Fuel Open Time (ms)",
                commandCode(EcuCommand::InjectorTime),
                "Fuel ",
                "#0.00",
                " ms",
                "####0.00"};
    case PlotChannel::Ignition:
        return {" Ignition (DBTDC)",
                commandCode(EcuCommand::IgnitionRaw),
                "Ignition ",
                "##0.0",
                kDegree,
                "####0.0"};
    case PlotChannel::Tps:
        return {" Tps (%)", 0, "Tps ", "##0.0", " %", "####0.0"};
    case PlotChannel::Rpm:
        return {" Rpm", 0, "Rpm ", "####0", "", "####0"};
    case PlotChannel::Air:
        return {" Air Temp (" + kDegree + "F)",
                commandCode(EcuCommand::AirRaw),
                "Air Temp ",
                "##0",
                kDegree + "F",
                "####0"};
    case PlotChannel::Water:
        return {" Water Temp (" + kDegree + "F)",
                commandCode(EcuCommand::WaterRaw),
                "Water Temp ",
                "##0",
                kDegree + "F",
                "####0"};
    case PlotChannel::Battery:
        return {" Battery Voltage ",
                commandCode(EcuCommand::BatteryRaw),
                "Battery Volt ",
                "##0.00",
                "",
                "####0.0"};
    case PlotChannel::Map:
        return {" Map (psi)", 0, "Map ", "#0.00", " psi", "####0.0"};
    case PlotChannel::User1:
    case PlotChannel::User2:
    case PlotChannel::User3: {
        const int input = channel - PlotChannel::User1;
        return userInputInfo(input, analogInputMode(settings, input));
    }
    default:
        return {" Off ", 0, "", "", "", ""};
    }
}

QStringList plotChannelItems(const EcuSettings& settings, bool withOff) {
    QStringList items;
    for (int c = 0; c < PlotChannel::LiveCount; ++c) {
        items << plotChannelInfo(c, settings).itemText;
    }
    if (withOff) {
        items << plotChannelInfo(PlotChannel::Off, settings).itemText;
    }
    return items;
}

int resolvePlotChoice(int stored, int listLength) {
    if (stored >= listLength) {
        return listLength - 1;
    }
    return stored < 0 ? 0 : stored;
}

QStringList plotPointItems() {
    return {"  20 Points", " 100 Points", " 200 Points", " 400 Points", "1000 Points"};
}

std::optional<int> plotPointCount(int index) {
    if (index < 0 || index >= static_cast<int>(kPointCounts.size())) {
        return std::nullopt;
    }
    return kPointCounts[static_cast<size_t>(index)];
}

int resolvePlotPointIndex(int stored) {
    return plotPointCount(stored) ? stored : kDefaultPointIndex;
}

bool applyPlotLimitEntry(DisplaySettings& display, const std::array<int, 2>& channels, int box,
                         const QString& text) {
    if (box < 0 || box > 3) {
        return false;
    }
    const int k = traceOfBox(box);
    const int channel = channels[static_cast<size_t>(k)];
    if (!isLiveChannel(channel)) {
        return false;
    }
    const auto number = leadingNumber(text);
    if (!number) {
        return false;
    }
    // Rounding first keeps huge entries away from the integer range.
    const double limited = std::clamp(*number, -1.0e6, 1.0e6);
    const float whole = static_cast<float>(roundHalfEven(limited));
    const float value = checkMaxMin(kLimitMin, kLimitMax, whole);
    PlotChannelScale& scale = display.PlotChannelScales[static_cast<size_t>(channel)];
    if (box % 2 == 0) {
        scale.Min[static_cast<size_t>(k)] = value;
    } else {
        scale.Max[static_cast<size_t>(k)] = value;
    }
    return true;
}

QString plotLimitText(const DisplaySettings& display, const EcuSettings& settings,
                      const std::array<int, 2>& channels, int box) {
    if (box < 0 || box > 3) {
        return {};
    }
    const int k = traceOfBox(box);
    const int channel = channels[static_cast<size_t>(k)];
    if (!isLiveChannel(channel)) {
        return {};
    }
    const PlotChannelScale& scale = display.PlotChannelScales[static_cast<size_t>(channel)];
    const float value =
        box % 2 == 0 ? scale.Min[static_cast<size_t>(k)] : scale.Max[static_cast<size_t>(k)];
    return formatNumber(value, plotChannelInfo(channel, settings).scalePattern);
}

std::vector<int> plotSampleRequests(const AppState& state, const EcuSettings& settings,
                                    const std::array<int, 2>& channels) {
    std::vector<int> requests;
    for (const EcuCommand command : kSampleRequests) {
        requests.push_back(commandCode(command));
    }
    if (state.DeveloperMode && state.LogExtra) {
        for (const FieldId field : kSpareValueReads) {
            requests.push_back(fieldRow(field).readCode);
        }
    }
    for (const int channel : channels) {
        if (!isLiveChannel(channel)) {
            continue;
        }
        const int own = plotChannelInfo(channel, settings).request;
        if (own != 0) {
            requests.push_back(own);
        }
    }
    return requests;
}

LiveChannel plotLiveChannel(int channel) {
    switch (channel) {
    case PlotChannel::Fuel:
        return LiveChannel::Fuel;
    case PlotChannel::Ignition:
        return LiveChannel::Ignition;
    case PlotChannel::Tps:
        return LiveChannel::Tps;
    case PlotChannel::Air:
        return LiveChannel::Air;
    case PlotChannel::Water:
        return LiveChannel::Water;
    case PlotChannel::Battery:
        return LiveChannel::Battery;
    case PlotChannel::Map:
        return LiveChannel::Map;
    case PlotChannel::User1:
        return LiveChannel::User1;
    case PlotChannel::User2:
        return LiveChannel::User2;
    case PlotChannel::User3:
        return LiveChannel::User3;
    default:
        return LiveChannel::Rpm;
    }
}

LiveChannelSet plotSampleChannels(const std::array<int, 2>& channels) {
    LiveChannelSet set;
    for (const LiveChannel always : {LiveChannel::Rpm, LiveChannel::Map, LiveChannel::Tps}) {
        set.set(static_cast<size_t>(always));
    }
    for (const int channel : channels) {
        if (isLiveChannel(channel)) {
            set.set(static_cast<size_t>(plotLiveChannel(channel)));
        }
    }
    return set;
}

float plotChannelValue(int channel, const LiveSample& sample) {
    return isLiveChannel(channel) ? sample.value(plotLiveChannel(channel)) : 0.0f;
}

float mapTrace2Value(float value, float min1, float max1, float min0, float max0) {
    if (max1 == min1) {
        return min0;
    }
    return min0 + (value - min1) * (max0 - min0) / (max1 - min1);
}

QString plotValueLabel(int channel, const EcuSettings& settings, const LiveSample& sample) {
    if (!isLiveChannel(channel)) {
        return {};
    }
    const PlotChannelInfo info = plotChannelInfo(channel, settings);
    return info.labelPrefix + formatNumber(plotChannelValue(channel, sample), info.labelPattern) +
           info.labelSuffix;
}

QString plotRpmLabel(const LiveSample& sample) {
    return "Rpm " + formatNumber(sample.value(LiveChannel::Rpm), QStringLiteral("####0"));
}

std::optional<QString> plotLoadLabel(const EcuSettings& settings, const LiveSample& sample) {
    const QString pattern = QStringLiteral("#0.00");
    switch (loadControl(settings)) {
    case LoadControl::Map:
        return " Load " + formatNumber(sample.value(LiveChannel::Map), pattern) + " psi";
    case LoadControl::Tps:
        return formatNumber(sample.value(LiveChannel::Tps), pattern) + " %";
    case LoadControl::Volts: {
        // Load in volts: the throttle input's voltage.
        const double volts = sample.raw(LiveChannel::Tps) * 5.0 / 255.0;
        return "Load " + formatNumber(volts, pattern) + " volt";
    }
    default:
        return std::nullopt;
    }
}

PlotRun::PlotRun(const AppState& state, const EcuSettings& settings)
    : m_state(state), m_settings(settings) {
    restart();
}

PlotRun::~PlotRun() = default;

void PlotRun::restart() {
    m_x = 0;
    m_havePrevious = false;
    // Two blocks of the series hold the whole history.
    m_history = std::make_unique<SampleSeries>(2 * SampleSeries::kBlockRecords);
}

float PlotRun::historyValue(int trace, qsizetype index) const {
    const int channel = m_channels[static_cast<size_t>(trace)];
    if (!isLiveChannel(channel)) {
        return 0.0f;
    }
    const int column = m_history->channelIndex(liveChannelName(plotLiveChannel(channel)));
    return column < 0 ? 0.0f : m_history->value(column, index);
}

PlotSample PlotRun::take(const LiveSample& live) {
    PlotSample sample;
    sample.trace2Active = trace2Active();
    const int traces = sample.trace2Active ? 2 : 1;
    for (int k = 0; k < traces; ++k) {
        const int channel = m_channels[static_cast<size_t>(k)];
        sample.values[static_cast<size_t>(k)] = plotChannelValue(channel, live);
        sample.valueLabels[static_cast<size_t>(k)] = plotValueLabel(channel, m_settings, live);
    }

    // Trace 2 is drawn in trace 1's coordinates.
    std::array<float, 2> plotted{sample.values[0], 0.0f};
    if (sample.trace2Active) {
        const auto& s0 = m_state.display.PlotChannelScales[static_cast<size_t>(m_channels[0])];
        const auto& s1 = m_state.display.PlotChannelScales[static_cast<size_t>(m_channels[1])];
        plotted[1] = mapTrace2Value(sample.values[1], s1.Min[1], s1.Max[1], s0.Min[0], s0.Max[0]);
    }

    if (m_havePrevious && m_x + 1 > m_pointCount) {
        sample.wrapped = true;
        m_x = 0;
        m_havePrevious = false;
    }
    if (m_havePrevious) {
        const int from = m_x;
        m_x += 1;
        for (int k = 0; k < traces; ++k) {
            const auto t = static_cast<size_t>(k);
            sample.segments.push_back({k, QPointF(from, m_previous[t]), QPointF(m_x, plotted[t])});
        }
    }
    m_previous = plotted;
    m_havePrevious = true;

    if (m_history->size() < kHistorySamples) {
        m_history->append(live);
    }

    sample.rpmLabel = plotRpmLabel(live);
    sample.loadLabel = plotLoadLabel(m_settings, live);
    return sample;
}
