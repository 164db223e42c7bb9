#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <array>

struct AppState;

// The text lines of the data log. Every line is returned without its line end
// (the writer adds CR LF). Values are formatted with their numeric pattern and
// right-aligned in their field; a text longer than its field is kept whole and
// pushes the rest of the line to the right.

// First header line: 110 "-".
QString logRuleLine();

// Second header line: the date in the locale's short format and, from column
// 15 (the next 14-column zone after the date), the time of day in the
// locale's long format without a time-zone name.
QString logDateTimeLine(const QDateTime& now, const QLocale& locale);

// Third header line and record line of the full record written after each poll.
QString fullRecordTitleLine();
QString fullRecordLine(const AppState& state, double secondsSinceHeader);

// Third header line and record line of the time history plot's record. The
// channels are the plot's list entries (0 fuel, 1 ignition, 2 throttle, 3 rpm,
// 4 air, 5 water, 6 battery, 7 MAP, 8..10 user inputs 1..3); trace 2 shows
// nothing when its entry is not one of them (" Off ").
QString plotRecordTitleLine(const AppState& state, const std::array<int, 2>& channels);
QString plotRecordLine(const AppState& state, const std::array<int, 2>& channels,
                       double secondsSinceHeader);
