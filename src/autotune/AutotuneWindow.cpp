// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/AutotuneWindow.h"

#include "autotune/AutotuneGridModel.h"
#include "autotune/LiveSource.h"
#include "record/AppState.h"
#include "record/SettingCodes.h"
#include "record/UserInteraction.h"
#include "tables/GridFit.h"
#include "tables/TableUndoHistory.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

namespace {

constexpr int kProgressSteps = 1000;
constexpr int kProgressIntervalMs = 100;
constexpr int kBoxWidth = 64;
// The grid's columns with the load labels, and the share of their width at
// the grid's font that a smaller font still leaves readable.
constexpr int kGridColumns = 17;
constexpr double kGridColumnsShare = 0.85;

QLabel* namedLabel(const QString& name, const QString& text = {}) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    return label;
}

QString inputModeName(AnalogInputMode mode) {
    switch (mode) {
    case AnalogInputMode::Off:
        return QStringLiteral("off");
    case AnalogInputMode::FuelPercent:
        return QStringLiteral("fuel");
    case AnalogInputMode::IgnitionDegrees:
        return QStringLiteral("ignition");
    case AnalogInputMode::Ego:
        return QStringLiteral("EGO");
    }
    return QStringLiteral("mode %1").arg(static_cast<int>(mode));
}

} // namespace

AutotuneWindow::AutotuneWindow(AutotuneWindowParts parts, QWidget* parent)
    : QWidget(parent), m_parts(std::move(parts)),
      m_workspace(m_parts.store, m_parts.ui, [this](const std::vector<FieldCell>& cells) {
          BusyGuard busy(m_parts.ui);
          m_parts.fuelHistory.apply(cells, SettingsStore::Send::IfChanged, tr("Autotune"));
      }) {
    setObjectName(QStringLiteral("frmAutotune"));
    setWindowTitle(QStringLiteral("Autotune  -  Fuel Table from the EGO Sensor"));

    // The grid and the settings side by side, or on two pages where the
    // window is too narrow for both (arrange).
    m_body = new QStackedWidget(this);
    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->setObjectName(QStringLiteral("AutotuneSplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_gridPage = buildGrid();
    m_settings = buildSettings();
    m_splitter->addWidget(m_gridPage);
    m_splitter->addWidget(m_settings);
    m_splitter->setStretchFactor(0, 3);
    m_splitter->setStretchFactor(1, 1);
    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("AutotunePages"));
    m_body->addWidget(m_splitter);
    m_body->addWidget(m_pages);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(4, 4, 4, 4);
    m_source = buildSource();
    m_layout->addWidget(m_source);
    m_layout->addWidget(m_body, 1);
    m_layout->addWidget(buildBottom());

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        m_progress->setValue(static_cast<int>(m_workspace.readProgress() * kProgressSteps));
    });
    connect(&m_workspace, &AutotuneWorkspace::proposalChanged, this, &AutotuneWindow::showProposal);
    connect(&m_workspace, &AutotuneWorkspace::logsChanged, this, &AutotuneWindow::showLogs);
    connect(&m_workspace, &AutotuneWorkspace::readingChanged, this, &AutotuneWindow::showReading);
    connect(&m_workspace, &AutotuneWorkspace::applied, this, &AutotuneWindow::applied);
    if (m_parts.live != nullptr) {
        connect(m_parts.live, &LiveSource::sampleTaken, &m_workspace,
                &AutotuneWorkspace::addLiveSample);
    }
    connect(&m_parts.store, &SettingsStore::changed, this, [this] {
        m_model->reload();
        showLoadCaption();
        showChoices();
    });
    showChoices();
    showLogs();
    showReading(false);
    m_grid->setCurrentIndex(m_model->index(0, 0));
}

AutotuneWindow::~AutotuneWindow() = default;

