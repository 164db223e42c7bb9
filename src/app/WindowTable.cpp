// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowTable.h"

#include "autotune/AutotuneWindow.h"
#include "autotune/LiveSource.h"
#include "config/Comp2Window.h"
#include "config/EgoWindow.h"
#include "config/IdleExtraWindows.h"
#include "config/SetupWindow.h"
#include "diag/SensorCheckWindow.h"
#include "gauges/GaugesWindow.h"
#include "generators/DefaultTableWindows.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryWindow.h"
#include "monitor/DataWindow.h"
#include "monitor/LiveFeed.h"
#include "monitor/LoggingController.h"
#include "monitor/TimeHistoryWindow.h"
#include "record/AppState.h"
#include "record/SettingCodes.h"
#include "record/UserInteraction.h"
#include "review/LogHits.h"
#include "review/LogReviewWindow.h"
#include "tables/CurveWindow.h"
#include "tables/LogOverlay.h"
#include "tables/TableEditorWindow.h"
#include "tables/TableUndoHistory.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {
bool anyUserInput(const EcuSettings& settings,
                  const std::function<bool(AnalogInputMode mode)>& test) {
    const auto& modes = settings.UserInputAnalogMode;
    return std::any_of(modes.begin(), modes.end(),
                       [&test](int16_t mode) { return test(static_cast<AnalogInputMode>(mode)); });
}
} // namespace

double twipsPerPixel(const QWidget& widget) {
    const QScreen* s =
        widget.screen() != nullptr ? widget.screen() : QGuiApplication::primaryScreen();
    const double dpi = s != nullptr ? s->logicalDotsPerInchX() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

WindowTable::WindowTable(Parts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts)),
      m_fuelHistory(std::make_unique<TableUndoHistory>(fuelEditor(), m_parts.store)),
      m_ignitionHistory(std::make_unique<TableUndoHistory>(ignitionEditor(), m_parts.store)),
      m_overlay(std::make_unique<LogOverlay>()),
      m_live(std::make_unique<FeedLiveSource>(m_parts.feed)), m_entries(makeEntries()) {}

WindowTable::~WindowTable() = default;

