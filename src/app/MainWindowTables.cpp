// The main window's part in the table and curve editors: opening them, the
// Modify menu's routing and enabled state, the load-plot toggles, and the
// default table windows that replace a table.

#include "app/MainWindow.h"
#include "config/Comp2Window.h"
#include "config/EgoWindow.h"
#include "generators/DefaultTableWindows.h"
#include "record/AppState.h"
#include "session/Session.h"
#include "tables/CurveWindow.h"
#include "tables/TableEditorWindow.h"
#include "tables/TableUndoHistory.h"

#include <QAction>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

void MainWindow::connectTableMenus() {
    const MainMenus& m = m_menus;
    m_fuelHistory = std::make_unique<TableUndoHistory>(fuelEditor(), *m_store);
    m_ignitionHistory = std::make_unique<TableUndoHistory>(ignitionEditor(), *m_store);
    connect(m.engineDefaultFuel, &QAction::triggered, this,
            [this] { showDefaultTable(WindowCode::DefaultFuel); });
    connect(m.engineDefaultIgnition, &QAction::triggered, this,
            [this] { showDefaultTable(WindowCode::DefaultIgnition); });
    connect(m.tuningFuel, &QAction::triggered, this, [this] { showTableEditor(WindowCode::Fuel); });
    connect(m.tuningIgnition, &QAction::triggered, this,
            [this] { showTableEditor(WindowCode::Ignition); });

    const auto onModify = [this](QAction* action, auto command) {
        connect(action, &QAction::triggered, this, [this, command] { routeModify(command); });
    };
    onModify(m.modifyAdd, [](TableEditorWindow& w) { w.arithmetic(BlockArithmetic::Add); });
    onModify(m.modifySubtract,
             [](TableEditorWindow& w) { w.arithmetic(BlockArithmetic::Subtract); });
    onModify(m.modifyMult, [](TableEditorWindow& w) { w.arithmetic(BlockArithmetic::Multiply); });
    onModify(m.modifyDivide, [](TableEditorWindow& w) { w.arithmetic(BlockArithmetic::Divide); });
    onModify(m.modifySmooth, [](TableEditorWindow& w) { w.smooth(); });
    // addCurrent acts only on the fuel editor.
    onModify(m.modifyAddCurrent, [](TableEditorWindow& w) { w.addCurrent(1); });
    onModify(m.modifySubtractCurrent, [](TableEditorWindow& w) { w.addCurrent(-1); });
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &MainWindow::updateModifyMenu);

    // The load plot changes the window's layout: the open editor is built
    // again with the new setting.
    const auto rebuild = [this](WindowCode code) {
        if (QMdiSubWindow* open = m_windows->find(code)) {
            open->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            showTableEditor(code);
        }
    };
    connect(m.comFuelLoadLine, &QAction::toggled, this, [rebuild] { rebuild(WindowCode::Fuel); });
    connect(m.comIgnLoadLine, &QAction::toggled, this,
            [rebuild] { rebuild(WindowCode::Ignition); });
}

void MainWindow::showTableEditor(WindowCode code) {
    showDataWindow();
    if (m_windows->raise(code)) {
        return;
    }
    TableEditorWindow* editor = nullptr;
    if (code == WindowCode::Fuel) {
        editor =
            new FuelWindow(m_state, *m_store, m_ui, &m_session->liveFeed(), m_fuelHistory.get());
    } else {
        editor =
            new IgnWindow(m_state, *m_store, m_ui, &m_session->liveFeed(), m_ignitionHistory.get());
    }
    const bool plot = code == WindowCode::Fuel ? m_state.display.PlotLoadLineFuel
                                               : m_state.display.PlotLoadLineIgnition;
    QMdiSubWindow* sub = m_windows->show(editor, code, [this, plot](const QMdiSubWindow&) {
        return QRect(0, belowDataWindow(TableEditorWindow::kTopTwips), childWidth(),
                     pixels(TableEditorWindow::heightTwips(plot)));
    });
    connect(editor, &TableEditorWindow::smartAddAvailabilityChanged, this, [this, sub, code] {
        if (m_windows->activeWindow() == code) {
            updateModifyMenu(sub);
        }
    });
    updateModifyMenu(sub);
}