QWidget* AutotuneWindow::buildSource() {
    auto* box = new QGroupBox(tr("Source"));
    box->setObjectName(QStringLiteral("SourceFrame"));
    auto* logs = new QRadioButton(tr("Logs"));
    logs->setObjectName(QStringLiteral("LogsSource"));
    logs->setWhatsThis(tr("Reads the full records of the logs listed, taken with the fuel table "
                          "the program holds, in the background."));
    auto* live = new QRadioButton(tr("Live"));
    live->setObjectName(QStringLiteral("LiveSource"));
    live->setWhatsThis(tr("Takes every poll of the running engine; the proposal follows each "
                          "one and is applied only by Apply (or by itself when chosen)."));
    m_logsSource = logs;
    m_liveSource = live;
    logs->setChecked(true);
    auto* group = new QButtonGroup(box);
    group->addButton(logs);
    group->addButton(live);
    connect(live, &QAbstractButton::toggled, this, [this](bool on) {
        m_workspace.setSource(on ? AutotuneSource::Live : AutotuneSource::Logs);
        showLogs();
        showChoices();
    });

    m_logList = new QListWidget;
    m_logList->setObjectName(QStringLiteral("LogList"));
    m_logList->setMaximumHeight(m_logList->fontMetrics().height() * 2 + 8);
    m_logList->setWhatsThis(tr("The logs autotune reads, one after the other. Each must be taken "
                               "with the fuel table the program holds now."));
    m_addLog = new QPushButton(tr("Add &Log..."));
    m_addLog->setObjectName(QStringLiteral("AddLogButton"));
    m_addLog->setWhatsThis(tr("Adds a log (.log, or a CSV) to the list and reads the list again."));
    connect(m_addLog, &QPushButton::clicked, this, [this] {
        const QString path = m_parts.chooseLog ? m_parts.chooseLog() : QString();
        if (!path.isEmpty()) {
            m_workspace.addLogs({path});
        }
    });
    m_removeLog = new QPushButton(tr("&Remove"));
    m_removeLog->setObjectName(QStringLiteral("RemoveLogButton"));
    m_removeLog->setWhatsThis(tr("Takes the chosen log off the list."));
    connect(m_removeLog, &QPushButton::clicked, this,
            [this] { m_workspace.removeLog(m_logList->currentRow()); });
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("ReadProgress"));
    m_progress->setRange(0, kProgressSteps);
    m_progress->setMaximumWidth(200);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_addLog);
    buttons->addWidget(m_removeLog);
    auto* sources = new QVBoxLayout;
    sources->addWidget(logs);
    sources->addWidget(live);
    sources->addWidget(m_progress);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addLayout(sources);
    layout->addWidget(m_logList, 1);
    layout->addLayout(buttons);
    return box;
}

QWidget* AutotuneWindow::buildGrid() {
    auto* page = new QWidget;
    m_model = new AutotuneGridModel(m_parts.state, m_parts.store.settings(), m_workspace, this);
    m_grid = new QTableView;
    m_grid->setObjectName(QStringLiteral("AutotuneGrid"));
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->horizontalHeader()->setSectionsClickable(false);
    m_grid->verticalHeader()->setSectionsClickable(false);
    new GridFit(m_grid, GridFit::Rows::Fill);
    m_grid->setWhatsThis(tr("The proposal, cell by cell, on the fuel table's axes. Red: the "
                            "engine ran lean there and the cell gets more fuel; blue: it ran "
                            "rich and gets less; the deeper, the nearer the largest change. "
                            "Pale green: on target; white: too little data; light grey: no "
                            "records; dark grey: locked. A click on a cell locks or unlocks "
                            "it; Space does so for the selected cells (Shift with the arrows "
                            "or with a click selects a block)."));
    m_grid->viewport()->installEventFilter(this);
    m_grid->installEventFilter(this);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &AutotuneWindow::showDetail);

    auto* rpm = namedLabel(QStringLiteral("RpmCaption"), tr("Rpm"));
    rpm->setAlignment(Qt::AlignCenter);
    m_loadCaption = namedLabel(QStringLiteral("LoadCaption"));
    m_loadCaption->setAlignment(Qt::AlignCenter);
    showLoadCaption();
    auto* row = new QHBoxLayout;
    row->addWidget(m_loadCaption);
    row->addWidget(m_grid, 1);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(rpm);
    layout->addLayout(row, 1);
    return page;
}

