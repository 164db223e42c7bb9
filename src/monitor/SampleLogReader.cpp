// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/SampleLogReader.h"

#include "monitor/CsvCells.h"
#include "monitor/LineReader.h"
#include "monitor/LogParser.h"
#include "monitor/SampleSeries.h"

#include <QIODevice>
#include <cmath>
#include <map>
#include <vector>

namespace {

constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;
constexpr int kLineNumbersKept = 10;

qint64 milliseconds(double seconds) {
    return std::llround(seconds * 1000.0);
}

// "Name (unit)" of a CSV title.
SeriesChannel csvChannel(const QString& title) {
    // "UC_Extra(0)" is a name: a unit stands after a blank.
    const qsizetype open = title.lastIndexOf(QLatin1String(" ("));
    if (open > 0 && title.endsWith(QLatin1Char(')'))) {
        return {title.left(open).trimmed(), title.mid(open + 2, title.size() - open - 3).trimmed()};
    }
    return {title, {}};
}

// Milliseconds per unit of a time column: seconds unless its unit says
// otherwise.
double millisecondsPer(const QString& unit) {
    const QString u = unit.toLower();
    if (u == QLatin1String("ms")) {
        return 1.0;
    }
    if (u == QLatin1String("min")) {
        return 60000.0;
    }
    if (u == QLatin1String("h")) {
        return 3600000.0;
    }
    return 1000.0;
}

// A first line that holds a separator and is no part of a log is a CSV header.
bool isCsvHeader(QByteArrayView line) {
    return !line.startsWith('#') && !line.startsWith("----") &&
           (line.contains(',') || line.contains(';') || line.contains('\t'));
}

// A series as the sink of a reader.
class SeriesSink : public LogRecordSink {
public:
    explicit SeriesSink(SampleSeries& series) : m_series(series) {}

    int addChannel(const QString& name, const QString& unit) override {
        return m_series.addChannel(name, unit);
    }
    void startRun(qint64 startMs, const QDateTime& clock) override {
        m_series.startRun(startMs, clock);
    }
    bool append(qint64 timeMs, std::span<const ChannelValue> values) override {
        return m_series.append(timeMs, values);
    }
    void addMarker(qint64 timeMs, const QString& text) override {
        m_series.addMarker(timeMs, text);
    }

private:
    SampleSeries& m_series;
};

class Reader {
public:
    Reader(LogRecordSink& sink, const QLocale& locale) : m_sink(sink), m_parser(locale) {}

    LogReadResult read(QIODevice& device) {
        LineReader lines(device);
        LineReader::Line line;
        bool first = true;
        while (lines.next(line)) {
            if (first) {
                first = false;
                if (!line.overlong && isCsvHeader(line.text)) {
                    m_result.format = LogReadResult::Format::Csv;
                    csvHeader(line.text);
                    continue;
                }
            }
            if (line.overlong) {
                skip(line.number);
            } else if (m_result.format == LogReadResult::Format::Csv) {
                csvRow(line);
            } else if (line.partial) {
                m_result.partialLastLine = true;
                skip(line.number);
            } else {
                logLine(line);
            }
        }
        m_result.error = lines.error();
        return m_result;
    }

private:
    void skip(qint64 number) {
        ++m_result.skippedLines;
        if (m_result.firstSkippedLines.size() < kLineNumbersKept) {
            m_result.firstSkippedLines.append(number);
        }
    }

    qint64 lastTime() const { return m_result.records > 0 ? m_lastMs : 0; }

    void add(qint64 timeMs, const LineReader::Line& line) {
        if (!m_sink.append(timeMs, m_values)) {
            skip(line.number);
            return;
        }
        m_lastMs = timeMs;
        ++m_result.records;
    }

    // The program's log -------------------------------------------------
    void logLine(const LineReader::Line& line) {
        switch (m_parser.parse(line.text)) {
        case LogParser::Line::Rule:
        case LogParser::Line::Clock:
            return;
        case LogParser::Line::Titles:
            startLogRun();
            return;
        case LogParser::Line::Record:
            logRecord(line);
            return;
        case LogParser::Line::Marker:
            // One before the first record of a run marks the run's start.
            m_sink.addMarker(m_runHasRecords ? lastTime() : std::max(lastTime(), m_runStartMs),
                             m_parser.markerText());
            return;
        case LogParser::Line::NotARecord:
            skip(line.number);
            return;
        }
    }

    void startLogRun() {
        m_runChannels.clear();
        for (const LogChannel& c : m_parser.channels()) {
            m_runChannels.push_back(m_sink.addChannel(c.name, c.unit));
        }
        const QDateTime& clock = m_parser.clock();
        qint64 start = lastTime();
        if (clock.isValid() && !m_origin.isValid() && m_result.records == 0) {
            m_origin = clock;
        }
        if (clock.isValid() && m_origin.isValid()) {
            start = std::max(start, m_origin.msecsTo(clock));
        }
        m_runStartMs = start;
        m_runLastMs = 0;
        m_runHasRecords = false;
        m_sink.startRun(start, clock);
    }

    void logRecord(const LineReader::Line& line) {
        const std::vector<double>& values = m_parser.values();
        qint64 time = milliseconds(values[0]);
        if (time < 0) {
            time += kDayMs; // the time of day passed midnight since the header
        }
        if (time < m_runLastMs) {
            skip(line.number);
            return;
        }
        m_runLastMs = time;
        m_runHasRecords = true;
        m_values.clear();
        for (size_t c = 0; c < m_runChannels.size(); ++c) {
            m_values.push_back({m_runChannels[c], static_cast<float>(values[c + 1])});
        }
        add(m_runStartMs + time, line);
    }

