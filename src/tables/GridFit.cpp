// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/GridFit.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <numeric>

namespace {

int sum(const std::vector<int>& sizes) {
    return std::accumulate(sizes.begin(), sizes.end(), 0);
}

// The sizes that fill the room: every section alike where each text fits that
// share, otherwise each its own need and an even part of what is left. A room
// too small keeps the needs.
std::vector<int> share(const std::vector<int>& needs, int room) {
    const int count = static_cast<int>(needs.size());
    if (count == 0 || sum(needs) > room) {
        return needs;
    }
    const int even = room / count;
    const bool alike = std::all_of(needs.begin(), needs.end(), [even](int n) { return n <= even; });
    std::vector<int> sizes = alike ? std::vector<int>(needs.size(), even) : needs;
    int left = room - sum(sizes);
    const int part = left / count;
    for (int& size : sizes) {
        size += part;
    }
    left -= part * count;
    for (int i = 0; i < left; ++i) {
        ++sizes[static_cast<std::size_t>(i)];
    }
    return sizes;
}

bool changesText(const QList<int>& roles) {
    return roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::FontRole);
}

} // namespace

GridFit::GridFit(QTableView* view, Rows rows)
    : QObject(view), m_view(view), m_rows(rows), m_base(view->font()) {
    for (QHeaderView* header : {view->horizontalHeader(), view->verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setMinimumSectionSize(1);
    }
    // A text keeps to one line: its column is made wide enough instead.
    view->setWordWrap(false);
    if (rows == Rows::Natural) {
        // Exactly as tall as its rows: the room left over goes elsewhere.
        view->setSizePolicy(view->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    }
    view->installEventFilter(this);
    if (QAbstractItemModel* model = view->model()) {
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight,
                       const QList<int>& roles) {
                    if (changesText(roles) && !cellsFit(topLeft, bottomRight)) {
                        refitTexts();
                    }
                });
        connect(model, &QAbstractItemModel::headerDataChanged, this,
                [this](Qt::Orientation orientation, int first, int last) {
                    if (!labelsFit(orientation, first, last)) {
                        refitTexts();
                    }
                });
        // Queued: a model that resets as its view is destroyed finds no fit.
        connect(model, &QAbstractItemModel::modelReset, this, &GridFit::fit, Qt::QueuedConnection);
        connect(model, &QAbstractItemModel::layoutChanged, this, &GridFit::fit,
                Qt::QueuedConnection);
    }
}

double GridFit::pointSize() const {
    return m_view->font().pointSizeF();
}

bool GridFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        fit();
    }
    return QObject::eventFilter(watched, event);
}

bool GridFit::cellsFit(const QModelIndex& topLeft, const QModelIndex& bottomRight) const {
    const int grid = m_view->showGrid() ? 1 : 0;
    const int margin =
        2 * (m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1) +
        grid;
    const QFontMetrics plain(m_view->font());
    for (int r = topLeft.row(); r <= bottomRight.row(); ++r) {
        for (int c = topLeft.column(); c <= bottomRight.column(); ++c) {
            const QModelIndex index = topLeft.sibling(r, c);
            const QVariant itemFont = index.data(Qt::FontRole);
            const QFontMetrics fm =
                itemFont.isValid()
                    ? QFontMetrics(qvariant_cast<QFont>(itemFont).resolve(m_view->font()))
                    : plain;
            if (fm.horizontalAdvance(index.data().toString()) + margin > m_view->columnWidth(c) ||
                fm.height() + grid > m_view->rowHeight(r)) {
                return false;
            }
        }
    }
    return true;
}

bool GridFit::labelsFit(Qt::Orientation orientation, int first, int last) const {
    const QHeaderView* header =
        orientation == Qt::Horizontal ? m_view->horizontalHeader() : m_view->verticalHeader();
    if (header->isHidden()) {
        return true;
    }
    const int margin = 2 * m_view->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const QFontMetrics fm(header->font());
    for (int s = first; s <= last; ++s) {
        const QString text = m_view->model()->headerData(s, orientation).toString();
        const int width = orientation == Qt::Horizontal ? header->sectionSize(s) : header->width();
        const int height =
            orientation == Qt::Horizontal ? header->height() : header->sectionSize(s);
        if (fm.horizontalAdvance(text) + margin > width || fm.height() > height) {
            return false;
        }
    }
    return true;
}

