// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class TableModel;

// The load plot under an editor's grid: the table row where the grid's
// selection starts (blue), the row above (red) and the row below (yellow) as
// curves over the 16 rpm columns, scaled to the whole table's range.
class LoadPlot : public QWidget {
    Q_OBJECT
public:
    LoadPlot(const TableModel& table, QWidget* parent = nullptr);

    // The grid row (1..16) whose table row is drawn in blue.
    void setGridRow(int gridRow);
    int gridRow() const { return m_gridRow; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const TableModel& m_table;
    int m_gridRow = 1;
};
