// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

// The marker lines a data log holds between its records: "#", a blank and a
// text. No record or header line starts with "#", so a text editor and a
// spreadsheet still read the log, log2csv turns each into a marker row, and
// the log review lists them and breaks its lines after a lost link. The
// writer and the readers share these texts.

// The link to the ECU was lost; the review breaks its lines after it.
QString linkLostMarker();
// The ECU was found again after the link was lost.
QString linkFoundMarker();
// The poll came lateMs after its time (more than one interval late).
QString latePollMarker(qint64 lateMs);
// The tuner's note: on one line, its blanks trimmed; "Marker" when empty.
QString noteMarker(const QString& note);

// Whether a marker's text tells that the link was lost.
bool isLinkLossMarker(const QString& text);

// The line of a marker, without its line end.
QString markerLine(const QString& text);

// Watches the times of the poll's ticks for one that misses its time by more
// than one interval: a tick more than two intervals after the one before.
class PollGapWatch {
public:
    // How late the tick at timeMs is, when that late; the first tick after
    // a restart is never late.
    std::optional<qint64> tick(qint64 timeMs, int intervalMs);
    // Forgets the last tick (logging starts, or the link comes back).
    void restart() { m_last.reset(); }

private:
    std::optional<qint64> m_last;
};

// Whether the logs get marker lines; off keeps the bare layout of records and
// header blocks. Kept in a small file beside the settings file.
struct LogOptions {
    bool markers = true;

    bool operator==(const LogOptions&) const = default;
};

QByteArray logOptionsBytes(const LogOptions& options);
std::optional<LogOptions> parseLogOptions(const QByteArray& bytes);
QString logOptionsPath(const QString& settingsPath);
// The stored options, or the defaults when the file is missing or unusable.
LogOptions loadLogOptions(const QString& path);
// Saves atomically; an empty text on success, else what went wrong.
QString saveLogOptions(const QString& path, const LogOptions& options);