GridFit::Needs GridFit::measure() const {
    Needs needs;
    const QAbstractItemModel* model = m_view->model();
    const QHeaderView* top = m_view->horizontalHeader();
    const QHeaderView* side = m_view->verticalHeader();
    const bool topShown = !top->isHidden();
    const bool sideShown = !side->isHidden();
    // The view's own measures, which its painting keeps to.
    const QAbstractItemView* cells = m_view;
    for (int c = 0; c < model->columnCount(m_view->rootIndex()); ++c) {
        const int text = cells->sizeHintForColumn(c);
        needs.columns.push_back(topShown ? std::max(text, top->sectionSizeHint(c)) : text);
    }
    for (int r = 0; r < model->rowCount(m_view->rootIndex()); ++r) {
        const int text = cells->sizeHintForRow(r);
        needs.rows.push_back(sideShown ? std::max(text, side->sectionSizeHint(r)) : text);
    }
    const QRect inside = m_view->contentsRect();
    needs.headerHeight = topShown ? top->sizeHint().height() : 0;
    needs.width = inside.width() - (sideShown ? side->sizeHint().width() : 0);
    needs.height = inside.height() - needs.headerHeight;
    needs.fits = sum(needs.columns) <= needs.width &&
                 (m_rows == Rows::Natural || sum(needs.rows) <= needs.height);
    return needs;
}

bool GridFit::tryFont(double points, Needs& needs) {
    QFont font = m_base;
    font.setPointSizeF(points);
    if (m_view->font() != font) {
        m_view->setFont(font);
    }
    needs = measure();
    return needs.fits;
}

void GridFit::fit() {
    if (m_fitting || m_view->model() == nullptr) {
        return;
    }
    m_fitting = true;
    Needs needs;
    double points = m_base.pointSizeF();
    while (!tryFont(points, needs) && points - kPointStep >= kSmallestPoints) {
        points -= kPointStep;
    }
    apply(needs);
    m_fitting = false;
}

void GridFit::refitTexts() {
    if (m_fitting || m_view->model() == nullptr) {
        return;
    }
    m_fitting = true;
    Needs needs = measure();
    double points = pointSize();
    while (!needs.fits && points - kPointStep >= kSmallestPoints) {
        points -= kPointStep;
        tryFont(points, needs);
    }
    apply(needs);
    m_fitting = false;
}

void GridFit::apply(const Needs& needs) {
    m_fits = needs.fits;
    const std::vector<int> widths = share(needs.columns, needs.width);
    const std::vector<int> heights =
        m_rows == Rows::Fill ? share(needs.rows, needs.height) : needs.rows;
    QHeaderView* top = m_view->horizontalHeader();
    QHeaderView* side = m_view->verticalHeader();
    for (std::size_t c = 0; c < widths.size(); ++c) {
        if (top->sectionSize(static_cast<int>(c)) != widths[c]) {
            top->resizeSection(static_cast<int>(c), widths[c]);
        }
    }
    for (std::size_t r = 0; r < heights.size(); ++r) {
        if (side->sectionSize(static_cast<int>(r)) != heights[r]) {
            side->resizeSection(static_cast<int>(r), heights[r]);
        }
    }
    const bool wide = sum(needs.columns) > needs.width;
    m_view->setHorizontalScrollBarPolicy(wide ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (m_rows == Rows::Fill) {
        const bool tall = sum(needs.rows) > needs.height;
        m_view->setVerticalScrollBarPolicy(tall ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    } else {
        const int frame = 2 * m_view->frameWidth();
        const int bar = wide ? m_view->horizontalScrollBar()->sizeHint().height() : 0;
        m_view->setFixedHeight(frame + needs.headerHeight + sum(heights) + bar);
    }
}
