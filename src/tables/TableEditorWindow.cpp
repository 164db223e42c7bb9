// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableEditorWindow.h"

#include "monitor/LiveFeed.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
#include "tables/EditorHelp.h"
#include "tables/GridFit.h"
#include "tables/HitRule.h"
#include "tables/HitsDelegate.h"
#include "tables/LoadPlot.h"
#include "tables/LogOverlay.h"
#include "tables/SmartAdd.h"
#include "tables/TableGridModel.h"
#include "tables/TableUndoHistory.h"

#include <QActionGroup>
#include <QApplication>
#include <QBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kTwipsPerInch = 1440;
// The cross-hair: a disc of radius 4 pixels.
constexpr int kDotDiameter = 9;
// The cross-hair position names the corner of a picture whose centre lies
// this far right of and below it.
constexpr double kDotCentreTwips = 100.0;

bool startsEdit(const QKeyEvent* key) {
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        return true;
    }
    const QString text = key->text();
    return text.size() == 1 &&
           (text[0].isDigit() || text[0] == QLatin1Char('.') || text[0] == QLatin1Char(','));
}

// A printable key the edit box refuses: anything but "0".."9", "." and ",".
bool refusedInEdit(const QKeyEvent* key) {
    const QString text = key->text();
    if (text.isEmpty() || !text[0].isPrint()) {
        return false;
    }
    return !(text.size() == 1 &&
             (text[0].isDigit() || text[0] == QLatin1Char('.') || text[0] == QLatin1Char(',')));
}

bool isEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

TableEditorWindow::TableEditorWindow(const TableEditorDescription& description, AppState& state,
                                     SettingsStore& store, UserInteraction& ui, LiveFeed* feed,
                                     TableUndoHistory* history, LogOverlay* overlay,
                                     QWidget* parent)
    : QWidget(parent), m_description(description), m_state(state), m_feed(feed), m_store(store),
      m_ui(ui), m_model(new TableGridModel(description, state, store, this)),
      m_history(history != nullptr ? history : new TableUndoHistory(description, store, this)),
      m_overlay(overlay),
      m_loadPlotShown(description.isIgnition ? state.display.PlotLoadLineIgnition
                                             : state.display.PlotLoadLineFuel) {
    setObjectName(description.isIgnition ? QStringLiteral("frmIgn") : QStringLiteral("frmFuel"));
    setWindowTitle(description.caption);
    buildControls();
    buildActions();
    select({1, 1, 1, 1});
    connect(&m_store, &SettingsStore::changed, this, &TableEditorWindow::settingsChanged);
    if (m_feed != nullptr) {
        m_sample = m_feed->latest();
        connect(m_feed, &LiveFeed::sampled, this, &TableEditorWindow::upDate);
    }
    if (m_overlay != nullptr) {
        connect(m_overlay, &LogOverlay::logChanged, this, &TableEditorWindow::logChanged);
        connect(m_overlay, &LogOverlay::replayChanged, this, &TableEditorWindow::replayChanged);
        connect(m_overlay, &LogOverlay::meanOfChanged, this, [this](bool ignition) {
            if (ignition == m_description.isIgnition) {
                checkMeanChoice();
                countHits();
            }
        });
        logChanged();
        replayChanged();
    }
}

QUndoStack* TableEditorWindow::undoStack() const {
    return m_history->stack();
}

// Being destroyed withdraws an open edit's hold of the poll.
TableEditorWindow::~TableEditorWindow() = default;

