// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/CellHits.h"

#include <algorithm>
#include <cmath>

void CellHits::add(GridCell cell, double value) {
    const size_t row = at(cell.row);
    const size_t column = at(cell.column);
    ++m_count[row][column];
    ++m_total;
    m_maxCount = std::max(m_maxCount, m_count[row][column]);
    if (!std::isnan(value)) {
        m_sum[row][column] += value;
        ++m_valued[row][column];
    }
}

bool CellHits::add(const EcuSettings& settings, const LoggedPoint& point, double value) {
    const std::optional<GridCell> cell = loggedCell(settings, point);
    if (!cell) {
        ++m_leftOut;
        return false;
    }
    add(*cell, value);
    return true;
}

qint64 CellHits::count(GridCell cell) const {
    return m_count[at(cell.row)][at(cell.column)];
}

std::optional<double> CellHits::mean(GridCell cell) const {
    const qint64 valued = m_valued[at(cell.row)][at(cell.column)];
    if (valued == 0) {
        return std::nullopt;
    }
    return m_sum[at(cell.row)][at(cell.column)] / static_cast<double>(valued);
}

QString hitCountText(qint64 count) {
    constexpr qint64 kThousand = 1000;
    constexpr qint64 kMillion = 1000000;
    if (count < 10 * kThousand) {
        return QString::number(count);
    }
    if (count < kMillion) {
        return QStringLiteral("%1k").arg(count / kThousand);
    }
    const qint64 tenths = count / (kMillion / 10);
    return QStringLiteral("%1.%2M").arg(tenths / 10).arg(tenths % 10);
}

QString hitMeanText(double mean) {
    const double size = std::abs(mean);
    const int decimals = size >= 100 ? 0 : size >= 10 ? 1 : size >= 1 ? 2 : 3;
    return QString::number(mean, 'f', decimals);
}

double hitShade(qint64 count, qint64 maxCount) {
    if (count <= 0) {
        return 0.0;
    }
    if (maxCount <= 1) {
        return kMostShade;
    }
    const double share = std::log(static_cast<double>(std::min(count, maxCount))) /
                         std::log(static_cast<double>(maxCount));
    return kLeastShade + (kMostShade - kLeastShade) * share;
}

QString hitSummary(const CellHits& hits, GridCell cell, const HitChannel& meanOf) {
    const qint64 count = hits.count(cell);
    if (count == 0) {
        return QStringLiteral("no records");
    }
    QString text =
        count == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(count);
    if (const std::optional<double> mean = hits.mean(cell)) {
        text += QStringLiteral(", mean %1 %2").arg(meanOf.name, hitMeanText(*mean));
        if (!meanOf.unit.isEmpty()) {
            text += QLatin1Char(' ') + meanOf.unit;
        }
    }
    return text;
}
