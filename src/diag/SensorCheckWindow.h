// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "diag/SensorCheck.h"

#include <QWidget>
#include <array>

struct AppState;
class EcuActions;
class LiveFeed;
class LiveSample;
class QLineEdit;
class QPushButton;
class SettingsStore;

// "Diagnostics": every sensor as raw count, voltage and converted value,
// refreshed after each poll, and buttons that fire each injector bank and
// coil once. In developer mode it also shows the spare values and the raw
// injector and ignition readings, which the poll then reads as well.
class SensorCheckWindow : public QWidget {
    Q_OBJECT
public:
    // The output test goes to the program's actions; the feed brings the
    // samples and the developer reads.
    SensorCheckWindow(const AppState& state, const SettingsStore& store, EcuActions& actions,
                      LiveFeed* feed, QWidget* parent = nullptr);

    // Refills the boxes from a sample.
    void updateSensorCheck(const LiveSample& sample);

    // The three boxes of a sensor row (bits, volts, value).
    QLineEdit* box(int row, int column) const { return m_boxes[row][column]; }
    // Output test button 0 .. kOutputTestButtons - 1.
    QPushButton* outputButton(int index) const { return m_buttons[index]; }

private:
    void setupSensorCheck();
    QLineEdit* makeBox(const QString& name);

    const AppState& m_state;
    const SettingsStore& m_store;
    EcuActions& m_actions;
    std::array<std::array<QLineEdit*, 3>, SensorCheckDisplay::kRows> m_boxes{};
    std::array<QPushButton*, kOutputTestButtons> m_buttons{};
    std::array<QLineEdit*, SensorCheckDisplay::kExtras> m_charExtra{};
    std::array<QLineEdit*, SensorCheckDisplay::kExtras> m_intExtra{};
    QLineEdit* m_injectorTicks = nullptr;
    QLineEdit* m_firingAngle = nullptr;
    QLineEdit* m_injectorHigh = nullptr;
    QLineEdit* m_injectorLow = nullptr;
};
