// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/SampleLogReader.h"

#include "monitor/LineReader.h"
#include "monitor/LogParser.h"
#include "monitor/SampleSeries.h"

#include <QIODevice>
#include <cmath>
#include <vector>

namespace {

constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;
constexpr int kLineNumbersKept = 10;
const QByteArray kCsvTimeTitle("Time (s)");

qint64 milliseconds(double seconds) {
    return std::llround(seconds * 1000.0);
}

// The cells of a CSV line. A cell in double quotes loses them, and a
// doubled quote inside stands for one; such cells are kept in storage.
void splitCsv(QByteArrayView line, std::vector<QByteArrayView>& cells,
              std::vector<QByteArray>& storage) {
    cells.clear();
    if (!line.contains('"')) {
        qsizetype start = 0;
        for (qsizetype comma = line.indexOf(','); comma >= 0; comma = line.indexOf(',', start)) {
            cells.push_back(line.sliced(start, comma - start));
            start = comma + 1;
        }
        cells.push_back(line.sliced(start));
        return;
    }
    storage.assign(1, QByteArray());
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            storage.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            storage.emplace_back();
        } else {
            storage.back() += c;
        }
    }
    for (const QByteArray& cell : storage) {
        cells.push_back(cell);
    }
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

// "Name (unit)" of a CSV title.
SeriesChannel csvChannel(const QString& title) {
    const qsizetype open = title.lastIndexOf(QLatin1String(" ("));
    if (open > 0 && title.endsWith(QLatin1Char(')'))) {
        return {title.left(open), title.mid(open + 2, title.size() - open - 3)};
    }
    return {title, {}};
}

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
                if (line.text.startsWith(kCsvTimeTitle) &&
                    (line.text.size() == kCsvTimeTitle.size() ||
                     line.text[kCsvTimeTitle.size()] == ',')) {
                    m_result.format = LogReadResult::Format::Csv;
                    csvHeader(line.text);
                    continue;
                }
            }
            if (line.partial) {
                m_result.partialLastLine = true;
            }
            if (line.partial || line.overlong) {
                skip(line.number);
            } else if (m_result.format == LogReadResult::Format::Csv) {
                csvRow(line);
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
            m_sink.addMarker(lastTime(), m_parser.markerText());
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
        m_values.clear();
        for (size_t c = 0; c < m_runChannels.size(); ++c) {
            m_values.push_back({m_runChannels[c], static_cast<float>(values[c + 1])});
        }
        add(m_runStartMs + time, line);
    }

    // Its CSV ---------------------------------------------------------------
    void csvHeader(QByteArrayView line) {
        splitCsv(line, m_cells, m_cellStorage);
        for (size_t c = 1; c < m_cells.size(); ++c) {
            const SeriesChannel channel = csvChannel(QString::fromUtf8(m_cells[c]));
            m_runChannels.push_back(m_sink.addChannel(channel.name, channel.unit));
        }
    }

    void csvRow(const LineReader::Line& line) {
        splitCsv(line.text, m_cells, m_cellStorage);
        const std::vector<QByteArrayView>& cells = m_cells;
        const auto seconds = parseLogNumber(cells[0]);
        if (!seconds || cells.size() > m_runChannels.size() + 1) {
            skip(line.number);
            return;
        }
        m_values.clear();
        for (size_t c = 1; c < cells.size(); ++c) {
            if (cells[c].isEmpty()) {
                continue;
            }
            const auto value = parseLogNumber(cells[c]);
            if (!value) {
                skip(line.number);
                return;
            }
            m_values.push_back({m_runChannels[c - 1], static_cast<float>(*value)});
        }
        const qint64 time = milliseconds(*seconds);
        if (m_result.records == 0 || time < m_runLastMs) {
            // Each run of the log counts its rows' times from 0.
            m_runStartMs = lastTime();
            m_sink.startRun(m_runStartMs, {});
        }
        m_runLastMs = time;
        add(m_runStartMs + time, line);
    }

    LogRecordSink& m_sink;
    LogParser m_parser;
    LogReadResult m_result;
    std::vector<int> m_runChannels; // the series channel of each column after the time
    std::vector<ChannelValue> m_values;
    std::vector<QByteArrayView> m_cells;
    std::vector<QByteArray> m_cellStorage;
    QDateTime m_origin; // the clock of time 0
    qint64 m_runStartMs = 0;
    qint64 m_runLastMs = 0; // the run's last record time
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
