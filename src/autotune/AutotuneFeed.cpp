// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/AutotuneFeed.h"

#include "monitor/LiveSample.h"
#include "monitor/SampleSeries.h"
#include "record/SettingCodes.h"

#include <algorithm>
#include <cmath>

namespace {

LiveChannel userChannel(int input) {
    return static_cast<LiveChannel>(static_cast<int>(LiveChannel::User1) + input);
}

} // namespace

std::optional<int> egoInput(const EcuSettings& settings, std::optional<int> given) {
    if (given) {
        return given;
    }
    for (int input = 0; input < EcuSettings::kUserInputs; ++input) {
        if (analogInputMode(settings, input) == AnalogInputMode::Ego) {
            return input;
        }
    }
    return std::nullopt;
}

std::optional<AutotuneSample> autotuneSample(const LiveSample& sample, int egoInput) {
    const LiveChannel ego = userChannel(egoInput);
    for (const LiveChannel channel : {LiveChannel::Rpm, LiveChannel::Map, LiveChannel::Tps,
                                      LiveChannel::Water, LiveChannel::Fuel, ego}) {
        if (!sample.has(channel)) {
            return std::nullopt;
        }
    }
    return AutotuneSample{sample.timeMs(),
                          sample.value(LiveChannel::Rpm),
                          sample.value(LiveChannel::Map),
                          sample.value(LiveChannel::Tps),
                          sample.value(LiveChannel::Water),
                          sample.value(LiveChannel::Fuel),
                          sample.value(ego)};
}

AutotuneLogFeed::AutotuneLogFeed(Autotune& autotune, int egoInput)
    : m_autotune(autotune), m_names{liveChannelName(LiveChannel::Rpm),
                                    liveChannelName(LiveChannel::Map),
                                    liveChannelName(LiveChannel::Tps),
                                    liveChannelName(LiveChannel::Water),
                                    liveChannelName(LiveChannel::Fuel),
                                    liveChannelName(userChannel(egoInput))} {}

int AutotuneLogFeed::addChannel(const QString& name, const QString&) {
    const auto known = std::find(m_channels.begin(), m_channels.end(), name);
    if (known != m_channels.end()) {
        return static_cast<int>(known - m_channels.begin());
    }
    const auto role = std::find(m_names.begin(), m_names.end(), name);
    m_channels.push_back(name);
    m_roleOf.push_back(role == m_names.end() ? -1 : static_cast<int>(role - m_names.begin()));
    return static_cast<int>(m_channels.size()) - 1;
}

void AutotuneLogFeed::startRun(qint64, const QDateTime&) {
    m_autotune.startRun();
}

bool AutotuneLogFeed::append(qint64 timeMs, std::span<const ChannelValue> values) {
    std::array<double, kRoles> value{};
    value.fill(std::nan(""));
    for (const ChannelValue& v : values) {
        const int role = m_roleOf[static_cast<size_t>(v.channel)];
        if (role >= 0) {
            value[static_cast<size_t>(role)] = v.value;
        }
    }
    for (const double v : value) {
        if (std::isnan(v)) {
            ++m_incomplete;
            return true;
        }
    }
    m_autotune.add(
        {timeMs, value[Rpm], value[Map], value[Tps], value[Water], value[Fuel], value[Ego]});
    return true;
}

void AutotuneLogFeed::addMarker(qint64, const QString&) {}