void TableEditorWindow::buildControls() {
    const bool ignition = m_description.isIgnition;
    m_grid = new QTableView(this);
    m_grid->setObjectName(ignition ? QStringLiteral("IgnGrid") : QStringLiteral("FuelGrid"));
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_grid->setItemDelegate(new HitsDelegate(m_grid));
    new GridFit(m_grid, GridFit::Rows::Fill);
    m_grid->horizontalHeader()->setSectionsClickable(false);
    m_grid->verticalHeader()->setSectionsClickable(false);
    m_grid->setWhatsThis(tableGridHelp(m_description));
    m_grid->installEventFilter(this);
    // The load plot follows the row where the selection starts, not its
    // moving corner.
    const auto followRow = [this] {
        if (m_plot != nullptr) {
            m_plot->setGridRow(selection().row);
        }
    };
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this, followRow);
    connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, followRow);
    m_hitsLine = new QLabel(this);
    m_hitsLine->setObjectName(QStringLiteral("HitsLine"));
    m_hitsLine->hide();
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TableEditorWindow::showHitsLine);

    m_edit = new QLineEdit(m_grid->viewport());
    m_edit->setObjectName(QStringLiteral("Text1"));
    m_edit->setAlignment(Qt::AlignRight);
    m_edit->hide();
    m_edit->installEventFilter(this);

    auto* rpmCaption = new QLabel(QStringLiteral("Rpm"), this);
    rpmCaption->setObjectName(ignition ? QStringLiteral("IgnLabel0")
                                       : QStringLiteral("FuelLabel0"));
    rpmCaption->setAlignment(Qt::AlignCenter);
    auto* loadCaption = new QLabel(this);
    loadCaption->setObjectName(ignition ? QStringLiteral("IgnLabel1")
                                        : QStringLiteral("FuelLabel1"));
    loadCaption->setAlignment(Qt::AlignCenter);
    if (const std::optional<QString> caption = m_model->table().loadCaption()) {
        loadCaption->setText(caption->split(QString()).join(QLatin1Char('\n')).trimmed());
    }

    m_amount = new QLineEdit(m_amountEntry.shown, this);
    m_amount->setObjectName(QStringLiteral("AddText0"));
    m_factor = new QLineEdit(m_factorEntry.shown, this);
    m_factor->setObjectName(QStringLiteral("AddText1"));
    for (QLineEdit* box : {m_amount, m_factor}) {
        box->setAlignment(Qt::AlignRight);
        box->setMaximumWidth(90);
        box->installEventFilter(this);
    }
    m_amount->setWhatsThis(operandHelp(m_description, Operand::Amount));
    m_factor->setWhatsThis(operandHelp(m_description, Operand::Factor));

    auto* buttons = new QVBoxLayout;
    const auto button = [this, buttons](const QString& caption, const QString& name,
                                        EditorButton help, auto&& run) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setWhatsThis(editorButtonHelp(m_description, help));
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, run);
        buttons->addWidget(b);
    };
    buttons->addWidget(m_amount);
    button(tr("Add"), QStringLiteral("AddButton0"), EditorButton::Add,
           [this] { arithmetic(BlockArithmetic::Add); });
    button(tr("Subtract"), QStringLiteral("AddButton2"), EditorButton::Subtract,
           [this] { arithmetic(BlockArithmetic::Subtract); });
    buttons->addSpacing(8);
    buttons->addWidget(m_factor);
    button(tr("Multiply"), QStringLiteral("AddButton1"), EditorButton::Multiply,
           [this] { arithmetic(BlockArithmetic::Multiply); });
    button(tr("Divide"), QStringLiteral("AddButton3"), EditorButton::Divide,
           [this] { arithmetic(BlockArithmetic::Divide); });
    buttons->addSpacing(8);
    button(tr("Smooth"), QStringLiteral("SmoothButton"), EditorButton::Smooth,
           [this] { smooth(); });
    buttons->addSpacing(8);
    button(tr("UnMark"), QStringLiteral("MarkButton0"), EditorButton::UnMark, [this] { mark(0); });
    button(tr("Mark 1"), QStringLiteral("MarkButton1"), EditorButton::Mark1, [this] { mark(1); });
    button(tr("Mark 2"), QStringLiteral("MarkButton2"), EditorButton::Mark2, [this] { mark(2); });
    if (m_overlay != nullptr) {
        buttons->addSpacing(8);
        m_hitsButton = new QPushButton(tr("Hits"), this);
        m_hitsButton->setObjectName(QStringLiteral("HitsButton"));
        m_hitsButton->setCheckable(true);
        m_hitsButton->setFocusPolicy(Qt::NoFocus);
        m_hitsButton->setWhatsThis(editorButtonHelp(m_description, EditorButton::Hits));
        buttons->addWidget(m_hitsButton);
    }
    buttons->addStretch();

    auto* gridRow = new QHBoxLayout;
    gridRow->addWidget(loadCaption);
    gridRow->addWidget(m_grid, 1);
    gridRow->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->addWidget(rpmCaption);
    layout->addLayout(gridRow, 3);
    layout->addWidget(m_hitsLine);
    if (m_loadPlotShown) {
        m_plot = new LoadPlot(m_model->table(), this);
        m_plot->setMinimumHeight(80);
        layout->addWidget(m_plot, 1);
    }

    m_crossHair = new QWidget(this);
    m_crossHair->setObjectName(QStringLiteral("CrossHair"));
    m_crossHair->setFixedSize(kDotDiameter, kDotDiameter);
    m_crossHair->setMask(QRegion(0, 0, kDotDiameter, kDotDiameter, QRegion::Ellipse));
    m_crossHair->setAutoFillBackground(true);
    m_crossHair->setPalette(QPalette(QColor(0, 0, 0)));
    m_crossHair->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_crossHair->hide();
}

