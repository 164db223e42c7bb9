#pragma once

#include "diag/SensorCheck.h"

#include <QWidget>
#include <array>

struct AppState;
class EcuLine;
class Poller;
class QLineEdit;
class QPushButton;
class UserInteraction;

// "Diagnostics": every sensor as raw count, voltage and converted value,
// refreshed after each poll, and buttons that fire each injector bank and
// coil once. In developer mode it also shows the spare values and the raw
// injector and ignition readings, which the poll then reads as well.
class SensorCheckWindow : public QWidget {
    Q_OBJECT
public:
    SensorCheckWindow(AppState& state, EcuLine& line, UserInteraction& ui, Poller* poller,
                      QWidget* parent = nullptr);

    // Refills the boxes from the live values.
    void updateSensorCheck();

    // The three boxes of a sensor row (bits, volts, value).
    QLineEdit* box(int row, int column) const { return m_boxes[row][column]; }
    // Output test button 0 .. kOutputTestButtons - 1.
    QPushButton* outputButton(int index) const { return m_buttons[index]; }

private:
    void setupSensorCheck();
    QLineEdit* makeBox(const QString& name);

    AppState& m_state;
    EcuLine& m_line;
    UserInteraction& m_ui;
    std::array<std::array<QLineEdit*, 3>, SensorCheckDisplay::kRows> m_boxes{};
    std::array<QPushButton*, kOutputTestButtons> m_buttons{};
    std::array<QLineEdit*, SensorCheckDisplay::kExtras> m_charExtra{};
    std::array<QLineEdit*, SensorCheckDisplay::kExtras> m_intExtra{};
    QLineEdit* m_injectorTicks = nullptr;
    QLineEdit* m_firingAngle = nullptr;
    QLineEdit* m_injectorHigh = nullptr;
    QLineEdit* m_injectorLow = nullptr;
};
