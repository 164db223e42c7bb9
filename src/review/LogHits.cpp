// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/LogHits.h"

#include "monitor/LiveSample.h"
#include "monitor/SampleSeries.h"

namespace {

struct PointChannels {
    int rpm = -1;
    int map = -1;
    int tps = -1;
};

PointChannels pointChannels(const SampleSeries& series) {
    return {findSeriesChannel(series, liveChannelName(LiveChannel::Rpm)),
            findSeriesChannel(series, liveChannelName(LiveChannel::Map)),
            findSeriesChannel(series, liveChannelName(LiveChannel::Tps))};
}

double valueOf(std::span<const float> values, int channel) {
    return channel >= 0 ? values[static_cast<size_t>(channel)] : LoggedPoint::kNone;
}

} // namespace

LoggedPoint loggedPoint(const SampleSeries& series, qsizetype index) {
    const PointChannels c = pointChannels(series);
    const auto value = [&](int channel) {
        return channel >= 0 ? double(series.value(channel, index)) : LoggedPoint::kNone;
    };
    return {value(c.rpm), value(c.map), value(c.tps)};
}

SeriesHits::SeriesHits(std::shared_ptr<const SampleSeries> series, QString logName,
                       ChannelFilter filter)
    : m_series(std::move(series)), m_logName(std::move(logName)), m_filter(std::move(filter)) {}

QString SeriesHits::description() const {
    return m_filter.isEmpty() ? m_logName
                              : QStringLiteral("%1, %2").arg(m_logName, m_filter.text());
}

std::vector<HitChannel> SeriesHits::channels() const {
    std::vector<HitChannel> channels;
    for (int c = 0; c < m_series->channelCount(); ++c) {
        channels.push_back({m_series->channel(c).name, m_series->channel(c).unit});
    }
    return channels;
}

CellHits SeriesHits::count(const EcuSettings& settings, const QString& meanOf) const {
    CellHits hits;
    const PointChannels c = pointChannels(*m_series);
    const int mean = meanOf.isEmpty() ? -1 : findSeriesChannel(*m_series, meanOf);
    const ChannelFilter::Bound filter = m_filter.bind(*m_series);
    m_series->forEachRecord(
        0, m_series->size(), [&](qsizetype, qint64, std::span<const float> values) {
            if (!filter.passes(values)) {
                return;
            }
            const LoggedPoint point{valueOf(values, c.rpm), valueOf(values, c.map),
                                    valueOf(values, c.tps)};
            hits.add(settings, point, valueOf(values, mean));
        });
    return hits;
}