QLineEdit* TableEditorWindow::operandBox(Operand operand) const {
    return operand == Operand::Amount ? m_amount : m_factor;
}

GridSelection TableEditorWindow::selection() const {
    const QModelIndex current = m_grid->currentIndex();
    const int row = std::max(current.row(), 0);
    const int column = std::max(current.column(), 0);
    GridSelection s{row + 1, column + 1, row + 1, column + 1};
    const QItemSelection ranges = m_grid->selectionModel()->selection();
    if (ranges.size() == 1 && ranges.first().contains(current)) {
        const QItemSelectionRange& r = ranges.first();
        s.row = (row == r.top() ? r.bottom() : r.top()) + 1;
        s.column = (column == r.left() ? r.right() : r.left()) + 1;
    }
    return s;
}

void TableEditorWindow::select(const GridSelection& s) {
    // The view's own current cell is the anchor that Shift with an arrow or
    // a press extends from; then the far corner becomes the current cell.
    m_grid->setCurrentIndex(m_model->index(s.row - 1, s.column - 1));
    QItemSelectionModel* model = m_grid->selectionModel();
    model->setCurrentIndex(m_model->index(s.rowSel - 1, s.columnSel - 1),
                           QItemSelectionModel::NoUpdate);
    model->select(QItemSelection(m_model->index(s.row - 1, s.column - 1),
                                 m_model->index(s.rowSel - 1, s.columnSel - 1)),
                  QItemSelectionModel::ClearAndSelect);
}

