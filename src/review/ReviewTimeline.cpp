// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/ReviewTimeline.h"

#include "monitor/LogMarkers.h"
#include "monitor/SampleSeries.h"

#include <algorithm>
#include <cmath>

void ReviewTimeline::reset(const SampleSeries* series) {
    m_series = series;
    const bool empty = series == nullptr || series->size() == 0;
    m_logStart = empty ? 0 : series->timeMs(0);
    m_logEnd = empty ? kMinSpanMs : series->timeMs(series->size() - 1);
    m_logEnd = std::max(m_logEnd, m_logStart + kMinSpanMs);
    m_cursor = empty ? -1 : 0;
    showAll();
}

void ReviewTimeline::setStretch(qint64 start, qint64 span) {
    const qint64 whole = m_logEnd - m_logStart;
    span = std::clamp(span, std::min(kMinSpanMs, whole), whole);
    m_start = std::clamp(start, m_logStart, m_logEnd - span);
    m_end = m_start + span;
}

void ReviewTimeline::showAll() {
    setStretch(m_logStart, m_logEnd - m_logStart);
}

void ReviewTimeline::zoom(qint64 anchorMs, double factor) {
    const double span = static_cast<double>(this->span());
    const double whole = static_cast<double>(m_logEnd - m_logStart);
    const double newSpan =
        std::clamp(span * factor, std::min(static_cast<double>(kMinSpanMs), whole), whole);
    const double share = span > 0 ? static_cast<double>(anchorMs - m_start) / span : 0.5;
    setStretch(anchorMs - std::llround(share * newSpan), std::llround(newSpan));
}

void ReviewTimeline::pan(qint64 deltaMs) {
    setStretch(m_start + deltaMs, span());
}

void ReviewTimeline::stepScreens(int screens) {
    const qint64 delta = span() * screens;
    pan(delta);
    if (m_cursor >= 0) {
        const qint64 at = std::clamp(m_series->timeMs(m_cursor) + delta, m_start, m_end);
        qsizetype index = std::min(m_series->lowerBound(at), m_series->size() - 1);
        // Of the records either side of the time, the one in view and nearer.
        if (index > 0 && (m_series->timeMs(index) > m_end ||
                          at - m_series->timeMs(index - 1) < m_series->timeMs(index) - at)) {
            --index;
        }
        m_cursor = index;
    }
}

void ReviewTimeline::stepRecords(int records) {
    if (m_cursor < 0) {
        return;
    }
    setCursor(std::clamp<qsizetype>(m_cursor + records, 0, m_series->size() - 1));
}

void ReviewTimeline::setCursorTime(qint64 timeMs) {
    if (m_cursor < 0) {
        return;
    }
    qsizetype index = std::min(m_series->lowerBound(timeMs), m_series->size() - 1);
    if (index > 0 && timeMs - m_series->timeMs(index - 1) < m_series->timeMs(index) - timeMs) {
        --index;
    }
    setCursor(index);
}

void ReviewTimeline::setCursor(qsizetype index) {
    if (m_cursor < 0 || index < 0 || index >= m_series->size()) {
        return;
    }
    m_cursor = index;
    followCursor();
}

void ReviewTimeline::followCursor() {
    const qint64 t = m_series->timeMs(m_cursor);
    if (t < m_start) {
        pan(t - m_start);
    } else if (t > m_end) {
        pan(t - m_end);
    }
}

