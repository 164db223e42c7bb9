// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LogCsv.h"

#include "monitor/LineReader.h"
#include "monitor/LogParser.h"

#include <QIODevice>

namespace {

constexpr qsizetype kChunkBytes = 64 * 1024;
constexpr int kLineNumbersKept = 10;
// The time of a marker before the first record of its run.
const QByteArray kRunStartTime("0.000");

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Writes the bytes held and empties them once they reach a chunk, or always
// when last is set.
bool flush(QIODevice& device, QByteArray& bytes, bool last) {
    if (bytes.size() < kChunkBytes && !last) {
        return true;
    }
    const bool written = device.write(bytes) == bytes.size();
    bytes.clear();
    return written;
}

} // namespace

void LogCsvConverter::skip(qint64 line) {
    ++m_skipped;
    if (m_firstSkipped.size() < kLineNumbersKept) {
        m_firstSkipped.append(line);
    }
}

bool LogCsvConverter::spool(bool last) {
    if (!flush(m_rows, m_pending, last)) {
        m_error = m_rows.errorString();
        return false;
    }
    return true;
}

bool LogCsvConverter::read(QIODevice& log) {
    if (!m_rows.open()) {
        m_error = m_rows.errorString();
        return false;
    }
    LogParser parser;
    std::vector<int> runColumns;         // the CSV columns of the current run's values
    QByteArray lastTime = kRunStartTime; // of the run's last record
    LineReader lines(log);
    LineReader::Line line;
    while (lines.next(line)) {
        if (line.partial || line.overlong) {
            skip(line.number);
            continue;
        }
        switch (parser.parse(line.text)) {
        case LogParser::Line::Rule:
        case LogParser::Line::Clock:
            break;
        case LogParser::Line::Titles:
            lastTime = kRunStartTime;
            runColumns.clear();
            for (const LogChannel& channel : parser.channels()) {
                const QString column =
                    channel.unit.isEmpty()
                        ? channel.name
                        : QStringLiteral("%1 (%2)").arg(channel.name, channel.unit);
                const auto [it, added] =
                    m_columnOf.try_emplace(column, static_cast<int>(m_columns.size()) + 1);
                if (added) {
                    m_columns.push_back(column);
                }
                runColumns.push_back(it->second);
            }
            break;
        case LogParser::Line::Record: {
            // The row runs up to the last column it fills; write() adds the
            // empty cells after it.
            const auto& fields = parser.fields();
            lastTime = fields[0].toByteArray();
            std::vector<QByteArrayView> cells(fields.size());
            cells[0] = fields[0];
            for (size_t c = 0; c < runColumns.size(); ++c) {
                const auto column = static_cast<size_t>(runColumns[c]);
                if (column >= cells.size()) {
                    cells.resize(column + 1);
                }
                cells[column] = fields[c + 1];
            }
            for (size_t c = 0; c < cells.size(); ++c) {
                if (c > 0) {
                    m_pending += ',';
                }
                m_pending += cells[c];
            }
            m_pending += '\n';
            ++m_records;
            if (!spool(false)) {
                return false;
            }
            break;
        }
        case LogParser::Line::Marker:
            // Spooled as "#time,text"; write() puts the text in the last column.
            m_pending += '#' + lastTime + ',' + csvField(parser.markerText()).toUtf8() + '\n';
            m_hasMarkers = true;
            if (!spool(false)) {
                return false;
            }
            break;
        case LogParser::Line::NotARecord:
            skip(line.number);
            break;
        }
    }
    if (!lines.error().isEmpty()) {
        m_error = lines.error();
        return false;
    }
    return spool(true);
}

bool LogCsvConverter::write(QIODevice& csv) {
    QStringList header{QStringLiteral("Time (s)")};
    for (const QString& column : m_columns) {
        header.append(csvField(column));
    }
    if (m_hasMarkers) {
        header.append(QStringLiteral("Marker"));
    }
    QByteArray out = (header.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8();
    if (!m_rows.seek(0)) {
        m_error = m_rows.errorString();
        return false;
    }
    const auto cellsPerRow = static_cast<qsizetype>(m_columns.size()) + 1;
    // A row is a record's line with its blanks turned into commas, plus one
    // comma for each column it leaves empty after its last value: never
    // more than twice the longest line read.
    LineReader rows(m_rows, 2 * LineReader::kMaxLineBytes);
    LineReader::Line row;
    while (rows.next(row)) {
        if (row.text.startsWith('#')) {
            // A marker row: its time, every channel empty, then its text.
            const qsizetype comma = row.text.indexOf(',');
            out += row.text.sliced(1, comma - 1);
            out += QByteArray(cellsPerRow, ',');
            out += row.text.sliced(comma + 1);
        } else {
            out += row.text;
            // Numbers hold no comma: a row's commas are its cells less one.
            out += QByteArray(cellsPerRow - 1 - row.text.count(','), ',');
            if (m_hasMarkers) {
                out += ',';
            }
        }
        out += "\r\n";
        if (!flush(csv, out, false)) {
            m_error = csv.errorString();
            return false;
        }
    }
    if (!rows.error().isEmpty()) {
        m_error = rows.error();
        return false;
    }
    if (!flush(csv, out, true)) {
        m_error = csv.errorString();
        return false;
    }
    return true;
}
