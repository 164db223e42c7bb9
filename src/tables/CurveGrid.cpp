// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/CurveGrid.h"

#include "monitor/LiveFeed.h"
#include "record/SettingsStore.h"
#include "tables/EditorHelp.h"
#include "tables/GridFit.h"
#include "tables/TableEditCommand.h"
#include "tables/TableHistory.h"

#include <QApplication>
#include <QBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QUndoStack>
#include <algorithm>

namespace {

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

CurveGrid::CurveGrid(CurveDescription curve, LiveFeed* feed, SettingsStore& store, QUndoStack* undo,
                     QWidget* parent)
    : QWidget(parent), m_curve(std::move(curve)), m_feed(feed), m_store(store), m_undo(undo),
      m_title(new QLabel(this)), m_grid(new QTableWidget(2, m_curve.points() + 1, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_title);
    layout->addWidget(m_grid);
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->installEventFilter(this);
    m_grid->viewport()->installEventFilter(this);
    connect(m_grid, &QTableWidget::currentCellChanged, this, &CurveGrid::entered);

    m_edit = new QLineEdit(m_grid->viewport());
    m_edit->setObjectName(QStringLiteral("Text1"));
    m_edit->setAlignment(Qt::AlignCenter);
    m_edit->hide();
    m_edit->installEventFilter(this);
    refresh();
    new GridFit(m_grid, GridFit::Rows::Natural);
    selectRun(1, 1);
}

void CurveGrid::setCurve(CurveDescription curve) {
    finishEdit();
    m_curve = std::move(curve);
    refresh();
}

void CurveGrid::refresh() {
    m_title->setText(m_curve.title);
    m_title->setVisible(!m_curve.title.isEmpty());
    m_grid->setWhatsThis(curveHelp(m_curve));
    const auto put = [this](int row, int column, const QString& text, bool selectable) {
        QTableWidgetItem* item = m_grid->item(row, column);
        if (item == nullptr) {
            item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            item->setFlags(selectable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable
                                      : Qt::ItemIsEnabled);
            m_grid->setItem(row, column, item);
        }
        item->setText(text);
    };
    put(0, 0, m_curve.axisCaption, false);
    put(1, 0, m_curve.unitCaption, false);
    for (int p = 0; p < m_curve.points(); ++p) {
        put(0, p + 1, m_curve.axis[p], false);
        put(1, p + 1, m_curve.cellText(m_curve.stored(m_store.settings(), p)), true);
    }
}

std::pair<int, int> CurveGrid::run() const {
    const int current = std::max(1, m_grid->currentColumn());
    const QList<QTableWidgetSelectionRange> ranges = m_grid->selectedRanges();
    if (ranges.isEmpty()) {
        return {current, current};
    }
    const QTableWidgetSelectionRange& r = ranges.first();
    const int left = std::max(1, r.leftColumn());
    const int right = std::max(1, r.rightColumn());
    return {current == left ? right : left, current};
}

void CurveGrid::selectRun(int column, int columnSel) {
    // The view's own current cell is the anchor that Shift with an arrow or
    // a press extends from; then the run's far end becomes the current cell.
    m_grid->setCurrentCell(1, column);
    m_grid->setCurrentCell(1, columnSel, QItemSelectionModel::NoUpdate);
    m_grid->clearSelection();
    m_grid->setRangeSelected(
        QTableWidgetSelectionRange(1, std::min(column, columnSel), 1, std::max(column, columnSel)),
        true);
}

void CurveGrid::setCurrent(bool current) {
    QPalette palette = m_grid->palette();
    const QPalette normal = QWidget::palette();
    palette.setColor(QPalette::Highlight,
                     current ? normal.color(QPalette::Highlight) : normal.color(QPalette::Base));
    palette.setColor(QPalette::HighlightedText, current ? normal.color(QPalette::HighlightedText)
                                                        : normal.color(QPalette::Text));
    m_grid->setPalette(palette);
}

bool CurveGrid::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress;
    const auto* keyEvent = key ? static_cast<QKeyEvent*>(event) : nullptr;
    if (watched == m_grid->viewport()) {
        // A press makes this grid the current one before it moves the cell.
        if (event->type() == QEvent::MouseButtonPress) {
            emit entered();
        }
        return false;
    }
    if (watched == m_grid) {
        if (event->type() == QEvent::FocusIn) {
            emit entered();
        }
        if (key && (keyEvent->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            const QString text = keyEvent->text();
            if (isEnter(keyEvent)) {
                startEdit(QString());
                return true;
            }
            if (text.size() == 1 && curveStartsEdit(m_curve.keys, text[0])) {
                startEdit(text);
                return true;
            }
        }
        return false;
    }
    if (watched == m_edit) {
        if (key && keyEvent->key() == Qt::Key_Escape) {
            m_edit->clear();
            finishEdit();
            return true;
        }
        if (key && isEnter(keyEvent)) {
            finishEdit();
            return true;
        }
        if (key) {
            const QString text = keyEvent->text();
            if (!text.isEmpty() && text[0].isPrint() &&
                !(text.size() == 1 && curveAcceptsInEdit(m_curve.keys, text[0]))) {
                return true;
            }
        }
        if (event->type() == QEvent::FocusOut) {
            finishEdit();
        }
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

void CurveGrid::startEdit(const QString& text) {
    if (m_grid->currentColumn() < 1) {
        return;
    }
    emit entered();
    if (m_feed != nullptr) {
        m_feed->holdPoll(this);
    }
    m_editRun = run();
    m_edit->setText(m_edit->text() + text);
    m_edit->setGeometry(m_grid->visualItemRect(m_grid->item(1, m_editRun.second)));
    m_edit->show();
    m_edit->setFocus();
    m_edit->setCursorPosition(std::min<int>(1, static_cast<int>(m_edit->text().size())));
}

void CurveGrid::finishEdit() {
    if (m_edit->isHidden()) {
        releasePoll();
        return;
    }
    if (m_finishing) {
        return; // the box losing the focus below
    }
    m_finishing = true;
    const QString text = m_edit->text();
    // Focus taken by a press on another grid or box, or by Tab, stays where
    // the user put it. Otherwise the grid takes it back before the box goes,
    // so that hiding the box hands it to no other control.
    const QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || focus == m_edit) {
        m_grid->setFocus();
    }
    m_edit->hide();
    m_edit->clear();
    apply(curveEntry(m_curve, m_store.settings(), m_editRun.first - 1, m_editRun.second - 1, text),
          tr("Entry"));
    selectRun(m_editRun.first, m_editRun.second);
    m_finishing = false;
    releasePoll();
}

void CurveGrid::releasePoll() {
    if (m_feed != nullptr) {
        m_feed->releasePoll(this);
    }
}

void CurveGrid::smooth() {
    const auto [column, columnSel] = run();
    apply(curveSmooth(m_curve, m_store.settings(), column - 1, columnSel - 1), tr("Smooth"));
    m_grid->setFocus();
    selectRun(column, columnSel);
}

void CurveGrid::apply(const std::vector<FieldCell>& cells, const QString& what) {
    if (cells.empty()) {
        return;
    }
    TableStep step = fieldStep(m_curve.field, m_store.settings(), cells);
    const SettingsStore::Send send =
        m_curve.sends ? SettingsStore::Send::IfChanged : SettingsStore::Send::Never;
    m_store.setCells(m_curve.field, cells, send);
    if (step.changesAnything()) {
        m_undo->push(new TableEditCommand(m_store, m_curve.field, std::move(step), what));
    }
}