QLineEdit* AutotuneWindow::fieldBox(AutotuneField field) {
    const AutotuneFieldRow& row = autotuneFieldRow(field);
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(row.name));
    box->setAlignment(Qt::AlignRight);
    box->setMaximumWidth(kBoxWidth);
    box->setWhatsThis(QString::fromUtf8(row.help));
    connect(box, &QLineEdit::editingFinished, this, [this, field] { enterField(field); });
    m_boxes[field] = box;
    return box;
}

QWidget* AutotuneWindow::buildSettings() {
    // A line of labels and boxes: each field's label, box and unit.
    const auto line = [this](std::initializer_list<AutotuneField> fields) {
        auto* layout = new QHBoxLayout;
        for (const AutotuneField field : fields) {
            const AutotuneFieldRow& row = autotuneFieldRow(field);
            if (row.label[0] != '\0') {
                layout->addWidget(new QLabel(QString::fromUtf8(row.label)));
            }
            layout->addWidget(fieldBox(field));
            if (row.unit[0] != '\0') {
                layout->addWidget(new QLabel(QString::fromUtf8(row.unit)));
            }
        }
        layout->addStretch();
        return layout;
    };

    auto* sensor = new QGroupBox(tr("EGO sensor"));
    auto* sensorLayout = new QVBoxLayout(sensor);
    m_egoInput = new QComboBox;
    m_egoInput->setObjectName(QStringLiteral("EgoInputCombo"));
    m_egoInput->setWhatsThis(tr("The user input the wideband controller's output is on: the one "
                                "in EGO mode, or one that is off (read as plain volts)."));
    for (int input = 0; input < EcuSettings::kUserInputs; ++input) {
        m_egoInput->addItem(QString());
    }
    connect(m_egoInput, &QComboBox::activated, this, [this](int input) {
        changeChoices([input](AutotuneChoices& c) { c.egoInput = input; });
    });
    auto* input = new QHBoxLayout;
    input->addWidget(new QLabel(tr("Input")));
    input->addWidget(m_egoInput);
    input->addStretch();
    sensorLayout->addLayout(input);
    sensorLayout->addLayout(line({AutotuneField::Volts0, AutotuneField::Afr0}));
    sensorLayout->addLayout(line({AutotuneField::Volts1, AutotuneField::Afr1}));
    sensorLayout->addLayout(line({AutotuneField::LagLowRpm, AutotuneField::LagLowMs}));
    sensorLayout->addLayout(line({AutotuneField::LagHighRpm, AutotuneField::LagHighMs}));

    auto* target = new QGroupBox(tr("Target"));
    auto* setpoints = new QRadioButton(tr("EGO setpoints"));
    setpoints->setObjectName(QStringLiteral("SetpointTarget"));
    setpoints->setWhatsThis(tr("Each record aims at the EGO setpoint of its load (Tuning > "
                               "Closed Loop EGO), read through the sensor's line."));
    auto* one = new QRadioButton(tr("One AFR"));
    one->setObjectName(QStringLiteral("OneTarget"));
    one->setWhatsThis(tr("Every cell aims at the one air/fuel ratio beside it."));
    m_setpointTarget = setpoints;
    m_oneTarget = one;
    auto* targets = new QButtonGroup(target);
    targets->addButton(setpoints);
    targets->addButton(one);
    connect(one, &QAbstractButton::clicked, this,
            [this] { changeChoices([](AutotuneChoices& c) { c.oneTarget = true; }); });
    connect(setpoints, &QAbstractButton::clicked, this,
            [this] { changeChoices([](AutotuneChoices& c) { c.oneTarget = false; }); });
    auto* targetLayout = new QHBoxLayout(target);
    targetLayout->addWidget(setpoints);
    targetLayout->addWidget(one);
    targetLayout->addLayout(line({AutotuneField::TargetAfr}));

    // Each filter with the records it rejected.
    auto* filters = new QGroupBox(tr("Left out"));
    auto* filterLayout = new QGridLayout(filters);
    filterLayout->setColumnStretch(0, 1);
    const auto count = [](const QString& name) {
        QLabel* label = namedLabel(name, QStringLiteral("0"));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
        return label;
    };
    const auto filterRow = [&](AutotuneFilter filter, QLayout* fields, const QString& text) {
        const int row = static_cast<int>(filter);
        m_rejected[static_cast<size_t>(row)] = count(QStringLiteral("RejectedCount%1").arg(row));
        if (fields != nullptr) {
            filterLayout->addLayout(fields, row, 0);
        } else {
            filterLayout->addWidget(new QLabel(text), row, 0);
        }
        filterLayout->addWidget(m_rejected[static_cast<size_t>(row)], row, 1);
    };
    filterRow(AutotuneFilter::ColdEngine, line({AutotuneField::MinWater}), {});
    filterRow(AutotuneFilter::EngineStopped, line({AutotuneField::MinRpm}), {});
    auto* throttle = new QVBoxLayout;
    throttle->addLayout(line({AutotuneField::MaxTpsRate}));
    throttle->addLayout(line({AutotuneField::ThrottleSettle}));
    filterRow(AutotuneFilter::ThrottleMoving, throttle, {});
    filterRow(AutotuneFilter::FuelCut, line({AutotuneField::FuelCutSettle}), {});
    filterRow(AutotuneFilter::EgoOutOfRange,
              line({AutotuneField::MinEgoVolts, AutotuneField::MaxEgoVolts}), {});
    filterRow(AutotuneFilter::OutsideTable, nullptr, tr("Rpm or load outside the table"));
    filterRow(AutotuneFilter::LockedCell, nullptr, tr("On locked cells only"));
    m_used = count(QStringLiteral("UsedCount"));
    auto* used = new QLabel(tr("Used"));
    QFont bold = used->font();
    bold.setBold(true);
    used->setFont(bold);
    m_used->setFont(bold);
    filterLayout->addWidget(used, kAutotuneFilterCount, 0);
    filterLayout->addWidget(m_used, kAutotuneFilterCount, 1);

    auto* limits = new QGroupBox(tr("Limits"));
    auto* limitLayout = new QVBoxLayout(limits);
    limitLayout->addLayout(line({AutotuneField::MinWeight, AutotuneField::FullWeight}));
    limitLayout->addLayout(line({AutotuneField::MaxChange}));
    auto* every = new QHBoxLayout;
    m_autoApply = new QCheckBox(tr("Live: apply by itself every"));
    m_autoApply->setObjectName(QStringLiteral("AutoApplyCheck"));
    m_autoApply->setWhatsThis(tr("With the live source, applies the proposal by itself this "
                                 "often, each time as one undo step of the fuel table. Off "
                                 "unless ticked; the largest change still holds."));
    connect(m_autoApply, &QAbstractButton::clicked, this,
            [this](bool on) { changeChoices([on](AutotuneChoices& c) { c.autoApply = on; }); });
    every->addWidget(m_autoApply);
    every->addWidget(fieldBox(AutotuneField::AutoApplySeconds));
    every->addWidget(
        new QLabel(QString::fromUtf8(autotuneFieldRow(AutotuneField::AutoApplySeconds).unit)));
    every->addStretch();
    limitLayout->addLayout(every);

    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    m_settingsLayout = layout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sensor);
    layout->addWidget(target);
    layout->addWidget(filters);
    layout->addWidget(limits);
    layout->addStretch();
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("SettingsScroll"));
    scroll->setWidget(panel);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(panel->sizeHint().width() + 24);
    return scroll;
}

