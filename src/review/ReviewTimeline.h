// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

class SampleSeries;
struct ValueRange;

// The time a log review shows and its cursor: a stretch of the log's time
// (from start up to end), zoomed about a point, panned, paged a screen at a
// time or shown whole, and the record under the cursor, stepped one record
// at a time. The stretch never leaves the log and never gets shorter than
// kMinSpanMs.
class ReviewTimeline {
public:
    static constexpr qint64 kMinSpanMs = 200;

    // A new log: shows it whole with the cursor on its first record.
    void reset(const SampleSeries* series);

    qint64 start() const { return m_start; }
    qint64 end() const { return m_end; }
    qint64 span() const { return m_end - m_start; }
    qint64 logStart() const { return m_logStart; }
    qint64 logEnd() const { return m_logEnd; }
    // The record under the cursor; -1 when the log is empty.
    qsizetype cursor() const { return m_cursor; }

    void showAll();
    // Shows factor times the span (below 1 zooms in), anchor staying where
    // it is on the screen.
    void zoom(qint64 anchorMs, double factor);
    // Moves the stretch by deltaMs (later when positive), stopping at the
    // ends of the log.
    void pan(qint64 deltaMs);
    // Moves the stretch by whole screens, the cursor by the same time.
    void stepScreens(int screens);
    // Moves the cursor by records; the stretch follows it when it leaves.
    void stepRecords(int records);
    // Puts the cursor on the record nearest to a time (and brings it into
    // view); on a record index.
    void setCursorTime(qint64 timeMs);
    void setCursor(qsizetype index);

private:
    void setStretch(qint64 start, qint64 span);
    void followCursor();

    const SampleSeries* m_series = nullptr;
    qint64 m_logStart = 0;
    qint64 m_logEnd = 0;
    qint64 m_start = 0;
    qint64 m_end = 0;
    qsizetype m_cursor = -1;
};

// A time of the log as the review shows it: "12.250 s" up to a minute,
// then "m:ss.sss" and "h:mm:ss.sss".
QString formatReviewTime(qint64 ms);
// A value with the decimals its size calls for: none from 100 up, one from
// 10, two from 1, three below; "-" for none.
QString formatReviewValue(float value);

// Round steps (1, 2 or 5 times a power of ten) from lo to hi, at most about
// maxTicks of them.
std::vector<double> niceTicks(double lo, double hi, int maxTicks);
// Times of a clock's round steps (10 ms up to 12 h: 1, 2, 5, 10, 15 and 30
// s, min and so on) from start to end, at most about maxTicks of them, and
// the step.
std::vector<qint64> timeTicks(qint64 start, qint64 end, int maxTicks, qint64* stepMs = nullptr);
// A tick's time without the digits its step does not need: "1:20", "12.5 s".
QString formatTickTime(qint64 ms, qint64 stepMs);

// Where a line is broken: before each record that starts a run after the
// first (a new header, or a gap the series marks) and after each link-loss
// marker. Record indexes, ascending.
std::vector<qsizetype> lineBreaks(const SampleSeries& series);

// The range of a channel over a scale: the tuner's limits where set, else
// the log's range with a little room above and below.
struct ReviewScale {
    double min = 0.0;
    double max = 1.0;
};
ReviewScale reviewScale(const ValueRange& logRange, std::optional<float> min,
                        std::optional<float> max);
