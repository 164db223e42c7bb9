// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/HitsDelegate.h"

#include "tables/TableGridModel.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

// The room between the count and the mean, in widths of a space.
constexpr int kGapSpaces = 2;

const QStyle* styleOf(const QStyleOptionViewItem& option) {
    return option.widget != nullptr ? option.widget->style() : QApplication::style();
}

int textMargin(const QStyleOptionViewItem& option) {
    return styleOf(option)->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
}

} // namespace

QFont HitsDelegate::smallFont(const QFont& cellFont) {
    QFont font = cellFont;
    font.setPointSizeF(cellFont.pointSizeF() * kSmallFont);
    return font;
}

bool HitsDelegate::showsHitLine(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const QString count = index.data(TableGridModel::HitCountRole).toString();
    if (count.isEmpty()) {
        return false;
    }
    const QFontMetrics small(smallFont(option.font));
    const QString mean = index.data(TableGridModel::HitMeanRole).toString();
    int width = small.horizontalAdvance(count);
    if (!mean.isEmpty()) {
        width +=
            kGapSpaces * small.horizontalAdvance(QLatin1Char(' ')) + small.horizontalAdvance(mean);
    }
    const int valueHeight = QStyledItemDelegate::sizeHint(option, index).height();
    return width + 2 * textMargin(option) <= option.rect.width() &&
           valueHeight + small.height() <= option.rect.height();
}

void HitsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    if (!showsHitLine(option, index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The value at the top, the hits' line at the bottom.
    QStyleOptionViewItem top = option;
    initStyleOption(&top, index);
    top.displayAlignment = Qt::AlignRight | Qt::AlignTop;
    styleOf(option)->drawControl(QStyle::CE_ItemViewItem, &top, painter, option.widget);

    const QFont font = smallFont(top.font);
    const QFontMetrics fm(font);
    const int margin = textMargin(option);
    const QRect line(option.rect.left() + margin, option.rect.bottom() + 1 - fm.height(),
                     option.rect.width() - 2 * margin, fm.height());
    painter->save();
    painter->setFont(font);
    painter->setPen(top.palette.color(QPalette::Normal, (option.state & QStyle::State_Selected)
                                                            ? QPalette::HighlightedText
                                                            : QPalette::Text));
    painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(TableGridModel::HitCountRole).toString());
    painter->drawText(line, Qt::AlignRight | Qt::AlignVCenter,
                      index.data(TableGridModel::HitMeanRole).toString());
    painter->restore();
}