QWidget* AutotuneWindow::buildBottom() {
    auto* bottom = new QWidget;
    m_showCombo = new QComboBox;
    m_showCombo->setObjectName(QStringLiteral("ShowCombo"));
    m_showCombo->setWhatsThis(tr("What every cell of the grid shows: the proposed or the present "
                                 "fuel time, the change in per cent, the records that fell on "
                                 "it (hits) or their weight. The line below tells all of the "
                                 "current cell."));
    for (int show = 0; show < kProposalShowCount; ++show) {
        m_showCombo->addItem(proposalShowName(static_cast<ProposalShow>(show)));
    }
    connect(m_showCombo, &QComboBox::currentIndexChanged, this,
            [this](int show) { m_model->setShow(static_cast<ProposalShow>(show)); });
    auto* show = new QLabel(tr("Sh&ow"));
    show->setBuddy(m_showCombo);
    m_summary = namedLabel(QStringLiteral("SummaryLabel"));
    m_summary->setWordWrap(true);
    m_detail = namedLabel(QStringLiteral("CellLabel"));
    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* unlock = new QPushButton(tr("&Unlock All"));
    unlock->setObjectName(QStringLiteral("UnlockAllButton"));
    unlock->setWhatsThis(tr("Unlocks every cell."));
    connect(unlock, &QPushButton::clicked, this, [this] { m_workspace.clearLocks(); });
    m_apply = new QPushButton(tr("&Apply"));
    m_apply->setObjectName(QStringLiteral("ApplyButton"));
    m_apply->setWhatsThis(tr("Sends the changed cells to the ECU as one change of the fuel "
                             "table, which Undo in the fuel editor (Ctrl+Z) takes back. The "
                             "records behind the proposal are used up; with logs, drive "
                             "and log again with the new table."));
    connect(m_apply, &QPushButton::clicked, this, &AutotuneWindow::applyProposal);

    auto* top = new QHBoxLayout;
    top->addWidget(show);
    top->addWidget(m_showCombo);
    top->addWidget(m_detail, 1);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(m_summary, 1);
    bottomRow->addWidget(unlock);
    bottomRow->addWidget(m_apply);
    auto* layout = new QVBoxLayout(bottom);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addLayout(bottomRow);
    return bottom;
}

