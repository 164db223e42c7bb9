// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/CurveWindow.h"

#include "record/AppState.h"
#include "record/SettingCodes.h"
#include "record/SettingsStore.h"
#include "tables/CurveGrid.h"
#include "tables/EditorHelp.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QUndoStack>

CurveWindow::CurveWindow(AppState& state, SettingsStore& store, LiveFeed* feed, QWidget* parent)
    : QWidget(parent), m_state(state), m_store(store), m_feed(feed),
      m_layout(new QVBoxLayout(this)), m_undo(new QUndoStack(this)) {
    QAction* undo = m_undo->createUndoAction(this, tr("&Undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    undo->setObjectName(QStringLiteral("UndoAction"));
    QAction* redo = m_undo->createRedoAction(this, tr("&Redo"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    redo->setObjectName(QStringLiteral("RedoAction"));
    for (QAction* action : {undo, redo}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(&m_store, &SettingsStore::changed, this, [this](const SettingsChange& change) {
        if (change.wholeRecord) {
            // A loaded file or a read of the ECU: the old steps no longer apply.
            m_undo->clear();
        }
        follow();
        for (CurveGrid* grid : m_grids) {
            if (change.touches(grid->curve().field)) {
                grid->refresh();
            }
        }
    });
}

// A grid destroyed mid-edit withdraws its hold of the poll by being destroyed.
CurveWindow::~CurveWindow() = default;

CurveGrid* CurveWindow::addGrid(CurveDescription curve) {
    auto* grid = new CurveGrid(std::move(curve), m_feed, m_store, m_undo, this);
    const int index = static_cast<int>(m_grids.size());
    grid->grid()->setObjectName(QStringLiteral("Grid%1").arg(index));
    grid->setCurrent(index == 0);
    connect(grid, &CurveGrid::entered, this, [this, index] { enter(index); });
    m_grids.push_back(grid);
    m_layout->addWidget(grid);
    return grid;
}

void CurveWindow::addSmoothButton() {
    m_smooth = new QPushButton(QStringLiteral("Smooth"), this);
    m_smooth->setObjectName(QStringLiteral("SmoothButton"));
    m_smooth->setWhatsThis(curveSmoothHelp());
    m_smooth->setFocusPolicy(Qt::NoFocus);
    connect(m_smooth, &QPushButton::clicked, this, &CurveWindow::smooth);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_smooth);
    m_layout->addLayout(row);
}

void CurveWindow::enter(int index) {
    m_current = index;
    for (std::size_t i = 0; i < m_grids.size(); ++i) {
        m_grids[i]->setCurrent(static_cast<int>(i) == index);
    }
}

void CurveWindow::smooth() {
    // A hidden grid is never smoothed: that would send a curve nobody sees.
    CurveGrid* grid = m_grids.at(static_cast<std::size_t>(m_current));
    if (grid->grid()->isVisibleTo(this)) {
        grid->smooth();
    }
}

void CurveWindow::closeEvent(QCloseEvent* event) {
    // An open edit is applied as leaving the cell would, which also lets the
    // poll run again.
    for (CurveGrid* grid : m_grids) {
        grid->finishEdit();
    }
    QWidget::closeEvent(event);
}

Comp1Window::Comp1Window(AppState& state, SettingsStore& store, LiveFeed* feed, QWidget* parent)
    : CurveWindow(state, store, feed, parent) {
    setObjectName(QStringLiteral("frmComp1"));
    setWindowTitle(QStringLiteral(" Air/Water/Battery Compensation"));
    setWhatsThis(curveWindowHelp(CurveWindowKind::Compensation));
    std::vector<CurveDescription> curves = compensationCurves();
    if (state.Edition == Edition::Gullwick) {
        curves.pop_back();
    }
    for (CurveDescription& curve : curves) {
        addGrid(std::move(curve));
    }
    addSmoothButton();
    m_layout->addStretch();
    follow();
}

void Comp1Window::follow() {
    const EcuSettings& s = m_store.settings();
    grids()[0]->setVisible(airTempSensor(s) != SensorFitted::None);
    grids()[1]->setVisible(waterTempSensor(s) != SensorFitted::None);
}

ChargeWindow::ChargeWindow(AppState& state, SettingsStore& store, LiveFeed* feed, QWidget* parent)
    : CurveWindow(state, store, feed, parent) {
    setObjectName(QStringLiteral("frmCharge"));
    setWindowTitle(QStringLiteral("Coil Charge Time"));
    setWhatsThis(curveWindowHelp(CurveWindowKind::ChargeTime));
    addGrid(chargeCurve(store.settings().MaxRpm, store.settings().RpmIndexMax));
    auto* note = new QLabel(tr("These charge times are kept only while the program runs: they "
                               "are not stored in the ECU or in the data file."),
                            this);
    note->setObjectName(QStringLiteral("NotStoredLabel"));
    note->setWordWrap(true);
    m_layout->addWidget(note);
    m_layout->addStretch();
}

void ChargeWindow::follow() {
    const EcuSettings& s = m_store.settings();
    const CurveDescription curve = chargeCurve(s.MaxRpm, s.RpmIndexMax);
    if (curve.axis != grids()[0]->curve().axis) {
        grids()[0]->setCurve(curve);
    }
}

InputWindow::InputWindow(AppState& state, SettingsStore& store, LiveFeed* feed, QWidget* parent)
    : CurveWindow(state, store, feed, parent) {
    setObjectName(QStringLiteral("frmInput"));
    setWindowTitle(tr("User Inputs"));
    setWhatsThis(curveWindowHelp(CurveWindowKind::UserInputs));
    const EcuSettings& s = store.settings();
    for (int input = 0; input < EcuSettings::kUserInputs; ++input) {
        addGrid(inputCurve(input, analogInputMode(s, input)));
    }
    addSmoothButton();
    m_layout->addStretch();
    follow();
}

void InputWindow::follow() {
    const EcuSettings& s = m_store.settings();
    for (int input = 0; input < EcuSettings::kUserInputs; ++input) {
        const AnalogInputMode mode = analogInputMode(s, input);
        CurveGrid* grid = grids()[static_cast<std::size_t>(input)];
        const CurveDescription curve = inputCurve(input, mode);
        if (curve.title != grid->curve().title) {
            grid->setCurve(curve);
        }
        // The title stays; the grid itself only in the fuel and ignition modes.
        grid->grid()->setVisible(inputCurveShown(mode));
    }
}
