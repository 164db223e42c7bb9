// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QObject>
#include <vector>

class QModelIndex;
class QTableView;

// Keeps every text of a grid whole at whatever size its window has. Each
// column is at least as wide as its widest text (cells and header) and the
// columns share out the width left over, evenly where they can; the rows
// likewise share the height, or keep the height of their text in a grid that
// is made exactly as tall as its rows. When the texts do not fit at the
// grid's own font, the grid takes a smaller one, down to kSmallestPoints;
// below that it keeps the texts' sizes and scrolls.
class GridFit : public QObject {
    Q_OBJECT
public:
    static constexpr double kSmallestPoints = 6.0;
    static constexpr double kPointStep = 0.5;

    // Fill: the rows share the view's height. Natural: each row keeps its
    // text's height and the view is given exactly the rows' height.
    enum class Rows { Fill, Natural };

    GridFit(QTableView* view, Rows rows);

    // Sizes the columns and rows again, trying the grid's own font first.
    void fit();
    // The font size the grid has now, in points.
    double pointSize() const;
    // Whether the texts fit without scrolling.
    bool fits() const { return m_fits; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Needs {
        std::vector<int> columns;
        std::vector<int> rows;
        int width = 0;  // room for the columns
        int height = 0; // room for the rows
        int headerHeight = 0;
        bool fits = false;
    };
    Needs measure() const;
    // Tries the font of the given size; true when the texts fit with it.
    bool tryFont(double points, Needs& needs);
    void apply(const Needs& needs);
    // After a change of texts: the present font when they still fit,
    // otherwise a smaller one.
    void refitTexts();
    // The quick test of a change: whether the changed cells or labels still
    // fit their sections at the present font.
    bool cellsFit(const QModelIndex& topLeft, const QModelIndex& bottomRight) const;
    bool labelsFit(Qt::Orientation orientation, int first, int last) const;

    QTableView* m_view;
    Rows m_rows;
    QFont m_base;
    bool m_fitting = false;
    bool m_fits = true;
};
