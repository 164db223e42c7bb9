// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QString>
#include <optional>

class LiveSample;
struct PlotLogLayout;

// What went wrong with the log file: the file error's number and its text.
struct LogError {
    int number = 0;
    QString description;
};

// The messages the two writers show for a failure.
QString fullRecordErrorMessage(const LogError& error);
QString plotRecordErrorMessage(const LogError& error);

// The open data log: appends header blocks and records, written from
// samples, to one file. A failure is returned for the caller to show (and to
// switch logging off). Choosing the file is the caller's job.
class DataLog {
public:
    DataLog() = default;
    DataLog(const DataLog&) = delete;
    DataLog& operator=(const DataLog&) = delete;

    // Opens the file for appending, creating it if missing, and makes the
    // next record start with a header. An open file is closed first.
    std::optional<LogError> open(const QString& path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    // Full path and file name without folder; empty while no file is open.
    QString filePath() const { return isOpen() ? m_file.fileName() : QString(); }
    QString fileName() const;

    // A header block is due before the next record: when a file is opened,
    // and when logging, the data window or the plot starts or stops.
    void requestHeader() { m_headerPending = true; }
    bool headerPending() const { return m_headerPending; }

    // Writes the record of one sample, preceded by the header block when
    // one is due; now is the date and time of day the header shows. A
    // record's time counts from the sample that brought the header. Returns
    // the message to show after a failure.
    std::optional<QString> writeFullRecord(const LiveSample& sample, const QDateTime& now,
                                           const QLocale& locale);
    std::optional<QString> writePlotRecord(const LiveSample& sample, const PlotLogLayout& layout,
                                           const QDateTime& now, const QLocale& locale);

    // Writes a marker line (see LogMarkers) after the last record; the
    // message to show after a failure.
    std::optional<QString> writeMarker(const QString& text);

private:
    // Appends whole lines; after a failure the file ends as it was.
    std::optional<LogError> append(const QByteArray& bytes);
    std::optional<LogError> write(const LiveSample& sample, const PlotLogLayout* plot,
                                  const QDateTime& now, const QLocale& locale);
    static LogError fail(const QFile& file);

    QFile m_file;
    qint64 m_headerTime = 0;
    bool m_headerPending = false;
};
