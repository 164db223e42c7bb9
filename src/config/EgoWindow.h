// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/FieldTable.h"
#include "tables/CurveWindow.h"

#include <array>

class NumericBox;
class QComboBox;

// " Closed Loop EGO Tuning": the loop's switch, gains, update interval,
// minimum coolant temperature, the rpm and load window it works in, and the
// target voltages by load (user input 1's table) in a curve grid with the
// in-place edit and undo of the curve editors.
class EgoWindow : public CurveWindow {
    Q_OBJECT
public:
    EgoWindow(AppState& state, SettingsStore& store, LiveFeed* feed = nullptr,
              QWidget* parent = nullptr);

    QComboBox* egoCombo() const { return m_control; }
    QComboBox* maxMinCombo(int m) const { return m_window[static_cast<std::size_t>(m)]; }

protected:
    void follow() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void fillLists();
    // Shows the stored values in the lists without storing anything.
    void showStored();
    void listClicked(FieldId field, int index);

    QComboBox* m_control = nullptr;
    // Max rpm, min rpm, max load, min load.
    std::array<QComboBox*, 4> m_window{};
};
