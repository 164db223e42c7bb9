// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <span>

class QIODevice;
class SampleSeries;
struct ChannelValue;

// What reading a log into a series found.
struct LogReadResult {
    enum class Format { Log, Csv };

    Format format = Format::Log;
    qint64 records = 0; // records added to the series
    // Lines left out: damaged, foreign, longer than any record, cut short.
    qint64 skippedLines = 0;
    QList<qint64> firstSkippedLines; // the first ten of their numbers (from 1)
    // The input ended inside a line; it was left out as cut short.
    bool partialLastLine = false;
    QString error; // the device's reason when a read failed, else empty
};

// What a log reader hands on, in the order the log holds it: channels as
// their runs name them, the start of each run, each record, each marker.
// A series keeps it all; a command that counts or averages keeps only its
// totals.
class LogRecordSink {
public:
    virtual ~LogRecordSink() = default;
    // The sink's number for a channel, the same for the same name.
    virtual int addChannel(const QString& name, const QString& unit) = 0;
    // The next record starts a run whose time 0 is startMs, showing clock.
    virtual void startRun(qint64 startMs, const QDateTime& clock) = 0;
    // A record; false when the sink refuses it (its time went back), which
    // counts the line as skipped.
    virtual bool append(qint64 timeMs, std::span<const ChannelValue> values) = 0;
    virtual void addMarker(qint64 timeMs, const QString& text) = 0;
};

// Reads a data log as readSampleLog does, handing what it finds to sink.
LogReadResult readLogRecords(QIODevice& device, LogRecordSink& sink,
                             const QLocale& locale = QLocale());

// Reads a data log into series, streaming: memory grows with the records
// kept, never with the text. The input is the program's own log, with full
// and plot records, or a CSV file: the one "vantrelctl log2csv" writes or
// another logger's, told apart from a log by a first line (the header row)
// that holds a comma, semicolon or tab.
//
// Each header block of a log starts a run, whose time 0 is the clock its
// header shows, measured from the first header's clock; a run whose clock
// cannot be read, or lies before the records already read, continues from
// the last record. A record's time counts from its run's time 0; a
// negative time (older logs took it from the time of day, which passed
// midnight) counts on past midnight, and a time that falls back is skipped
// as damaged. Lines starting with "#" are markers at the time of the record
// before them, or at the start of their run before its first record.
// Anything else is skipped and counted.
//
// A CSV's header names its channels, with units in parentheses ("Map
// (psi)"). Its separator is the one of comma, semicolon and tab the header
// holds most; a number's decimal mark is "." or, where the separator is not
// a comma, ",". A column titled "Time" holds the time in seconds (or in the
// unit its title names: ms, min, h); without one the rows are a second
// apart. A row whose time falls back starts a run, which continues from the
// last record. A column whose first cell is text is left out; a "Marker"
// column's text is a marker at its row's time. A row with a cell that is no
// number, or with more cells than the header, is skipped and counted; a
// blank line is passed over. A last row without its line end is kept when
// it has every cell.
LogReadResult readSampleLog(QIODevice& device, SampleSeries& series,
                            const QLocale& locale = QLocale());
