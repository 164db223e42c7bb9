// SPDX-License-Identifier: GPL-3.0-or-later
#include "gauges/GaugesWindow.h"

#include "record/AreaFit.h"
#include "record/ListStyle.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLineEdit* numberBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaximumWidth(90);
    return box;
}

} // namespace

GaugesWindow::GaugesWindow(const SettingsStore& store, UserInteraction& ui, QString layoutPath,
                           QWidget* parent)
    : QWidget(parent), m_store(store), m_ui(ui), m_layoutPath(std::move(layoutPath)),
      m_layout(loadGaugeLayout(m_layoutPath)) {
    setObjectName(QStringLiteral("frmGauges"));
    setWindowTitle(QStringLiteral("Gauges"));

    m_panel = new GaugePanel(store, this);
    m_panel->setGauges(m_layout.gauges);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("GaugeScroll"));
    m_scroll->setWidget(m_panel);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setPalette(QPalette(gaugeBackground()));

    // An action, so that its keys open the editor at once.
    m_editAction = new QAction(QStringLiteral("Edit gauges"), this);
    m_editAction->setObjectName(QStringLiteral("EditGauges"));
    m_editAction->setCheckable(true);
    m_editAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_G));
    m_editAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_editAction->setToolTip(
        QStringLiteral("Shows or hides the list of gauges and their settings (Alt+G)."));
    addAction(m_editAction);
    connect(m_editAction, &QAction::toggled, this, &GaugesWindow::setEditing);
    auto* editButton = new QToolButton(this);
    editButton->setDefaultAction(m_editAction);
    editButton->setToolButtonStyle(Qt::ToolButtonTextOnly);

    m_editor = buildEditor();
    m_editor->hide();

    auto* side = new QVBoxLayout;
    side->addWidget(editButton);
    side->addWidget(m_editor, 1);
    side->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 4, 0);
    layout->addWidget(m_scroll, 1);
    layout->addLayout(side);
    refreshList(m_layout.gauges.empty() ? -1 : 0);
}

