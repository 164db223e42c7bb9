// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <optional>
#include <vector>

// A channel of a log's records: its name and unit ("Map", "psi"); the user
// inputs and the developer columns have no unit.
struct LogChannel {
    QString name;
    QString unit;

    bool operator==(const LogChannel&) const = default;
};

// Reads the lines of a data log one at a time and tells what each is. A log
// holds runs, each a header block (a rule, the date and time, the column
// titles) followed by its records, either the full record written after
// each poll or the time history plot's record. A line starting with "#" is
// a marker, wherever it stands.
class LogParser {
public:
    enum class Line {
        Rule,       // the first line of a header block
        Clock,      // the header's date and time: clock()
        Titles,     // a run starts: channels()
        Record,     // fields() and values()
        Marker,     // markerText()
        NotARecord, // anything else: damaged, cut short or foreign
    };

    // The header's date and time are read in locale's formats first.
    explicit LogParser(const QLocale& locale = QLocale());

    // Classifies one line given without its line end (Latin-1 text).
    Line parse(QByteArrayView line);

    // The channels of the current run's records after their time, in order.
    // A channel named twice in one title line (two user inputs in the same
    // mode) gets a number the second time ("Fuel Compensation 2").
    const std::vector<LogChannel>& channels() const { return m_channels; }
    // The date and time of the last header; invalid when unreadable.
    const QDateTime& clock() const { return m_clock; }
    // The last record's fields as written, the time first, and their values.
    const std::vector<QByteArrayView>& fields() const { return m_fields; }
    const std::vector<double>& values() const { return m_values; }
    QString markerText() const { return m_marker; }

private:
    enum class Expect { Record, Clock, Titles };

    Line parseRecord(QByteArrayView line);

    QLocale m_locale;
    Expect m_expect = Expect::Record;
    bool m_inRun = false;
    std::vector<LogChannel> m_channels;
    QDateTime m_clock;
    std::vector<QByteArrayView> m_fields;
    std::vector<double> m_values;
    QString m_marker;
};

// The channels of a title line after its leading "Time", or nothing when the
// line holds a title of neither layout.
std::optional<std::vector<LogChannel>> parseLogTitles(const QString& line);

// The date and time of a header's second line (the date, then from the next
// 14-column zone the time of day), read in locale's short date and long time
// formats, or in a few common ones; invalid when none fits.
QDateTime parseLogClock(const QString& line, const QLocale& locale);

// A number as the log writes it: an optional "-", digits and at most one
// decimal point (".50" and "-12.6" included); nothing for any other text.
std::optional<double> parseLogNumber(QByteArrayView text);
