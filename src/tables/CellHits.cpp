// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/CellHits.h"

#include <cmath>

void CellHits::add(GridCell cell, double value) {
    const size_t row = at(cell.row);
    const size_t column = at(cell.column);
    ++m_count[row][column];
    ++m_total;
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