QString formatReviewTime(qint64 ms) {
    const QString sign = ms < 0 ? QStringLiteral("-") : QString();
    ms = std::abs(ms);
    const qint64 seconds = ms / 1000;
    const QString fraction = QStringLiteral("%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
    if (seconds < 60) {
        return QStringLiteral("%1%2.%3 s").arg(sign).arg(seconds).arg(fraction);
    }
    const QString ss = QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (seconds < 3600) {
        return QStringLiteral("%1%2:%3.%4").arg(sign).arg(seconds / 60).arg(ss, fraction);
    }
    const QString mm = QStringLiteral("%1").arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1%2:%3:%4.%5").arg(sign).arg(seconds / 3600).arg(mm, ss, fraction);
}

QString formatReviewValue(float value) {
    if (std::isnan(value)) {
        return QStringLiteral("-");
    }
    const float size = std::abs(value);
    const int decimals = size >= 99.5f ? 0 : size >= 9.95f ? 1 : size >= 0.9995f ? 2 : 3;
    return QString::number(static_cast<double>(value), 'f', decimals);
}

std::vector<double> niceTicks(double lo, double hi, int maxTicks) {
    std::vector<double> ticks;
    if (!(hi > lo) || maxTicks < 1) {
        return ticks;
    }
    const double rough = (hi - lo) / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power * 10;
    for (const double f : {1.0, 2.0, 5.0}) {
        if (power * f >= rough) {
            step = power * f;
            break;
        }
    }
    for (double t = std::ceil(lo / step) * step; t <= hi + step * 1e-9; t += step) {
        ticks.push_back(std::abs(t) < step * 1e-9 ? 0.0 : t);
    }
    return ticks;
}

std::vector<qint64> timeTicks(qint64 start, qint64 end, int maxTicks, qint64* stepMs) {
    static constexpr qint64 kSteps[] = {10,      20,      50,       100,      200,     500,
                                        1000,    2000,    5000,     10000,    15000,   30000,
                                        60000,   120000,  300000,   600000,   900000,  1800000,
                                        3600000, 7200000, 10800000, 21600000, 43200000};
    std::vector<qint64> ticks;
    if (end <= start || maxTicks < 1) {
        return ticks;
    }
    const qint64 rough = (end - start) / maxTicks;
    qint64 step = kSteps[std::size(kSteps) - 1];
    for (const qint64 s : kSteps) {
        if (s >= rough) {
            step = s;
            break;
        }
    }
    if (stepMs != nullptr) {
        *stepMs = step;
    }
    const qint64 first = start >= 0 ? (start + step - 1) / step * step : start / step * step;
    for (qint64 t = first; t <= end; t += step) {
        ticks.push_back(t);
    }
    return ticks;
}

QString formatTickTime(qint64 ms, qint64 stepMs) {
    QString text = formatReviewTime(ms);
    // "12.500 s", "1:02.500": drop the digits of the milliseconds the step
    // does not use.
    const int keep = stepMs % 1000 == 0 ? 0 : stepMs % 100 == 0 ? 1 : stepMs % 10 == 0 ? 2 : 3;
    const qsizetype point = text.lastIndexOf(QLatin1Char('.'));
    if (point >= 0) {
        text.remove(keep == 0 ? point : point + 1 + keep, 3 - keep + (keep == 0 ? 1 : 0));
    }
    return text;
}

std::vector<qsizetype> lineBreaks(const SampleSeries& series) {
    std::vector<qsizetype> breaks;
    for (size_t r = 1; r < series.runs().size(); ++r) {
        breaks.push_back(series.runs()[r].first);
    }
    for (const SeriesMarker& m : series.markers()) {
        if (isLinkLossMarker(m.text)) {
            breaks.push_back(series.lowerBound(m.timeMs + 1));
        }
    }
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    std::erase_if(breaks, [&series](qsizetype i) { return i <= 0 || i >= series.size(); });
    return breaks;
}

ReviewScale reviewScale(const ValueRange& logRange, std::optional<float> min,
                        std::optional<float> max) {
    ReviewScale s;
    if (!logRange.empty()) {
        const double width = static_cast<double>(logRange.max) - logRange.min;
        const double room = width > 0
                                ? width * 0.05
                                : std::max(std::abs(static_cast<double>(logRange.max)) * 0.05, 0.5);
        s = {logRange.min - room, logRange.max + room};
    }
    if (min) {
        s.min = *min;
    }
    if (max) {
        s.max = *max;
    }
    if (!(s.max > s.min)) {
        s.max = s.min + 1.0;
    }
    return s;
}
