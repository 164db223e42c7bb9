// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <array>

struct AppState;
class EcuActions;
class LiveFeed;
class NumericBox;
class QLabel;
class QRadioButton;
class SettingsStore;

// "Idle Air Control (IAC)": the valve fitted and the cold and hot idle
// targets. The boxes are disabled while no valve is fitted.
class IacWindow : public QWidget {
    Q_OBJECT
public:
    explicit IacWindow(SettingsStore& store, QWidget* parent = nullptr);

    QRadioButton* typeButton(int type) const { return m_types.at(type); }
    // The box of an idle air field, in the order of its slots.
    NumericBox* box(int index) const { return m_boxes.at(index); }

private:
    void typeClicked(int type);

    SettingsStore& m_store;
    std::array<QRadioButton*, 3> m_types{};
    std::array<NumericBox*, 6> m_boxes{};
    std::array<QLabel*, 6> m_labels{};
};

// "Extra Stuff": the spare values of the ECU and the four fields of its
// serial number, read from the ECU when the window opens.
class ExtraWindow : public QWidget {
    Q_OBJECT
public:
    struct Parts {
        AppState& state;
        SettingsStore& store;
        EcuActions& actions;
        LiveFeed* feed = nullptr;
    };

    explicit ExtraWindow(Parts parts, QWidget* parent = nullptr);

    // Boxes 0 to 9 hold the spare values, 10 to 13 the serial fields.
    NumericBox* box(int n) const { return m_boxes.at(n); }

signals:
    // A serial field was stored and its serial bytes sent.
    void serialNumberChanged();

private:
    NumericBox* serialBox(int index);

    Parts m_parts;
    std::array<NumericBox*, 14> m_boxes{};
};
