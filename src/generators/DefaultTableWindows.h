// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "generators/DefaultFuelTable.h"
#include "record/FieldTable.h"

#include <QWidget>
#include <array>
#include <functional>
#include <initializer_list>

struct AppState;
class NumericBox;
class QLabel;
class QPushButton;
class SettingsStore;
class TableUndoHistory;
class UserInteraction;

// What a default table window works with: the program's state and store, the
// messages, the undo history of the table it replaces, and a way to close
// that table's editor before the table is replaced.
struct DefaultTableParts {
    AppState& state;
    SettingsStore& store;
    UserInteraction& ui;
    TableUndoHistory& history;
    std::function<void()> closeEditor;
};

// The part the two default table windows share: replacing the table, after
// asking when the ECU is online, as one change of the store and one undo
// step of the table's history, and then closing the window. A window closes
// itself when a setting it shows or generates from changes (a new MaxRpm
// also clears generator inputs), so that it never generates from inputs it
// does not show.
class DefaultTableWindow : public QWidget {
    Q_OBJECT
public:
    QPushButton* createButton() const { return m_button; }

protected:
    DefaultTableWindow(DefaultTableParts parts, const QString& question, const QString& stepName,
                       std::initializer_list<FieldId> reads, QWidget* parent);

    // Fills the table of a copy of the record, passing each cell in the order
    // it is to be sent.
    virtual void generate(EcuSettings& settings, const TableCellSink& sink) = 0;
    void setButton(QPushButton* button);

    DefaultTableParts m_parts;

private:
    void replaceTable();
    void closeWindow();

    QString m_question;
    QString m_stepName;
    QPushButton* m_button = nullptr;
};

// Create Default Fuel Table: the engine figures of the fuel generator.
class DefaultFuelWindow : public DefaultTableWindow {
    Q_OBJECT
public:
    explicit DefaultFuelWindow(DefaultTableParts parts, QWidget* parent = nullptr);

    NumericBox* injectorSizeBox() const { return m_injectorSize; }
    NumericBox* displacementBox() const { return m_displacement; }
    NumericBox* rpmBox(int point) const { return m_rpm.at(static_cast<std::size_t>(point)); }
    NumericBox* veBox(int point) const { return m_ve.at(static_cast<std::size_t>(point)); }
    QLabel* label(int n) const { return m_labels.at(static_cast<std::size_t>(n)); }

protected:
    void generate(EcuSettings& settings, const TableCellSink& sink) override;

private:
    NumericBox* m_injectorSize = nullptr;
    NumericBox* m_displacement = nullptr;
    std::array<NumericBox*, 4> m_rpm{};
    std::array<NumericBox*, 4> m_ve{};
    std::array<QLabel*, 5> m_labels{};
};

// Create Default Ignition Table: the two advance curves of the ignition
// generator. Opening it with a maximum advance of 0 (set by a change of
// MaxRpm) puts the reset values in every box.
class DefaultIgnitionWindow : public DefaultTableWindow {
    Q_OBJECT
public:
    explicit DefaultIgnitionWindow(DefaultTableParts parts, QWidget* parent = nullptr);

    // Box and label n = 1..9; label 0 is the units and rpm line.
    NumericBox* box(int n) const { return m_boxes.at(static_cast<std::size_t>(n - 1)); }
    QLabel* label(int n) const { return m_labels.at(static_cast<std::size_t>(n)); }

protected:
    void generate(EcuSettings& settings, const TableCellSink& sink) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void displayValues(int n);

    float m_psiTop = 0.0f;
    std::array<NumericBox*, 9> m_boxes{};
    std::array<QLabel*, 10> m_labels{};
};
