// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/ChannelFilter.h"

#include "monitor/SampleSeries.h"
#include "record/ListStyle.h"

#include <QStringList>
#include <cmath>
#include <limits>

int findSeriesChannel(const SampleSeries& series, const QString& name) {
    if (const int exact = series.channelIndex(name); exact >= 0) {
        return exact;
    }
    for (int c = 0; c < series.channelCount(); ++c) {
        if (series.channel(c).name.compare(name, Qt::CaseInsensitive) == 0) {
            return c;
        }
    }
    return -1;
}

ChannelFilter::ChannelFilter(std::vector<ChannelCondition> conditions)
    : m_conditions(std::move(conditions)) {}

ChannelFilter::Bound ChannelFilter::bind(const SampleSeries& series) const {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    Bound bound;
    for (const ChannelCondition& c : m_conditions) {
        const int channel = findSeriesChannel(series, c.channel);
        if (channel < 0) {
            bound.m_none = true;
            continue;
        }
        bound.m_tests.push_back({channel, c.min.value_or(-kInfinity), c.max.value_or(kInfinity)});
    }
    return bound;
}

bool ChannelFilter::Bound::passes(float value, const Test& test) const {
    // NaN, a value the record lacks, fails both comparisons.
    return value >= test.min && value <= test.max;
}

bool ChannelFilter::Bound::passes(std::span<const float> values) const {
    if (m_none) {
        return false;
    }
    for (const Test& t : m_tests) {
        if (t.channel >= static_cast<int>(values.size()) ||
            !passes(values[static_cast<size_t>(t.channel)], t)) {
            return false;
        }
    }
    return true;
}

bool ChannelFilter::Bound::passes(const SampleSeries& series, qsizetype index) const {
    if (m_none) {
        return false;
    }
    for (const Test& t : m_tests) {
        if (!passes(series.value(t.channel, index), t)) {
            return false;
        }
    }
    return true;
}

QString ChannelFilter::text() const {
    if (m_conditions.empty()) {
        return QStringLiteral("all records");
    }
    QStringList parts;
    for (const ChannelCondition& c : m_conditions) {
        if (c.min && c.max) {
            parts << QStringLiteral("%1 \u2264 %2 \u2264 %3")
                         .arg(shortestDecimal(*c.min), c.channel, shortestDecimal(*c.max));
        } else if (c.min) {
            parts << QStringLiteral("%1 \u2265 %2").arg(c.channel, shortestDecimal(*c.min));
        } else if (c.max) {
            parts << QStringLiteral("%1 \u2264 %2").arg(c.channel, shortestDecimal(*c.max));
        } else {
            parts << QStringLiteral("%1 has a value").arg(c.channel);
        }
    }
    return parts.join(QStringLiteral(", "));
}
