// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/LoadPlot.h"

#include "record/NumberFormat.h"
#include "tables/TableModel.h"

#include <QPainter>
#include <algorithm>
#include <array>

namespace {

constexpr int kColumns = 16;

} // namespace

LoadPlot::LoadPlot(const TableModel& table, QWidget* parent) : QWidget(parent), m_table(table) {
    setObjectName(QStringLiteral("Plot"));
    setAutoFillBackground(true);
    setWhatsThis(tr("The table row of the current grid row (blue) with the rows above (red) "
                    "and below (yellow), drawn over the rpm columns."));
}

void LoadPlot::setGridRow(int gridRow) {
    if (gridRow != m_gridRow) {
        m_gridRow = gridRow;
        update();
    }
}

void LoadPlot::paintEvent(QPaintEvent*) {
    const auto raw = [this](int tableRow, int column) {
        return static_cast<double>(m_table.raw(tableRow + 1, column + 1));
    };
    double hi = 0;
    double lo = 255;
    for (int r = 0; r < kColumns; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            hi = std::max(hi, raw(r, c));
            lo = std::min(lo, raw(r, c));
        }
    }
    if (hi == lo) {
        lo -= 16;
        hi += 16;
    }
    const double step = (hi - lo) / 16;

    // User scale: x from -1.5 to 15.5, y from hi + step (top) to lo - 2 step.
    const double xLeft = -1.5;
    const double yTop = hi + step;
    const double sx = width() / 17.0;
    const double sy = height() / ((hi + step) - (lo - 2 * step));
    const auto at = [&](double x, double y) { return QPointF((x - xLeft) * sx, (yTop - y) * sy); };

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.drawLine(at(-0.5, lo), at(-0.5, hi));
    p.drawLine(at(-0.5, hi), at(15.5, hi));
    p.drawLine(at(-0.5, lo), at(15.5, lo));

    const bool ignition = m_table.description().isIgnition;
    const auto caption = [&](double value) {
        return ignition ? formatNumber(value / 2, QStringLiteral("#0.0"))
                        : formatNumber((value + 1) * 0.0625, QStringLiteral("#0.000"));
    };
    const QFontMetrics fm(font());
    const auto textLeftOf = [&](const QString& text, QPointF end) {
        p.drawText(
            QPointF(end.x() - fm.horizontalAdvance(text) - 2, end.y() + fm.ascent() / 2.0 - 1),
            text);
    };
    textLeftOf(caption(hi), at(-0.6, hi));
    textLeftOf(caption(lo), at(-0.6, lo));

    p.setPen(QPen(Qt::black, 0));
    for (int x = 0; x < kColumns; ++x) {
        for (int i = 0; i <= 14; i += 2) {
            p.drawLine(at(x, hi - i * step), at(x, hi - (i + 1) * step));
        }
    }

    const int k0 = m_gridRow - 1;
    const std::array<int, 3> rows{k0, k0 - 1, k0 + 1};
    const std::array<QColor, 3> colours{QColor(0, 0, 255), QColor(255, 0, 0), QColor(255, 255, 0)};
    const std::array<double, 3> legendX{3, 1, 5};
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const int k = rows[n];
        if (k < 0 || k >= kColumns) {
            continue;
        }
        p.setPen(QPen(colours[n], 2));
        p.drawLine(at(legendX[n], lo - step), at(legendX[n] + 1, lo - step));
        p.setPen(Qt::black);
        textLeftOf(m_table.loadLabel(k + 1).trimmed(), at(legendX[n], lo - step));
        p.setPen(QPen(colours[n], 2));
        p.drawLine(at(-0.5, raw(k, 0)), at(0, raw(k, 0)));
        for (int c = 0; c + 1 < kColumns; ++c) {
            p.drawLine(at(c, raw(k, c)), at(c + 1, raw(k, c + 1)));
        }
        p.drawLine(at(15, raw(k, 15)), at(15.5, raw(k, 15)));
    }
}