std::vector<WindowEntry> WindowTable::makeEntries() {
    AppState& state = m_parts.state;
    SettingsStore& store = m_parts.store;
    EcuActions& ecu = m_parts.ecu;
    UserInteraction& ui = m_parts.ui;
    LiveFeed* feed = &m_parts.feed;
    const auto defaultTable = [this](WindowCode editor, TableUndoHistory& history) {
        return DefaultTableParts{m_parts.state, m_parts.store, m_parts.ui, history,
                                 [this, editor] { m_parts.windows.close(editor); }};
    };
    const auto editorHeight = [&state](bool loadPlot) {
        return [&state, loadPlot] {
            return TableEditorWindow::heightTwips(loadPlot ? state.display.PlotLoadLineFuel
                                                           : state.display.PlotLoadLineIgnition);
        };
    };
    const auto fixed = [](int twips) { return [twips] { return twips; }; };

    return {
        {.code = WindowCode::Data,
         .make =
             [this, &store, feed] {
                 auto* window = new DataWindow(store, feed);
                 connect(window, &DataWindow::closed, &m_parts.logging,
                         &LoggingController::dataWindowClosed);
                 return window;
             },
         // As tall as its two rows: the windows below it are placed by that.
         .placement =
             [this](const QMdiSubWindow& sub) {
                 return QRect(0, 0, childWidth(), sub.sizeHint().height());
             }},
        {.code = WindowCode::Setup,
         .command = &MainMenus::engineSetup,
         .keys = QKeySequence(Qt::CTRL | Qt::Key_E),
         .mayOpen =
             [&state, &ui] {
                 if (state.Edition == Edition::Gullwick) {
                     ui.message(QStringLiteral("Gullwick Mode Not Supported"));
                 }
                 return state.Edition == Edition::Standard || state.Edition == Edition::Ostrand;
             },
         .make = [this, &state, &store, &ecu, &ui, feed]() -> QWidget* {
             return new SetupWindow({state, store, ecu, ui,
                                     [this](WindowCode code) { m_parts.windows.close(code); },
                                     feed});
         },
         .placement = ownSize},
        {.code = WindowCode::DefaultFuel,
         .command = &MainMenus::engineDefaultFuel,
         .make =
             [this, defaultTable] {
                 return new DefaultFuelWindow(defaultTable(WindowCode::Fuel, *m_fuelHistory));
             },
         .placement = ownSize},
        {.code = WindowCode::DefaultIgnition,
         .command = &MainMenus::engineDefaultIgnition,
         .make =
             [this, defaultTable] {
                 return new DefaultIgnitionWindow(
                     defaultTable(WindowCode::Ignition, *m_ignitionHistory));
             },
         .placement = ownSize},
        {.code = WindowCode::SensorCheck,
         .command = &MainMenus::sensorCheck,
         .keys = QKeySequence(Qt::CTRL | Qt::Key_D),
         .make = [&state, &store, &ecu,
                  feed] { return new SensorCheckWindow(state, store, ecu, feed); }},
        {.code = WindowCode::Extra,
         .command = &MainMenus::engineExtra,
         .make =
             [this, &state, &store, &ecu, feed] {
                 auto* window = new ExtraWindow({state, store, ecu, feed});
                 connect(window, &ExtraWindow::serialNumberChanged, this,
                         [this] { m_parts.identityChanged(); });
                 return window;
             },
         .placement = ownSize},
        {.code = WindowCode::Fuel,
         .command = &MainMenus::tuningFuel,
         .keys = QKeySequence(Qt::CTRL | Qt::Key_F),
         .withData = true,
         .make =
             [this, &state, &store, &ui, feed] {
                 return new FuelWindow(state, store, ui, feed, m_fuelHistory.get(),
                                       m_overlay.get());
             },
         .placement = belowData(TableEditorWindow::kTopTwips, editorHeight(true), false)},
        {.code = WindowCode::Ignition,
         .command = &MainMenus::tuningIgnition,
         .keys = QKeySequence(Qt::CTRL | Qt::Key_I),
         .withData = true,
         .make =
             [this, &state, &store, &ui, feed] {
                 return new IgnWindow(state, store, ui, feed, m_ignitionHistory.get(),
                                      m_overlay.get());
             },
         .placement = belowData(TableEditorWindow::kTopTwips, editorHeight(false), false)},
        {.code = WindowCode::Comp1,
         .command = &MainMenus::tuningComp1,
         .keys = QKeySequence(Qt::CTRL | Qt::Key_W),
         .withData = true,
         .make = [&state, &store, feed] { return new Comp1Window(state, store, feed); },
         .placement = belowData(
             Comp1Window::kTopTwips, [&state] { return Comp1Window::heightTwips(state.Edition); },
             true)},
        {.code = WindowCode::Comp2,
         .command = &MainMenus::tuningComp2,
         .keys = QKeySequence(Qt::CTRL | Qt::Key_A),
         .withData = true,
         .make = [&store] { return new Comp2Window(store); },
         .placement = belowData(Comp2Window::kTopTwips, fixed(Comp2Window::kHeightTwips), true)},
        {.code = WindowCode::Iac,
         .command = &MainMenus::tuningIac,
         .make = [&store] { return new IacWindow(store); },
         .placement = ownSize},
        {.code = WindowCode::Input,
         .command = &MainMenus::tuningUserInputs,
         .keys = QKeySequence(Qt::CTRL | Qt::Key_N),
         .mayOpen =
             [&store, &ui] {
                 const bool any = anyUserInput(store.settings(), [](AnalogInputMode mode) {
                     return mode != AnalogInputMode::Off;
                 });
                 if (!any) {
                     ui.message(QStringLiteral("No User Inputs Defined"));
                 }
                 return any;
             },
         .make = [&state, &store, feed] { return new InputWindow(state, store, feed); },
         .placement = belowData(InputWindow::kTopTwips, fixed(InputWindow::kHeightTwips), true)},
        // The EGO window closes every other window but the time history plot.
        {.code = WindowCode::Ego,
         .command = &MainMenus::tuningEgo,
         .mayOpen =
             [this, &store, &ui] {
                 if (!anyUserInput(store.settings(), [](AnalogInputMode mode) {
                         return mode == AnalogInputMode::Ego;
                     })) {
                     ui.message(QStringLiteral("EGO Channel Not Selected!\r\nGoto Setup"));
                     return false;
                 }
                 m_parts.windows.closeAllExcept(WindowCode::TimeHistory);
                 return true;
             },
         .make = [&state, &store, feed] { return new EgoWindow(state, store, feed); },
         .placement =
             [this](const QMdiSubWindow& sub) {
                 return QRect(sub.pos(), QSize(childWidth(), sub.sizeHint().height()));
             }},
        {.code = WindowCode::Charge,
         .make = [&state, &store, feed] { return new ChargeWindow(state, store, feed); },
         .placement = belowData(ChargeWindow::kTopTwips, fixed(ChargeWindow::kHeightTwips), true)},
        // At the area's top left, whatever else is open, so that it opens whole.
        {.code = WindowCode::TimeHistory,
         .command = &MainMenus::plotRealTime,
         .make = [this, &state,
                  &ui] { return new TimeHistoryWindow(state, m_parts.store, ui, m_parts.feed); },
         .placement =
             [this](const QMdiSubWindow&) {
                 return QRect(QPoint(0, 0),
                              TimeHistoryWindow::openingSize(m_parts.area.viewport()->size(),
                                                             m_parts.frame.logicalDpiY()));
             }},
        // Filling the area: the grid beside every setting.
        {.code = WindowCode::Autotune,
         .command = &MainMenus::tuningAutotune,
         .keys = QKeySequence(Qt::CTRL | Qt::Key_T),
         .make =
             [this] {
                 auto* window =
                     new AutotuneWindow({m_parts.state, m_parts.store, m_parts.ui, *m_fuelHistory,
                                         m_live.get(), m_parts.chooseLog});
                 // Every apply leaves the tune it made in the history.
                 connect(window, &AutotuneWindow::applied, &m_parts.history, [this] {
                     m_parts.history.autotuneApplied(
                         m_parts.store.settings(),
                         m_parts.state.EcuOnline ? &m_parts.state.identity : nullptr);
                 });
                 return window;
             },
         .placement =
             [this](const QMdiSubWindow&) {
                 return QRect(QPoint(0, 0), m_parts.area.viewport()->size());
             }},
        // Where it was last, in twips of the area, at the size its gauges
        // want; it keeps the place when it closes.
        {.code = WindowCode::Gauges,
         .command = &MainMenus::displayGauges,
         .keys = QKeySequence(Qt::CTRL | Qt::Key_G),
         .make =
             [this, &state, feed] {
                 auto* window =
                     new GaugesWindow(m_parts.store, m_parts.ui, m_parts.gaugeLayoutPath);
                 window->showSample(feed->latest());
                 connect(feed, &LiveFeed::sampled, window, &GaugesWindow::showSample);
                 connect(window, &GaugesWindow::closed, this, [this, &state](QPoint at) {
                     state.display.DisplayGaugesX = twipsOf(at.x());
                     state.display.DisplayGaugesY = twipsOf(at.y());
                 });
                 return window;
             },
         .placement =
             [this, &state](const QMdiSubWindow& sub) {
                 return QRect(QPoint(pixels(state.display.DisplayGaugesX),
                                     pixels(state.display.DisplayGaugesY)),
                              sub.sizeHint());
             }},
        // Filling the area; File > Open Log opens it with the log chosen.
        {.code = WindowCode::LogReview,
         .make = [this] { return makeLogReview(); },
         .placement = fillArea()},
        {.code = WindowCode::History,
         .command = &MainMenus::fileHistory,
         .keys = QKeySequence(Qt::CTRL | Qt::Key_H),
         .mayOpen =
             [this, &ui] {
                 const TuneHistory* history = m_parts.history.history();
                 if (history == nullptr || !history->isAvailable()) {
                     ui.message(tr("The tune history cannot be used; the message at start "
                                   "told why."),
                                UserInteraction::Icon::Information);
                     return false;
                 }
                 return true;
             },
         .make =
             [this, &store, &ui] {
                 return new HistoryWindow(
                     {*m_parts.history.history(), store, ui, *m_fuelHistory, *m_ignitionHistory,
                      [this](const EcuSettings& settings, const SnapshotInfo& snapshot) {
                          m_parts.restoreSnapshot(settings, snapshot.path);
                      }});
             },
         .placement = fillArea()},
    };
}

