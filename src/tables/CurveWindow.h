// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingCodes.h"
#include "tables/CurveDescription.h"

#include <QWidget>
#include <vector>

class CurveGrid;
class QLabel;
class QPushButton;
class QUndoStack;
class QVBoxLayout;
struct AppState;
class LiveFeed;
class SettingsStore;

// A child window of curve grids: the compensation curves, the user-input
// curves or the coil charge times. The grids share one undo stack; the
// Smooth button acts on the grid last entered, when it is shown. Closing the
// window applies an open in-place edit first.
class CurveWindow : public QWidget {
    Q_OBJECT
public:
    ~CurveWindow() override;

    const std::vector<CurveGrid*>& grids() const { return m_grids; }
    QPushButton* smoothButton() const { return m_smooth; }
    QUndoStack* undoStack() const { return m_undo; }
    int currentGrid() const { return m_current; }
    void smooth();

protected:
    // An edit in one of the grids holds the feed's poll while it is open.
    CurveWindow(AppState& state, SettingsStore& store, LiveFeed* feed, QWidget* parent);
    CurveGrid* addGrid(CurveDescription curve);
    void addSmoothButton();
    // Shows or hides the grids by the record, and rewrites descriptions that
    // depend on it.
    virtual void follow() {}

    void closeEvent(QCloseEvent* event) override;

    AppState& m_state;
    SettingsStore& m_store;
    LiveFeed* m_feed = nullptr;
    QVBoxLayout* m_layout = nullptr;

private:
    void enter(int index);

    QUndoStack* m_undo = nullptr;
    QPushButton* m_smooth = nullptr;
    std::vector<CurveGrid*> m_grids;
    int m_current = 0;
};

// The air, water and battery compensation curves and the ignition
// correction over air temperature (three curves in the Gullwick edition).
class Comp1Window : public CurveWindow {
    Q_OBJECT
public:
    static constexpr int kTopTwips = 1000;
    static int heightTwips(Edition edition) { return edition == Edition::Gullwick ? 4600 : 5600; }

    Comp1Window(AppState& state, SettingsStore& store, LiveFeed* feed = nullptr,
                QWidget* parent = nullptr);

protected:
    void follow() override;
};

// The coil charge times over rpm. No command carries them and the data file
// has no place for them: an entry is kept in the program only.
class ChargeWindow : public CurveWindow {
    Q_OBJECT
public:
    static constexpr int kTopTwips = 5850;
    static constexpr int kHeightTwips = 1100;

    ChargeWindow(AppState& state, SettingsStore& store, LiveFeed* feed = nullptr,
                 QWidget* parent = nullptr);

protected:
    void follow() override;
};

// The fuel and ignition curves of the three user inputs; a grid is shown
// only while its input is in the fuel or ignition mode.
class InputWindow : public CurveWindow {
    Q_OBJECT
public:
    static constexpr int kTopTwips = 1000;
    static constexpr int kHeightTwips = 4400;

    InputWindow(AppState& state, SettingsStore& store, LiveFeed* feed = nullptr,
                QWidget* parent = nullptr);

protected:
    void follow() override;
};
