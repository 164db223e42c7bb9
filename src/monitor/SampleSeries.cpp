// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/SampleSeries.h"

#include "monitor/LiveSample.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();
} // namespace

SampleSeries::Column::Column() {
    values.fill(kNoValue);
}

SampleSeries::SampleSeries(qsizetype capacity, qint64 gapMs)
    : m_maxBlocks(std::max<qsizetype>(2, (capacity + kBlockRecords - 1) / kBlockRecords)),
      m_gapMs(gapMs) {}

SampleSeries::~SampleSeries() = default;

int SampleSeries::addChannel(const QString& name, const QString& unit) {
    if (const int index = channelIndex(name); index >= 0) {
        return index;
    }
    m_channels.push_back({name, unit});
    return channelCount() - 1;
}

int SampleSeries::channelIndex(const QString& name) const {
    const auto it = std::find_if(m_channels.begin(), m_channels.end(),
                                 [&name](const SeriesChannel& c) { return c.name == name; });
    return it == m_channels.end() ? -1 : static_cast<int>(it - m_channels.begin());
}

void SampleSeries::startRun(qint64 startMs, const QDateTime& clock) {
    m_pendingRun = SeriesRun{0, startMs, clock, SeriesRun::Start::Header};
    m_runPending = true;
}

bool SampleSeries::append(qint64 timeMs, std::span<const ChannelValue> values) {
    const qint64 last = m_size > 0 ? this->timeMs(m_size - 1) : timeMs;
    if (timeMs < last) {
        return false;
    }
    if (m_runPending || m_runs.empty()) {
        SeriesRun run = m_runPending ? m_pendingRun : SeriesRun{0, timeMs, {}};
        run.first = m_size;
        m_runs.push_back(run);
        m_runPending = false;
    } else if (m_gapMs > 0 && timeMs - last > m_gapMs) {
        const SeriesRun& before = m_runs.back();
        const QDateTime clock =
            before.clock.isValid() ? before.clock.addMSecs(timeMs - before.startMs) : QDateTime();
        m_runs.push_back({m_size, timeMs, clock, SeriesRun::Start::Gap});
    }

    if (m_blocks.empty() || m_blocks.back()->count == kBlockRecords) {
        if (static_cast<qsizetype>(m_blocks.size()) == m_maxBlocks) {
            dropOldestBlock();
        }
        m_blocks.push_back(std::make_unique<Block>());
    }
    Block& block = *m_blocks.back();
    const qsizetype at = block.count;
    block.time[static_cast<size_t>(at)] = timeMs;
    for (const ChannelValue& v : values) {
        if (v.channel < 0 || v.channel >= channelCount() || std::isnan(v.value)) {
            continue;
        }
        if (static_cast<int>(block.columns.size()) <= v.channel) {
            block.columns.resize(static_cast<size_t>(v.channel) + 1);
        }
        auto& slot = block.columns[static_cast<size_t>(v.channel)];
        if (!slot) {
            slot = std::make_unique<Column>();
        }
        slot->values[static_cast<size_t>(at)] = v.value;
        slot->tiles[static_cast<size_t>(at / kTileRecords)].add(v.value);
        slot->whole.add(v.value);
    }
    ++block.count;
    ++m_size;
    return true;
}

bool SampleSeries::append(const LiveSample& sample) {
    constexpr size_t kStatus = kLiveChannelCount;
    static_assert(std::tuple_size_v<decltype(m_liveChannels)> == kStatus + 1);
    if (!m_liveChannelsAdded) {
        for (int c = 0; c < kLiveChannelCount; ++c) {
            const auto channel = static_cast<LiveChannel>(c);
            m_liveChannels[static_cast<size_t>(c)] =
                addChannel(liveChannelName(channel), liveChannelUnit(channel));
        }
        m_liveChannels[kStatus] = addChannel(QStringLiteral("Status"), QString());
        m_liveChannelsAdded = true;
    }
    std::array<ChannelValue, kLiveChannelCount + 1> values;
    size_t n = 0;
    for (int c = 0; c < kLiveChannelCount; ++c) {
        const auto channel = static_cast<LiveChannel>(c);
        if (sample.has(channel)) {
            values[n++] = {m_liveChannels[static_cast<size_t>(c)], sample.value(channel)};
        }
    }
    values[n++] = {m_liveChannels[kStatus], static_cast<float>(sample.status(1))};
    return append(sample.timeMs(), std::span<const ChannelValue>(values.data(), n));
}

void SampleSeries::addMarker(qint64 timeMs, const QString& text) {
    m_markers.push_back({timeMs, text});
}