bool TableEditorWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress;
    const auto* keyEvent = key ? static_cast<QKeyEvent*>(event) : nullptr;
    if (watched == m_grid && key &&
        (keyEvent->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (startsEdit(keyEvent)) {
            startEdit(isEnter(keyEvent) ? QString() : keyEvent->text());
            return true;
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
        if (key && refusedInEdit(keyEvent)) {
            return true;
        }
        if (event->type() == QEvent::FocusOut) {
            finishEdit();
        }
        return false;
    }
    for (const Operand op : {Operand::Amount, Operand::Factor}) {
        if (watched != operandBox(op)) {
            continue;
        }
        if (key && (keyEvent->key() == Qt::Key_Escape || isEnter(keyEvent))) {
            if (keyEvent->key() == Qt::Key_Escape) {
                operandBox(op)->clear();
            }
            leaveOperand(op);
            m_grid->setFocus();
            return true;
        }
        if (event->type() == QEvent::FocusOut) {
            leaveOperand(op);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TableEditorWindow::startEdit(const QString& text) {
    if (m_feed != nullptr) {
        m_feed->holdPoll(this);
    }
    m_editSelection = selection();
    m_edit->setText(m_edit->text() + text);
    m_edit->setGeometry(m_grid->visualRect(m_grid->currentIndex()));
    m_edit->show();
    m_edit->setFocus();
    m_edit->setCursorPosition(std::min<int>(1, static_cast<int>(m_edit->text().size())));
}

void TableEditorWindow::finishEdit() {
    if (!m_edit->isVisible()) {
        releasePoll();
        return;
    }
    if (m_finishing) {
        return; // the box losing the focus below
    }
    m_finishing = true;
    const QString text = m_edit->text();
    // Focus taken by a press on an operand box or another window stays where
    // the user put it. Otherwise the grid takes it back before the box goes,
    // so that hiding the box hands it to no other control.
    const QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || focus == m_edit) {
        m_grid->setFocus();
    }
    m_edit->hide();
    m_edit->clear();
    apply(typedEntry(m_description, m_store.settings(), m_editSelection, text),
          SettingsStore::Send::IfChanged, tr("Entry"));
    select(m_editSelection);
    m_finishing = false;
    releasePoll();
}

void TableEditorWindow::releasePoll() {
    if (m_feed != nullptr) {
        m_feed->releasePoll(this);
    }
}

void TableEditorWindow::leaveOperand(Operand op) {
    OperandBox& entry = op == Operand::Amount ? m_amountEntry : m_factorEntry;
    entry = leaveOperandBox(m_description, op, entry, operandBox(op)->text());
    operandBox(op)->setText(entry.shown);
}

double TableEditorWindow::operand(Operand op) {
    leaveOperand(op);
    return (op == Operand::Amount ? m_amountEntry : m_factorEntry).value;
}

void TableEditorWindow::apply(const std::vector<FieldCell>& cells, SettingsStore::Send send,
                              const QString& what) {
    m_history->apply(cells, send, what);
}

void TableEditorWindow::arithmetic(BlockArithmetic operation) {
    const GridSelection s = selection();
    const double amount = operand(Operand::Amount);
    const double factor = operand(Operand::Factor);
    static const QStringList names{tr("Add"), tr("Multiply"), tr("Subtract"), tr("Divide")};
    apply(blockArithmetic(m_description, m_store.settings(), s, operation, amount, factor),
          SettingsStore::Send::Always, names[static_cast<int>(operation)]);
    m_grid->setFocus();
    select(s);
}

void TableEditorWindow::smooth() {
    const GridSelection s = selection();
    apply(smoothBlock(m_description, m_store.settings(), s), SettingsStore::Send::Always,
          tr("Smooth"));
    m_grid->setFocus();
    select(s);
}

void TableEditorWindow::mark(uint8_t flag) {
    const GridSelection s = selection();
    markBlock(m_description.marksOf(m_state.display), s, flag);
    m_model->refreshCells(blockWalk(s));
    m_grid->setFocus();
    select(s);
}

void TableEditorWindow::logChanged() {
    const std::shared_ptr<const LogHitsSource>& log = m_overlay->log();
    m_hitsAction->setEnabled(log != nullptr);
    m_hitsButton->setEnabled(log != nullptr);
    m_meanMenu->setEnabled(log != nullptr);
    m_hitsButton->setToolTip(log ? tr("Hits of %1 (Ctrl+Shift+H)").arg(log->description())
                                 : tr("Open a log (File > Open Log...) to show its hits"));
    if (!log) {
        m_hitsAction->setChecked(false);
    }
    // The choices of the mean: none, or a channel of the log.
    m_meanMenu->clear();
    const auto choice = [this](const QString& text, const QString& channel) {
        QAction* action = m_meanMenu->addAction(text);
        action->setCheckable(true);
        action->setData(channel);
        m_meanChoices->addAction(action);
    };
    choice(tr("None (counts only)"), QString());
    const std::vector<HitChannel> channels = log ? log->channels() : std::vector<HitChannel>{};
    for (const HitChannel& c : channels) {
        choice(c.unit.isEmpty() ? c.name : QStringLiteral("%1 (%2)").arg(c.name, c.unit), c.name);
    }
    checkMeanChoice();
    countHits();
}

void TableEditorWindow::checkMeanChoice() {
    const QString chosen = m_overlay->meanOf(m_description.isIgnition);
    const QList<QAction*> choices = m_meanChoices->actions();
    const auto found = std::find_if(choices.begin(), choices.end(), [&chosen](QAction* a) {
        return a->data().toString().compare(chosen, Qt::CaseInsensitive) == 0;
    });
    (found != choices.end() ? *found : choices.constFirst())->setChecked(true);
}

void TableEditorWindow::countHits() {
    const std::shared_ptr<const LogHitsSource>& log = m_overlay->log();
    if (!log || !m_hitsAction->isChecked()) {
        if (m_model->hitsShown()) {
            m_model->setHits(std::nullopt);
            showHitsLine();
        }
        return;
    }
    HitChannel meanOf;
    const QString chosen = m_overlay->meanOf(m_description.isIgnition);
    for (const HitChannel& c : log->channels()) {
        if (!chosen.isEmpty() && c.name.compare(chosen, Qt::CaseInsensitive) == 0) {
            meanOf = c;
        }
    }
    {
        BusyGuard busy(m_ui);
        m_model->setHits(log->count(m_store.settings(), meanOf.name), meanOf);
    }
    showHitsLine();
}

void TableEditorWindow::showHitsLine() {
    const QModelIndex current = m_grid->currentIndex();
    const std::optional<QString> summary =
        current.isValid() ? m_model->hitSummaryAt(current.row() + 1, current.column() + 1)
                          : std::nullopt;
    m_hitsLine->setVisible(summary.has_value());
    if (summary) {
        m_hitsLine->setText(
            tr("%1 rpm, load %2: %3")
                .arg(m_model->headerData(current.column(), Qt::Horizontal, Qt::DisplayRole)
                         .toString()
                         .trimmed(),
                     m_model->headerData(current.row(), Qt::Vertical, Qt::DisplayRole)
                         .toString()
                         .trimmed(),
                     *summary));
    }
}

bool TableEditorWindow::smartAddAvailable() const {
    return !m_description.isIgnition && m_smartAvailable;
}

void TableEditorWindow::addCurrent(int sign) {
    if (!smartAddAvailable()) {
        return;
    }
    apply(smartAdd(m_model->table(), *m_highlight.current(), m_sample, operand(Operand::Amount),
                   sign),
          SettingsStore::Send::Always, sign > 0 ? tr("Smart Add") : tr("Smart Subtract"));
}

void TableEditorWindow::settingsChanged(const SettingsChange& change) {
    m_model->reload();
    if (m_plot != nullptr && change.touches(m_description.field)) {
        m_plot->update();
    }
    if (m_overlay != nullptr && movesRecords(change)) {
        countHits();
        if (m_replaying) {
            showOperatingPoint();
        }
    }
}

bool TableEditorWindow::crossHairShown() const {
    return m_description.isIgnition ? m_state.display.DisplayIgnitionCrossHair
                                    : m_state.display.DisplayFuelCrossHair;
}

void TableEditorWindow::upDate(const LiveSample& sample) {
    m_sample = sample;
    // A record replayed from the log stays until live data arrives.
    if (m_replaying && !m_state.EcuOnline) {
        return;
    }
    m_replaying = false;
    showOperatingPoint();
}

void TableEditorWindow::replayChanged() {
    const bool replaying = m_overlay->replay().has_value();
    if (replaying || m_replaying) {
        m_replaying = replaying;
        showOperatingPoint();
    }
}

void TableEditorWindow::showOperatingPoint() {
    if (m_replaying) {
        m_point = loggedGridPoint(m_store.settings(), *m_overlay->replay());
    } else if (m_state.EcuOnline) {
        m_point = gridPoint(m_store.settings(), m_sample);
    } else {
        m_point.reset();
    }
    if (!m_point) {
        m_crossHair->hide();
        if (m_highlight.current()) {
            m_highlight.reset();
            m_model->clearHighlight();
        }
        showAvailability();
        return;
    }
    if (crossHairShown()) {
        moveCrossHair();
        m_crossHair->show();
        m_crossHair->raise();
    } else {
        m_crossHair->hide();
    }
    const QModelIndex current = m_grid->currentIndex();
    const GridCursor cursor{current.row() + 1, current.column() + 1};
    if (const auto repaint = m_highlight.update(
            operatingHighlightAt(m_store.settings(), m_point->rpm, m_point->load), cursor)) {
        m_model->repaintHighlight(*repaint);
    }
    showAvailability();
}

void TableEditorWindow::showAvailability() {
    // Smart add moves the cells of the live point, not of a replayed one.
    const bool available = m_highlight.current().has_value() && !m_replaying;
    if (available != m_smartAvailable) {
        m_smartAvailable = available;
        if (m_smartAdd != nullptr) {
            m_smartAdd->setEnabled(smartAddAvailable());
            m_smartSubtract->setEnabled(smartAddAvailable());
        }
        emit smartAddAvailabilityChanged(smartAddAvailable());
    }
}

void TableEditorWindow::moveCrossHair() {
    // The grid's header row and column count as cells of the data's size.
    const double tpp = static_cast<double>(kTwipsPerInch) / logicalDpiX();
    const QPoint viewport = m_grid->viewport()->mapTo(this, QPoint(0, 0));
    // The sections may differ by a pixel: the mean pitch of the 16 cells.
    const int last = TableGridModel::kCells - 1;
    const double pitchX =
        (m_grid->columnViewportPosition(last) + m_grid->columnWidth(last)) / double(last + 1);
    const double pitchY =
        (m_grid->rowViewportPosition(last) + m_grid->rowHeight(last)) / double(last + 1);
    GridGeometry g;
    g.left = (viewport.x() - pitchX) * tpp;
    g.top = (viewport.y() - pitchY) * tpp;
    g.cellWidth = pitchX * tpp - 15;
    g.cellHeight = pitchY * tpp - 15;
    const QPoint corner = crossHairPosition(g, m_store.settings(), *m_point);
    const QPointF centre((corner.x() + kDotCentreTwips) / tpp,
                         (corner.y() + kDotCentreTwips) / tpp);
    m_crossHair->move(static_cast<int>(std::lround(centre.x())) - kDotDiameter / 2,
                      static_cast<int>(std::lround(centre.y())) - kDotDiameter / 2);
}

void TableEditorWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_crossHair->isVisible() && m_point) {
        moveCrossHair();
    }
}