void AutotuneWindow::enterField(AutotuneField field) {
    AutotuneChoices choices = m_workspace.choices();
    if (enterAutotuneField(choices, field, m_boxes.at(field)->text()) &&
        autotuneFieldValue(choices, field) != autotuneFieldValue(m_workspace.choices(), field)) {
        m_workspace.setChoices(choices);
    }
    showChoices();
}

void AutotuneWindow::changeChoices(const std::function<void(AutotuneChoices&)>& change) {
    AutotuneChoices choices = m_workspace.choices();
    change(choices);
    m_workspace.setChoices(choices);
    showChoices();
}

void AutotuneWindow::showChoices() {
    const AutotuneChoices& c = m_workspace.choices();
    for (const auto& [field, box] : m_boxes) {
        box->setText(autotuneFieldText(c, field));
    }
    const EcuSettings& settings = m_parts.store.settings();
    for (int input = 0; input < EcuSettings::kUserInputs; ++input) {
        m_egoInput->setItemText(
            input,
            tr("User %1 (%2)").arg(input + 1).arg(inputModeName(analogInputMode(settings, input))));
    }
    m_egoInput->setCurrentIndex(c.egoInput);
    (c.oneTarget ? m_oneTarget : m_setpointTarget)->setChecked(true);
    m_boxes.at(AutotuneField::TargetAfr)->setEnabled(c.oneTarget);
    const bool live = m_workspace.source() == AutotuneSource::Live;
    m_autoApply->setChecked(c.autoApply);
    m_autoApply->setEnabled(live);
    m_boxes.at(AutotuneField::AutoApplySeconds)->setEnabled(live);
}

void AutotuneWindow::showLoadCaption() {
    // The fuel editor's caption, a letter a line beside the grid.
    const std::optional<QString> caption = m_model->labels().loadCaption();
    m_loadCaption->setText(caption ? caption->split(QString()).join(QLatin1Char('\n')).trimmed()
                                   : QString());
}