QWidget* GaugesWindow::buildEditor() {
    auto* editor = new QWidget(this);
    editor->setObjectName(QStringLiteral("GaugeEditor"));
    m_list = new QListWidget(editor);
    m_list->setObjectName(QStringLiteral("GaugeList"));
    m_list->setToolTip(QStringLiteral(
        "Insert adds a gauge, Delete removes the one chosen, Ctrl+Up and Ctrl+Down move it."));
    m_list->installEventFilter(this);
    m_add = new QPushButton(QStringLiteral("&Add"), editor);
    m_remove = new QPushButton(QStringLiteral("&Remove"), editor);
    m_up = new QPushButton(QStringLiteral("Move &up"), editor);
    m_down = new QPushButton(QStringLiteral("Move dow&n"), editor);
    m_add->setObjectName(QStringLiteral("AddGauge"));
    m_remove->setObjectName(QStringLiteral("RemoveGauge"));
    m_up->setObjectName(QStringLiteral("MoveGaugeUp"));
    m_down->setObjectName(QStringLiteral("MoveGaugeDown"));
    for (QPushButton* b : {m_add, m_remove, m_up, m_down}) {
        b->setAutoDefault(false);
    }

    m_channel = new QComboBox(editor);
    m_channel->setObjectName(QStringLiteral("GaugeChannel"));
    for (int c = 0; c < kLiveChannelCount; ++c) {
        m_channel->addItem(liveChannelName(static_cast<LiveChannel>(c)));
    }
    m_kind = new QComboBox(editor);
    m_kind->setObjectName(QStringLiteral("GaugeKind"));
    for (int k = 0; k < kGaugeKindCount; ++k) {
        m_kind->addItem(gaugeKindName(static_cast<GaugeKind>(k)));
    }
    m_min = numberBox(editor, "ScaleFrom");
    m_max = numberBox(editor, "ScaleTo");
    m_dangerBelow = numberBox(editor, "DangerBelow");
    m_warningBelow = numberBox(editor, "WarningBelow");
    m_warningAbove = numberBox(editor, "WarningAbove");
    m_dangerAbove = numberBox(editor, "DangerAbove");
    for (QLineEdit* box : {m_dangerBelow, m_warningBelow, m_warningAbove, m_dangerAbove}) {
        box->setPlaceholderText(QStringLiteral("none"));
        box->setToolTip(QStringLiteral("Empty for none; Enter or Tab applies it."));
    }

    auto* buttons = new QGridLayout;
    buttons->addWidget(m_add, 0, 0);
    buttons->addWidget(m_remove, 0, 1);
    buttons->addWidget(m_up, 1, 0);
    buttons->addWidget(m_down, 1, 1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Channel"), m_channel);
    form->addRow(QStringLiteral("&Kind"), m_kind);
    form->addRow(QStringLiteral("Scale fr&om"), m_min);
    form->addRow(QStringLiteral("Scale to&p"), m_max);
    form->addRow(QStringLiteral("Danger be&low"), m_dangerBelow);
    form->addRow(QStringLiteral("Warn&ing below"), m_warningBelow);
    form->addRow(QStringLiteral("Warning abo&ve"), m_warningAbove);
    form->addRow(QStringLiteral("Danger a&bove"), m_dangerAbove);
    auto* layout = new QVBoxLayout(editor);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    layout->addLayout(form);

    connect(m_list, &QListWidget::currentRowChanged, this, &GaugesWindow::selectGauge);
    connect(m_add, &QPushButton::clicked, this, &GaugesWindow::add);
    connect(m_remove, &QPushButton::clicked, this, &GaugesWindow::remove);
    connect(m_up, &QPushButton::clicked, this, [this] { move(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { move(1); });
    connect(m_channel, &QComboBox::activated, this, &GaugesWindow::channelChosen);
    connect(m_kind, &QComboBox::activated, this, &GaugesWindow::kindChosen);
    connect(m_min, &QLineEdit::editingFinished, this, &GaugesWindow::scaleEdited);
    connect(m_max, &QLineEdit::editingFinished, this, &GaugesWindow::scaleEdited);
    const std::pair<QLineEdit*, std::optional<float> Gauge::*> limits[] = {
        {m_dangerBelow, &Gauge::dangerBelow},
        {m_warningBelow, &Gauge::warningBelow},
        {m_warningAbove, &Gauge::warningAbove},
        {m_dangerAbove, &Gauge::dangerAbove}};
    for (const auto& [box, limit] : limits) {
        connect(box, &QLineEdit::editingFinished, this,
                [this, box = box, limit = limit] { limitEdited(box, limit); });
    }
    return editor;
}

QSize GaugesWindow::sizeHint() const {
    // The scroll area asks for no more than a few dozen lines of text: the
    // window asks for what its gauges want instead.
    return QWidget::sizeHint() +
           (m_panel->sizeHint() - m_scroll->sizeHint()).expandedTo(QSize(0, 0));
}

bool GaugesWindow::editing() const {
    return m_editAction->isChecked();
}

void GaugesWindow::showSample(const LiveSample& sample) {
    m_panel->setSample(sample);
}

void GaugesWindow::setEditing(bool on) {
    m_editor->setVisible(on);
    m_panel->setCompact(on);
    if (on) {
        growBy(QSize(m_editor->sizeHint().width(), 0));
    }
    m_panel->setCurrent(on ? m_list->currentRow() : -1);
    if (on) {
        m_list->setFocus(Qt::OtherFocusReason);
    }
}

void GaugesWindow::growBy(QSize more) {
    // Where the area has room, and never out of it.
    QWidget* frame = parentWidget();
    if (frame == nullptr || frame->parentWidget() == nullptr) {
        return;
    }
    QWidget::layout()->activate();
    const QSize wanted = (frame->size() + more).expandedTo(frame->size());
    frame->setGeometry(keepInside(QRect(frame->pos(), wanted), frame->parentWidget()->rect(),
                                  frame->minimumSizeHint()));
}

void GaugesWindow::refreshList(int select) {
    m_filling = true;
    m_list->clear();
    for (size_t i = 0; i < m_layout.gauges.size(); ++i) {
        const Gauge& g = m_layout.gauges[i];
        m_list->addItem(QStringLiteral("%1. %2 (%3)")
                            .arg(i + 1)
                            .arg(liveChannelName(g.channel), gaugeKindName(g.kind)));
    }
    m_filling = false;
    m_list->setCurrentRow(select);
    selectGauge(m_list->currentRow());
}

Gauge* GaugesWindow::current() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_layout.gauges.size())) {
        return nullptr;
    }
    return &m_layout.gauges[static_cast<size_t>(row)];
}

void GaugesWindow::selectGauge(int index) {
    if (m_filling) {
        return;
    }
    m_panel->setCurrent(editing() ? index : -1);
    refreshBoxes();
}

