// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <array>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <span>
#include <vector>

class LiveSample;

// The lowest and highest value of a channel over some records; empty when
// none of them holds a value.
struct ValueRange {
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();

    bool empty() const { return !(min <= max); }
    // A missing value (NaN) changes nothing.
    void add(float value) {
        min = value < min ? value : min;
        max = value > max ? value : max;
    }
    void add(const ValueRange& other) {
        min = other.min < min ? other.min : min;
        max = other.max > max ? other.max : max;
    }
};

// A channel of the series: its name and unit ("Map", "psi").
struct SeriesChannel {
    QString name;
    QString unit;
};

// A stretch of records on one time base: the records of a log's header
// block, or of the live feed after a gap. Records added before any run was
// started form a run as if a header had started it.
struct SeriesRun {
    enum class Start { Header, Gap };

    qsizetype first = 0; // index of its first record
    qint64 startMs = 0;  // the series time of the run's time 0
    QDateTime clock;     // date and time of its time 0; invalid when unknown
    Start start = Start::Header;
};

// A note at a time: one the tuner typed, or one the program wrote (link lost).
struct SeriesMarker {
    qint64 timeMs = 0;
    QString text;
};

// One value of a record.
struct ChannelValue {
    int channel = 0;
    float value = 0.0f;
};

// Samples stored by channel: a time in milliseconds and, for each named
// channel, the record's value or none (NaN) where the record did not carry
// the channel. Filled by the live feed or by a log reader; read by the log
// review (fast minimum and maximum over a time range, one per pixel column)
// and by autotune (every record with all its channels).
//
// Bound: at most `capacity` records, by default 2^21 (2,097,152): 29 hours
// of 20 Hz samples, 12 days of the 500 ms poll, 2 million log records. A
// record costs 8 bytes of time and about 4 bytes per channel that holds
// values in its stretch of records, so the default with the 13 channels of a
// full log record stays near 130 MB. When a record would go beyond the bound
// the oldest 4096 are dropped (whole blocks, so the summaries stay right),
// together with the runs and markers before the first one kept; a log
// bigger than the bound is therefore kept as its newest `capacity` records,
// and dropped() tells how many went.
class SampleSeries {
public:
    static constexpr qsizetype kBlockRecords = 4096;
    static constexpr qsizetype kDefaultCapacity = qsizetype(1) << 21;
    // A record later than this after the one before starts a new run.
    static constexpr qint64 kDefaultGapMs = 2000;

    explicit SampleSeries(qsizetype capacity = kDefaultCapacity, qint64 gapMs = kDefaultGapMs);
    ~SampleSeries();
    SampleSeries(const SampleSeries&) = delete;
    SampleSeries& operator=(const SampleSeries&) = delete;

    // Channels ----------------------------------------------------------
    // The channel of that name, added when new.
    int addChannel(const QString& name, const QString& unit);
    // -1 when there is no such channel.
    int channelIndex(const QString& name) const;
    int channelCount() const { return static_cast<int>(m_channels.size()); }
    const SeriesChannel& channel(int index) const { return m_channels[static_cast<size_t>(index)]; }

    // Writing -----------------------------------------------------------
    // The next record starts a run whose time 0 is startMs and whose clock
    // shows that time.
    void startRun(qint64 startMs, const QDateTime& clock);
    // Adds a record. Times never go back: a record earlier than the last
    // one is refused (false).
    bool append(qint64 timeMs, std::span<const ChannelValue> values);
    // Adds a live sample: its channels by their log names, and "Status"
    // from the first status byte.
    bool append(const LiveSample& sample);
    void addMarker(qint64 timeMs, const QString& text);

    // Reading -----------------------------------------------------------
    qsizetype size() const { return m_size; }
    qsizetype capacity() const { return m_maxBlocks * kBlockRecords; }
    // Records dropped from the front to stay within the bound.
    qint64 dropped() const { return m_dropped; }
    qint64 timeMs(qsizetype index) const;
    // NaN where the record does not carry the channel.
    float value(int channel, qsizetype index) const;
    // The first record at or after timeMs (size() when none).
    qsizetype lowerBound(qint64 timeMs) const;
    // The values of records from..to-1.
    ValueRange range(int channel, qsizetype from, qsizetype to) const;
    // The records from t0 up to t1 in columns.size() equal slices of time,
    // each slice's value range: what a plot draws as one vertical line per
    // pixel column.
    void decimate(int channel, qint64 t0, qint64 t1, std::span<ValueRange> columns) const;
    // Calls visit for every record from..to-1 with its time and the values
    // of all channels (NaN where it has none), in channel order.
    void forEachRecord(qsizetype from, qsizetype to,
                       const std::function<void(qsizetype index, qint64 timeMs,
                                                std::span<const float> values)>& visit) const;

    const std::vector<SeriesRun>& runs() const { return m_runs; }
    // The run that holds a record.
    qsizetype runOf(qsizetype index) const;
    const std::vector<SeriesMarker>& markers() const { return m_markers; }

private:
    static constexpr qsizetype kTileRecords = 64;
    static constexpr qsizetype kTiles = kBlockRecords / kTileRecords;

    // One channel's values in a block, with the range of each tile of 64
    // records and of the whole block.
    struct Column {
        Column();
        std::array<float, kBlockRecords> values;
        std::array<ValueRange, kTiles> tiles{};
        ValueRange whole;
    };
    struct Block {
        std::array<qint64, kBlockRecords> time{};
        qsizetype count = 0;
        std::vector<std::unique_ptr<Column>> columns; // by channel; null: no values
    };

    void dropOldestBlock();
    const Column* column(const Block& block, int channel) const;

    qsizetype m_maxBlocks;
    qint64 m_gapMs;
    std::vector<SeriesChannel> m_channels;
    std::deque<std::unique_ptr<Block>> m_blocks;
    qsizetype m_size = 0;
    qint64 m_dropped = 0;
    std::vector<SeriesRun> m_runs;
    bool m_runPending = false;
    SeriesRun m_pendingRun;
    std::vector<SeriesMarker> m_markers;
    std::array<int, 13> m_liveChannels{}; // series channel of each live one and the status
    bool m_liveChannelsAdded = false;
};