void AutotuneWindow::showProposal() {
    m_model->reload();
    const AutotuneCounts& counts = m_workspace.counts();
    for (int f = 0; f < kAutotuneFilterCount; ++f) {
        m_rejected[static_cast<size_t>(f)]->setText(
            QString::number(counts.rejectedBy(static_cast<AutotuneFilter>(f))));
    }
    m_used->setText(QString::number(counts.used));
    const int changed = m_workspace.proposal().changedCells();
    QString summary;
    if (!m_workspace.problem().isEmpty()) {
        summary = m_workspace.problem();
    } else if (m_workspace.reading()) {
        summary = tr("Reading the logs...");
    } else {
        summary = autotuneSummary(counts, m_workspace.incompleteRecords());
        if (m_workspace.skippedLines() > 0) {
            summary += tr("; %1 damaged lines skipped").arg(m_workspace.skippedLines());
        }
        summary += changed == 1 ? tr(". 1 cell changes.") : tr(". %1 cells change.").arg(changed);
    }
    m_summary->setText(summary);
    m_apply->setEnabled(changed > 0 && !m_workspace.reading());
    showDetail();
}

void AutotuneWindow::showLogs() {
    m_logList->clear();
    for (const QString& path : m_workspace.logs()) {
        auto* item = new QListWidgetItem(QFileInfo(path).fileName(), m_logList);
        item->setToolTip(path);
    }
    const bool logs = m_workspace.source() == AutotuneSource::Logs;
    m_logList->setEnabled(logs);
    m_addLog->setEnabled(logs);
    m_removeLog->setEnabled(logs && !m_workspace.logs().isEmpty());
}

void AutotuneWindow::showReading(bool reading) {
    m_progress->setValue(0);
    m_progress->setVisible(reading);
    if (reading) {
        m_progressTimer->start();
    } else {
        m_progressTimer->stop();
    }
    showProposal();
}

void AutotuneWindow::showDetail() {
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid()) {
        m_detail->clear();
        return;
    }
    const AutotuneCell& cell =
        m_workspace.proposal()
            .cells[static_cast<size_t>(current.row())][static_cast<size_t>(current.column())];
    m_detail->setText(
        proposalCellDetail(cell, current.row(), current.column(), m_workspace.choices().options));
}

void AutotuneWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

void AutotuneWindow::arrange() {
    // The grid needs about 17 columns of a fuel time at its font, less what
    // a smaller font gives it; the settings their own width.
    const int gridWidth =
        static_cast<int>(kGridColumnsShare * kGridColumns *
                         m_grid->fontMetrics().horizontalAdvance(QStringLiteral("00.000")));
    const bool wide = width() >= gridWidth + m_settings->minimumWidth();
    if (wide && m_body->currentWidget() != m_splitter) {
        m_layout->insertWidget(0, m_source);
        m_splitter->addWidget(m_gridPage);
        m_splitter->addWidget(m_settings);
        // The pages hid the one not shown.
        m_gridPage->show();
        m_settings->show();
        m_body->setCurrentWidget(m_splitter);
    } else if (!wide && m_body->currentWidget() != m_pages) {
        // The source joins the settings, so that the grid has the height.
        m_settingsLayout->insertWidget(0, m_source);
        m_pages->addTab(m_gridPage, tr("Proposal"));
        m_pages->addTab(m_settings, tr("Settings"));
        m_body->setCurrentWidget(m_pages);
    }
}

void AutotuneWindow::applyProposal() {
    m_workspace.apply();
}

bool AutotuneWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == m_grid->viewport() &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = m_grid->indexAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::NoModifier &&
            index.isValid()) {
            m_grid->setFocus();
            m_grid->setCurrentIndex(index);
            const int row = index.row() + 1;
            const int column = index.column() + 1;
            m_workspace.toggleLocks({row, column, row, column});
            return true;
        }
    }
    if (watched == m_grid && type == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        const QModelIndex current = m_grid->currentIndex();
        GridSelection block{current.row() + 1, current.column() + 1, current.row() + 1,
                            current.column() + 1};
        const QItemSelection ranges = m_grid->selectionModel()->selection();
        if (ranges.size() == 1 && ranges.first().contains(current)) {
            const QItemSelectionRange& r = ranges.first();
            block = {r.top() + 1, r.left() + 1, r.bottom() + 1, r.right() + 1};
        }
        m_workspace.toggleLocks(block);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
