// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LiveSample.h"

#include "record/EngineData.h"

namespace {

struct ChannelText {
    const char* name;
    const char* unit; // Latin-1
};

constexpr std::array<ChannelText, kLiveChannelCount> kChannelTexts{{
    {"Rpm", "rpm"},
    {"Map", "psi"},
    {"TPS", "%"},
    {"Air", "\xB0"
            "F"},
    {"Water", "\xB0"
              "F"},
    {"Battery", "V"},
    {"Duty", "%"},
    {"Fuel", "ms"},
    {"Ignition", "\xB0"
                 "BTDC"},
    {"User 1", ""},
    {"User 2", ""},
    {"User 3", ""},
}};

} // namespace

QString liveChannelName(LiveChannel channel) {
    return QString::fromLatin1(kChannelTexts[static_cast<size_t>(channel)].name);
}

QString liveChannelUnit(LiveChannel channel) {
    return QString::fromLatin1(kChannelTexts[static_cast<size_t>(channel)].unit);
}

LiveSample LiveSample::fromEngineData(const EngineData& engine, qint64 timeMs,
                                      LiveChannelSet read) {
    struct Source {
        LiveChannel channel;
        const EngineChannel& converted;
        int raw;
    };
    const int injector = engine.InjectorChannel.raw16();
    const Source sources[] = {
        {LiveChannel::Rpm, engine.RpmChannel, engine.PeriodChannel.raw16()},
        {LiveChannel::Map, engine.MapChannel, engine.MapChannel.RawLow},
        {LiveChannel::Tps, engine.TpsChannel, engine.TpsChannel.RawLow},
        {LiveChannel::Air, engine.AirChannel, engine.AirChannel.RawLow},
        {LiveChannel::Water, engine.WaterChannel, engine.WaterChannel.RawLow},
        {LiveChannel::Battery, engine.BatteryChannel, engine.BatteryChannel.RawLow},
        {LiveChannel::Duty, engine.DutyChannel, injector},
        {LiveChannel::Fuel, engine.FuelChannel, injector},
        {LiveChannel::Ignition, engine.IgnitionChannel, engine.AdvanceChannel.RawLow},
        {LiveChannel::User1, engine.UserChannel[0], engine.UserChannel[0].RawLow},
        {LiveChannel::User2, engine.UserChannel[1], engine.UserChannel[1].RawLow},
        {LiveChannel::User3, engine.UserChannel[2], engine.UserChannel[2].RawLow},
    };
    LiveSample sample;
    sample.m_timeMs = timeMs;
    sample.m_read = read;
    for (const Source& source : sources) {
        if (read.test(index(source.channel))) {
            sample.m_raw[index(source.channel)] = source.raw;
            sample.m_value[index(source.channel)] = source.converted.Value;
        }
    }
    if (read.test(index(LiveChannel::Map))) {
        sample.m_mapPercent = engine.MapPercent;
    }
    sample.m_status = {engine.EngineStatus1, engine.EngineStatus2, engine.EngineStatus3,
                       engine.EngineStatus4};
    return sample;
}
