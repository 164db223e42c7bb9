// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QTemporaryFile>
#include <QtGlobal>
#include <map>
#include <vector>

class QIODevice;

// A data log (.log) as CSV. The log holds runs, each a header block (a rule,
// the date and time, the column titles) followed by its records, either the
// full record written after each poll or the time history plot's record. The
// CSV has one header row: "Time (s)" and the channels of every run, each with
// its unit, in the order they first appear; a row leaves the channels of
// another layout empty. Times count from the header of their own run. A
// marker line ("#" and a note) becomes a marker row: the time of the record
// before it in its run (0.000 before the first), every channel empty, and
// the note in a last column, "Marker", which the CSV has only when the log
// holds markers. Lines end with CR LF.
//
// The conversion streams: the log is read a line at a time, and its rows
// wait in a temporary file until the header row, which names the channels
// of every run, has been written, so memory stays the same whatever the
// log's size.
class LogCsvConverter {
public:
    LogCsvConverter() = default;
    LogCsvConverter(const LogCsvConverter&) = delete;
    LogCsvConverter& operator=(const LogCsvConverter&) = delete;

    // Reads the whole log. Lines that are not records (damaged, foreign,
    // longer than any record, or cut short at the end) are skipped and
    // counted. False when the log or the temporary file failed: error().
    bool read(QIODevice& log);
    qint64 records() const { return m_records; }
    qint64 skippedLines() const { return m_skipped; }
    const QList<qint64>& firstSkippedLines() const { return m_firstSkipped; } // up to ten

    // Writes the header row and the rows. False when a write failed.
    bool write(QIODevice& csv);
    const QString& error() const { return m_error; }

private:
    void skip(qint64 line);
    bool spool(bool last);

    QTemporaryFile m_rows;
    QByteArray m_pending;
    std::vector<QString> m_columns; // "Name (unit)" of every channel met so far
    std::map<QString, int> m_columnOf;
    bool m_hasMarkers = false;
    qint64 m_records = 0;
    qint64 m_skipped = 0;
    QList<qint64> m_firstSkipped;
    QString m_error;
};
