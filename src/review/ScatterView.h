// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "review/ReviewLayout.h"
#include "review/ScatterGrid.h"

#include <QString>
#include <QWidget>

class QComboBox;
class QPainter;
class QTableWidget;

// The names and units the scatter plot's axes and colour bar show.
struct ScatterLabels {
    QString x;
    QString y;
    QString colour;
    QString filter; // the filter as text
};

// The colour of a value share 0..1 on the scatter plot's scale: blue, cyan,
// green, yellow, red.
QColor scatterColour(double share);

// Draws the grid in an area: the cells, the axes with their values, the
// colour bar and a line that tells how many records pass the filter.
void paintScatter(QPainter& painter, const QRect& area, const ScatterGrid& grid,
                  const ScatterLabels& labels);
// The cells' area inside an area; the grid is made to its size, one cell
// per kScatterCellPixels square.
QRect scatterPlotRect(const QRect& area, int fontHeight);
inline constexpr int kScatterCellPixels = 3;

// Draws the grid it is handed; its owner makes a new one when the size,
// the channels or the filter change (gridSizeChanged).
class ScatterWidget : public QWidget {
    Q_OBJECT
public:
    explicit ScatterWidget(QWidget* parent = nullptr);
    void setGrid(ScatterGrid grid, ScatterLabels labels);
    const ScatterGrid& grid() const { return m_grid; }
    // The columns and rows a grid for this widget should have.
    QSize gridSize() const;

signals:
    void gridSizeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    ScatterGrid m_grid;
    ScatterLabels m_labels;
};

// The scatter page of the log review: the plot, the three channel lists
// (searchable by typing) and the filter table with its buttons. It tells
// each choice and filter the tuner makes; its owner keeps them.
class ScatterPage : public QWidget {
    Q_OBJECT
public:
    explicit ScatterPage(QWidget* parent = nullptr);
    // Shows a log with the choices and filter kept for it.
    void showLog(const SampleSeries* series, const ScatterChoice& choice,
                 const ChannelFilter& filter);
    ScatterWidget* plot() const { return m_scatter; }

signals:
    void choiceChanged(const ScatterChoice& choice);
    void filterChanged(const ChannelFilter& filter);

private:
    void refreshScatterChoices();
    void scatterChoiceChanged();
    void refreshFilterTable();
    void filterTableEdited();
    void refreshScatter();

    const SampleSeries* m_series = nullptr;
    ScatterChoice m_choice;
    ChannelFilter m_filter;
    bool m_filling = false;
    ScatterWidget* m_scatter = nullptr;
    QComboBox* m_scatterX = nullptr;
    QComboBox* m_scatterY = nullptr;
    QComboBox* m_scatterColour = nullptr;
    QTableWidget* m_filterTable = nullptr;
};
