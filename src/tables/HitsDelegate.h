// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

// Paints a cell's hits as a small line under its value, the number of
// records at its left and their mean at its right, where the cell has room
// for that line whole below its value (a grid given enough height, say a
// maximised editor). The cell's size hint stays its value's, so that the
// hits never make the grid's font smaller; a cell without that room shows
// its hits by its shade and its tool tip alone.
class HitsDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The small line's font, as a share of the cell's.
    static constexpr double kSmallFont = 0.8;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // Whether the cell of the option has room for its hits' line whole
    // under its value; false for a cell without hits.
    bool showsHitLine(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    // The font of the small line under a cell of this font.
    static QFont smallFont(const QFont& cellFont);
};