// The review hands the editors its records and its cursor's record through
// the overlay; neither knows the other's windows.
QWidget* WindowTable::makeLogReview() {
    auto* review = new LogReviewWindow(m_parts.ui, m_parts.reviewLayoutPath);
    LogOverlay* overlay = m_overlay.get();
    const auto showRecords = [review, overlay] {
        overlay->setLog(std::make_shared<SeriesHits>(review->sharedSeries(), review->logFileName(),
                                                     review->filter()));
    };
    // A new log ends the replay of the last one's record.
    connect(review, &LogReviewWindow::logShown, overlay, [overlay, showRecords] {
        showRecords();
        overlay->endReplay();
    });
    connect(review, &LogReviewWindow::filterChanged, overlay, [review, showRecords] {
        if (review->series() != nullptr) {
            showRecords();
        }
    });
    connect(review, &LogReviewWindow::cursorMoved, overlay, [review, overlay](qsizetype record) {
        overlay->setReplay(loggedPoint(*review->series(), record));
    });
    connect(review, &QObject::destroyed, overlay, &LogOverlay::close);
    return review;
}

void WindowTable::connectMenus(const MainMenus& menus) {
    for (const WindowEntry& e : m_entries) {
        if (e.command != nullptr) {
            QAction* action = menus.*e.command;
            action->setShortcut(e.keys);
            connect(action, &QAction::triggered, this, [this, code = e.code] { show(code); });
        }
    }
}

