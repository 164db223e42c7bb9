// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "review/ChannelFilter.h"
#include "tables/LogOverlay.h"

#include <memory>

class SampleSeries;

// The values that place a record of a series on the tables: its "Rpm",
// "Map" (psi) and "TPS" (per cent), NaN where it has none.
LoggedPoint loggedPoint(const SampleSeries& series, qsizetype index);

// A log of the review as the table editors count it: the records that pass
// the review's filter of channel ranges. It shares the series, so it stays
// whole however long an editor keeps it.
class SeriesHits : public LogHitsSource {
public:
    SeriesHits(std::shared_ptr<const SampleSeries> series, QString logName, ChannelFilter filter);

    QString description() const override;
    std::vector<HitChannel> channels() const override;
    CellHits count(const EcuSettings& settings, const QString& meanOf) const override;

private:
    std::shared_ptr<const SampleSeries> m_series;
    QString m_logName;
    ChannelFilter m_filter;
};