void SampleSeries::dropOldestBlock() {
    const qsizetype gone = m_blocks.front()->count;
    m_blocks.pop_front();
    m_size -= gone;
    m_dropped += gone;
    for (SeriesRun& run : m_runs) {
        run.first -= gone;
    }
    // The run that holds the new first record begins there now.
    const auto firstKept =
        std::upper_bound(m_runs.begin(), m_runs.end(), qsizetype(0),
                         [](qsizetype index, const SeriesRun& run) { return index < run.first; });
    if (firstKept != m_runs.begin()) {
        m_runs.erase(m_runs.begin(), firstKept - 1);
        m_runs.front().first = 0;
    }
    const qint64 firstTime = m_size > 0 ? timeMs(0) : std::numeric_limits<qint64>::max();
    std::erase_if(m_markers, [firstTime](const SeriesMarker& m) { return m.timeMs < firstTime; });
}

const SampleSeries::Column* SampleSeries::column(const Block& block, int channel) const {
    return channel >= 0 && channel < static_cast<int>(block.columns.size())
               ? block.columns[static_cast<size_t>(channel)].get()
               : nullptr;
}

qint64 SampleSeries::timeMs(qsizetype index) const {
    return m_blocks[static_cast<size_t>(index / kBlockRecords)]
        ->time[static_cast<size_t>(index % kBlockRecords)];
}

float SampleSeries::value(int channel, qsizetype index) const {
    const Column* c = column(*m_blocks[static_cast<size_t>(index / kBlockRecords)], channel);
    return c != nullptr ? c->values[static_cast<size_t>(index % kBlockRecords)] : kNoValue;
}

qsizetype SampleSeries::lowerBound(qint64 timeMs) const {
    // The first block whose last time reaches timeMs holds the answer.
    const auto block = std::partition_point(
        m_blocks.begin(), m_blocks.end(), [timeMs](const std::unique_ptr<Block>& b) {
            return b->time[static_cast<size_t>(b->count - 1)] < timeMs;
        });
    if (block == m_blocks.end()) {
        return m_size;
    }
    const auto& times = (*block)->time;
    const auto at = std::lower_bound(times.begin(), times.begin() + (*block)->count, timeMs);
    return (block - m_blocks.begin()) * kBlockRecords + (at - times.begin());
}

ValueRange SampleSeries::range(int channel, qsizetype from, qsizetype to) const {
    ValueRange r;
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, m_size);
    while (from < to) {
        const qsizetype b = from / kBlockRecords;
        const qsizetype begin = from - b * kBlockRecords;
        const qsizetype end = std::min(to - b * kBlockRecords, kBlockRecords);
        from = b * kBlockRecords + end;
        const Column* c = column(*m_blocks[static_cast<size_t>(b)], channel);
        if (c == nullptr) {
            continue;
        }
        if (begin == 0 && end == kBlockRecords) {
            r.add(c->whole);
            continue;
        }
        qsizetype p = begin;
        for (; p < end && p % kTileRecords != 0; ++p) {
            r.add(c->values[static_cast<size_t>(p)]);
        }
        for (; p + kTileRecords <= end; p += kTileRecords) {
            r.add(c->tiles[static_cast<size_t>(p / kTileRecords)]);
        }
        for (; p < end; ++p) {
            r.add(c->values[static_cast<size_t>(p)]);
        }
    }
    return r;
}

void SampleSeries::decimate(int channel, qint64 t0, qint64 t1,
                            std::span<ValueRange> columns) const {
    const auto n = static_cast<qint64>(columns.size());
    const double span = static_cast<double>(t1 - t0);
    qsizetype from = lowerBound(t0);
    for (qint64 k = 0; k < n; ++k) {
        const qint64 edge = t0 + static_cast<qint64>(std::llround(
                                     span * static_cast<double>(k + 1) / static_cast<double>(n)));
        const qsizetype to = lowerBound(edge);
        columns[static_cast<size_t>(k)] = range(channel, from, to);
        from = to;
    }
}

void SampleSeries::forEachRecord(
    qsizetype from, qsizetype to,
    const std::function<void(qsizetype, qint64, std::span<const float>)>& visit) const {
    std::vector<float> values(m_channels.size());
    std::vector<const Column*> columns(m_channels.size());
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, m_size);
    while (from < to) {
        const qsizetype b = from / kBlockRecords;
        const Block& block = *m_blocks[static_cast<size_t>(b)];
        for (size_t c = 0; c < columns.size(); ++c) {
            columns[c] = column(block, static_cast<int>(c));
        }
        const qsizetype end = std::min(to - b * kBlockRecords, kBlockRecords);
        for (qsizetype p = from - b * kBlockRecords; p < end; ++p) {
            for (size_t c = 0; c < columns.size(); ++c) {
                values[c] =
                    columns[c] != nullptr ? columns[c]->values[static_cast<size_t>(p)] : kNoValue;
            }
            visit(b * kBlockRecords + p, block.time[static_cast<size_t>(p)], values);
        }
        from = b * kBlockRecords + end;
    }
}

qsizetype SampleSeries::runOf(qsizetype index) const {
    const auto after =
        std::upper_bound(m_runs.begin(), m_runs.end(), index,
                         [](qsizetype i, const SeriesRun& run) { return i < run.first; });
    return std::max<qsizetype>(0, (after - m_runs.begin()) - 1);
}