void MainWindow::showCurveWindow(WindowCode code) {
    if (code == WindowCode::Comp1) {
        showDataWindow();
    }
    if (m_windows->raise(code)) {
        return;
    }
    CurveWindow* window = nullptr;
    int top = InputWindow::kTopTwips;
    int height = InputWindow::kHeightTwips;
    if (code == WindowCode::Comp1) {
        window = new Comp1Window(m_state, *m_store, &m_session->liveFeed());
        top = Comp1Window::kTopTwips;
        height = Comp1Window::heightTwips(m_state.Edition);
    } else if (code == WindowCode::Charge) {
        window = new ChargeWindow(m_state, *m_store, &m_session->liveFeed());
        top = ChargeWindow::kTopTwips;
        height = ChargeWindow::kHeightTwips;
    } else {
        window = new InputWindow(m_state, *m_store, &m_session->liveFeed());
    }
    m_windows->show(window, code, [this, top, height](const QMdiSubWindow& sub) {
        return QRect(0, belowDataWindow(top), childWidth(),
                     std::max(pixels(height), sub.minimumSizeHint().height()));
    });
}

void MainWindow::showComp2Window() {
    showDataWindow();
    if (m_windows->raise(WindowCode::Comp2)) {
        return;
    }
    m_windows->show(new Comp2Window(*m_store), WindowCode::Comp2, [this](const QMdiSubWindow& sub) {
        return QRect(0, belowDataWindow(Comp2Window::kTopTwips), childWidth(),
                     std::max(pixels(Comp2Window::kHeightTwips), sub.minimumSizeHint().height()));
    });
}

void MainWindow::showEgoWindow() {
    if (m_windows->raise(WindowCode::Ego)) {
        return;
    }
    m_windows->show(new EgoWindow(m_state, *m_store, &m_session->liveFeed()), WindowCode::Ego,
                    [this](const QMdiSubWindow& sub) {
                        return QRect(sub.pos(), QSize(childWidth(), sub.sizeHint().height()));
                    });
}

void MainWindow::updateModifyMenu(QMdiSubWindow* activated) {
    const auto* editor =
        activated != nullptr ? qobject_cast<TableEditorWindow*>(activated->widget()) : nullptr;
    modifySetup(editor != nullptr);
    const bool smart = editor != nullptr && editor->smartAddAvailable();
    m_menus.modifyAddCurrent->setEnabled(smart);
    m_menus.modifySubtractCurrent->setEnabled(smart);
}

void MainWindow::routeModify(const std::function<void(TableEditorWindow&)>& command) {
    TableEditorWindow* editor = nullptr;
    if (m_windows->activeWindow() == WindowCode::Fuel) {
        editor = m_windows->find<FuelWindow>();
    } else if (m_windows->activeWindow() == WindowCode::Ignition) {
        editor = m_windows->find<IgnWindow>();
    }
    if (editor != nullptr) {
        command(*editor);
    }
}

void MainWindow::showDefaultTable(WindowCode code) {
    if (m_windows->raise(code)) {
        return;
    }
    const bool fuel = code == WindowCode::DefaultFuel;
    const WindowCode editor = fuel ? WindowCode::Fuel : WindowCode::Ignition;
    DefaultTableParts parts{m_state, *m_store, m_ui, fuel ? *m_fuelHistory : *m_ignitionHistory,
                            [this, editor] {
                                if (QMdiSubWindow* open = m_windows->find(editor)) {
                                    open->close();
                                }
                            }};
    QWidget* window = fuel ? static_cast<QWidget*>(new DefaultFuelWindow(std::move(parts)))
                           : new DefaultIgnitionWindow(std::move(parts));
    m_windows->show(window, code, ownSize);
}