void GaugesWindow::refreshBoxes() {
    const Gauge* g = current();
    const int count = static_cast<int>(m_layout.gauges.size());
    const int row = m_list->currentRow();
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_remove, m_channel, m_kind, m_min, m_max, m_dangerBelow,
                                         m_warningBelow, m_warningAbove, m_dangerAbove}) {
        w->setEnabled(g != nullptr);
    }
    m_add->setEnabled(count < GaugeLayout::kMaxGauges);
    m_up->setEnabled(g != nullptr && row > 0);
    m_down->setEnabled(g != nullptr && row + 1 < count);
    if (g == nullptr) {
        for (QLineEdit* box :
             {m_min, m_max, m_dangerBelow, m_warningBelow, m_warningAbove, m_dangerAbove}) {
            box->clear();
        }
        return;
    }
    m_channel->setCurrentIndex(static_cast<int>(g->channel));
    m_kind->setCurrentIndex(static_cast<int>(g->kind));
    m_min->setText(optionalNumberText(g->min));
    m_max->setText(optionalNumberText(g->max));
    m_dangerBelow->setText(optionalNumberText(g->dangerBelow));
    m_warningBelow->setText(optionalNumberText(g->warningBelow));
    m_warningAbove->setText(optionalNumberText(g->warningAbove));
    m_dangerAbove->setText(optionalNumberText(g->dangerAbove));
}

void GaugesWindow::add() {
    const int row = m_list->currentRow();
    if (insertGauge(m_layout, row)) {
        const int at = row >= 0 ? row + 1 : static_cast<int>(m_layout.gauges.size()) - 1;
        layoutChanged();
        refreshList(at);
        m_list->setFocus(Qt::OtherFocusReason);
    }
}

void GaugesWindow::remove() {
    const int row = m_list->currentRow();
    if (removeGauge(m_layout, row)) {
        layoutChanged();
        refreshList(std::min(row, static_cast<int>(m_layout.gauges.size()) - 1));
        m_list->setFocus(Qt::OtherFocusReason);
    }
}

void GaugesWindow::move(int by) {
    const int row = m_list->currentRow();
    if (moveGauge(m_layout, row, row + by)) {
        layoutChanged();
        refreshList(row + by);
    }
}

void GaugesWindow::channelChosen(int index) {
    Gauge* g = current();
    if (g == nullptr || index < 0 || index == static_cast<int>(g->channel)) {
        return;
    }
    // A new channel comes with its usual scale and limits.
    *g = usualGauge(static_cast<LiveChannel>(index), g->kind);
    layoutChanged();
    refreshList(m_list->currentRow());
}

void GaugesWindow::kindChosen(int index) {
    Gauge* g = current();
    if (g == nullptr || index < 0 || index == static_cast<int>(g->kind)) {
        return;
    }
    g->kind = static_cast<GaugeKind>(index);
    layoutChanged();
    refreshList(m_list->currentRow());
}

void GaugesWindow::scaleEdited() {
    Gauge* g = current();
    if (g == nullptr) {
        return;
    }
    std::optional<float> min = g->min;
    std::optional<float> max = g->max;
    if (readOptionalNumber(m_min->text(), min) && readOptionalNumber(m_max->text(), max) && min &&
        max && (*min != g->min || *max != g->max) && setGaugeScale(*g, *min, *max)) {
        layoutChanged();
    }
    refreshBoxes();
}

void GaugesWindow::limitEdited(QLineEdit* box, std::optional<float> Gauge::*limit) {
    Gauge* g = current();
    if (g == nullptr) {
        return;
    }
    std::optional<float> value = (*g).*limit;
    if (readOptionalNumber(box->text(), value) && value != (*g).*limit) {
        (*g).*limit = value;
        layoutChanged();
    }
    box->setText(optionalNumberText((*g).*limit));
}

void GaugesWindow::layoutChanged() {
    const QSize before = m_panel->sizeHint();
    m_panel->setGauges(m_layout.gauges);
    growBy(m_panel->sizeHint() - before);
    m_panel->setCurrent(editing() ? m_list->currentRow() : -1);
    const QString problem = saveGaugeLayout(m_layoutPath, m_layout);
    if (!problem.isEmpty() && !m_toldSaveFailure) {
        m_toldSaveFailure = true;
        m_ui.message(
            QStringLiteral("The gauges could not be saved to %1:\r\n%2").arg(m_layoutPath, problem),
            UserInteraction::Icon::Critical);
    }
}

bool GaugesWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            remove();
            return true;
        }
        if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier) {
            add();
            return true;
        }
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
            key->modifiers() == Qt::ControlModifier) {
            move(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void GaugesWindow::closeEvent(QCloseEvent* event) {
    emit closed(parentWidget() != nullptr ? parentWidget()->pos() : pos());
    event->accept();
}