const WindowEntry& WindowTable::entry(WindowCode code) const {
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [code](const WindowEntry& e) { return e.code == code; });
    Q_ASSERT(found != m_entries.end());
    return *found;
}

void WindowTable::show(WindowCode code) {
    const WindowEntry& e = entry(code);
    if (e.mayOpen && !e.mayOpen()) {
        return;
    }
    if (e.withData) {
        show(WindowCode::Data);
    }
    if (!m_parts.windows.raise(code)) {
        m_parts.windows.show(e.make(), code, e.placement);
    }
}

void WindowTable::reopen(WindowCode code) {
    if (QMdiSubWindow* open = m_parts.windows.find(code)) {
        open->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        show(code);
    }
}

WindowRegistry::Placement WindowTable::fillArea() const {
    return [this](const QMdiSubWindow&) {
        return QRect(QPoint(0, 0), m_parts.area.viewport()->size());
    };
}

int WindowTable::pixels(double twips) const {
    return static_cast<int>(std::lround(twips / twipsPerPixel(m_parts.frame)));
}

int16_t WindowTable::twipsOf(int pixels) const {
    const double twips = std::round(pixels * twipsPerPixel(m_parts.frame));
    return static_cast<int16_t>(std::clamp(twips, 0.0, static_cast<double>(INT16_MAX)));
}

int WindowTable::childWidth() const {
    return std::max(m_parts.area.viewport()->width() - pixels(DataWindow::kNarrowerTwips), 200);
}

int WindowTable::belowDataWindow(int topTwips) const {
    const QMdiSubWindow* data = m_parts.windows.find(WindowCode::Data);
    const int shift = data != nullptr ? data->height() - pixels(DataWindow::kHeightTwips) : 0;
    return pixels(topTwips) + shift;
}

WindowRegistry::Placement WindowTable::belowData(int topTwips, std::function<int()> heightTwips,
                                                 bool atLeastMinimum) const {
    return [this, topTwips, heightTwips = std::move(heightTwips),
            atLeastMinimum](const QMdiSubWindow& sub) {
        const int height = pixels(heightTwips());
        return QRect(0, belowDataWindow(topTwips), childWidth(),
                     atLeastMinimum ? std::max(height, sub.minimumSizeHint().height()) : height);
    };
}
