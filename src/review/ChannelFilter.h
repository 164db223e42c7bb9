// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <span>
#include <vector>

class SampleSeries;

// One range of a filter: the records whose value on the channel lies within
// min and max, both included; a side left open does not limit.
struct ChannelCondition {
    QString channel;
    std::optional<float> min;
    std::optional<float> max;

    bool operator==(const ChannelCondition&) const = default;
};

// Which records of a log count: every condition must hold ("Water >= 160"
// and "TPS between 5 and 80"). The scatter plot draws only the records that
// pass, and so do the hits over the tables. Conditions name channels, so one
// filter serves every log; a record without a value on a filtered channel
// does not pass, and a condition on a channel the log lacks lets none pass.
class ChannelFilter {
public:
    // The filter bound to the channels of one series.
    class Bound {
    public:
        // values: one record's values by series channel, NaN where it has
        // none (as SampleSeries::forEachRecord hands them out).
        bool passes(std::span<const float> values) const;
        bool passes(const SampleSeries& series, qsizetype index) const;

    private:
        friend class ChannelFilter;
        struct Test {
            int channel = 0;
            float min = 0.0f;
            float max = 0.0f;
        };
        bool passes(float value, const Test& test) const;

        std::vector<Test> m_tests;
        bool m_none = false; // a condition names a channel the series lacks
    };

    ChannelFilter() = default;
    explicit ChannelFilter(std::vector<ChannelCondition> conditions);

    const std::vector<ChannelCondition>& conditions() const { return m_conditions; }
    bool isEmpty() const { return m_conditions.empty(); }

    Bound bind(const SampleSeries& series) const;
    // The conditions as a line of text: "Water ≥ 160, 5 ≤ TPS ≤ 80"; "all
    // records" for none.
    QString text() const;

    bool operator==(const ChannelFilter&) const = default;

private:
    std::vector<ChannelCondition> m_conditions;
};

// The series channel of a name, matched exactly first and then without
// regard to case; -1 when none.
int findSeriesChannel(const SampleSeries& series, const QString& name);