    // CSV ---------------------------------------------------------------
    // The CSV of "vantrel log2csv" or of another logger. Its columns: an
    // optional time, the channels, and log2csv's "Marker" column.
    enum class Column { Time, Channel, Marker, Text };

    void csvHeader(QByteArrayView line) {
        m_separator = csvSeparator(line);
        splitCsvLine(line, m_separator, m_cells, m_cellStorage);
        for (const QByteArrayView cell : m_cells) {
            const QString title = QString::fromUtf8(trimmedCsvCell(cell));
            const SeriesChannel channel = csvChannel(title);
            Column kind = Column::Channel;
            if (!m_hasTimeColumn &&
                channel.name.compare(QLatin1String("Time"), Qt::CaseInsensitive) == 0) {
                kind = Column::Time;
                m_hasTimeColumn = true;
                m_timeColumn = m_columns.size();
                m_msPerTimeUnit = millisecondsPer(channel.unit);
            } else if (title.compare(QLatin1String("Marker"), Qt::CaseInsensitive) == 0) {
                kind = Column::Marker;
            }
            m_columns.push_back(kind);
            m_titles.push_back(channel);
        }
    }

    // The first row decides which columns hold numbers: one whose first
    // cell is text is left out. The channels are added in column order, a
    // name met twice numbered the second time ("Rpm 2").
    void addCsvChannels() {
        std::map<QString, int> seen;
        m_runChannels.assign(m_columns.size(), -1);
        for (size_t c = 0; c < m_columns.size(); ++c) {
            if (m_columns[c] != Column::Channel) {
                continue;
            }
            if (c < m_cells.size() && !trimmedCsvCell(m_cells[c]).isEmpty() &&
                !parseCsvNumber(m_cells[c], m_separator)) {
                m_columns[c] = Column::Text;
                continue;
            }
            SeriesChannel channel = m_titles[c];
            if (const int times = ++seen[channel.name]; times > 1) {
                channel.name += QStringLiteral(" %1").arg(times);
            }
            m_runChannels[c] = m_sink.addChannel(channel.name, channel.unit);
        }
        m_channelsAdded = true;
    }

    void csvRow(const LineReader::Line& line) {
        if (trimmedCsvCell(line.text).isEmpty()) {
            return; // a blank line holds nothing
        }
        splitCsvLine(line.text, m_separator, m_cells, m_cellStorage);
        // A last line without its line end counts when it has every cell.
        const bool cut = line.partial && m_cells.size() != m_columns.size();
        if (cut || m_cells.size() > m_columns.size()) {
            m_result.partialLastLine = line.partial;
            skip(line.number);
            return;
        }
        if (!m_channelsAdded) {
            addCsvChannels();
        }
        double time = static_cast<double>(m_rows) * 1000.0;
        m_values.clear();
        QString marker;
        for (size_t c = 0; c < m_cells.size(); ++c) {
            const QByteArrayView cell = trimmedCsvCell(m_cells[c]);
            if (cell.isEmpty() || m_columns[c] == Column::Text) {
                continue;
            }
            if (m_columns[c] == Column::Marker) {
                marker = QString::fromUtf8(cell);
                continue;
            }
            const auto value = parseCsvNumber(cell, m_separator);
            if (!value) {
                skip(line.number);
                return;
            }
            if (m_columns[c] == Column::Time) {
                time = *value * m_msPerTimeUnit;
            } else {
                m_values.push_back({m_runChannels[c], static_cast<float>(*value)});
            }
        }
        if (m_hasTimeColumn &&
            (m_timeColumn >= m_cells.size() || trimmedCsvCell(m_cells[m_timeColumn]).isEmpty())) {
            skip(line.number); // a row without its time
            return;
        }
        const qint64 timeMs = std::llround(time);
        if (m_rows == 0 || timeMs < m_runLastMs) {
            // Each run of log2csv's CSV counts its rows' times from 0; a
            // time that falls back starts a run after the last record.
            m_runStartMs = lastTime();
            m_sink.startRun(m_runStartMs, {});
        }
        ++m_rows;
        m_runLastMs = timeMs;
        if (!m_values.empty() || marker.isEmpty()) {
            add(m_runStartMs + timeMs, line);
        }
        if (!marker.isEmpty()) {
            m_sink.addMarker(m_runStartMs + timeMs, marker);
        }
    }

    LogRecordSink& m_sink;
    LogParser m_parser;
    LogReadResult m_result;
    std::vector<int> m_runChannels; // the series channel of each column after the time
    std::vector<ChannelValue> m_values;
    std::vector<QByteArrayView> m_cells;
    std::vector<QByteArray> m_cellStorage;
    char m_separator = ',';
    std::vector<Column> m_columns;
    std::vector<SeriesChannel> m_titles;
    bool m_channelsAdded = false;
    bool m_hasTimeColumn = false;
    size_t m_timeColumn = 0;
    double m_msPerTimeUnit = 1000.0;
    qint64 m_rows = 0;  // CSV rows read
    QDateTime m_origin; // the clock of time 0
    qint64 m_runStartMs = 0;
    qint64 m_runLastMs = 0; // the run's last record time
    bool m_runHasRecords = false;
    qint64 m_lastMs = 0;
};

} // namespace

LogReadResult readLogRecords(QIODevice& device, LogRecordSink& sink, const QLocale& locale) {
    return Reader(sink, locale).read(device);
}

LogReadResult readSampleLog(QIODevice& device, SampleSeries& series, const QLocale& locale) {
    SeriesSink sink(series);
    return readLogRecords(device, sink, locale);
}
