// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/FieldTable.h"

#include <QWidget>
#include <utility>
#include <vector>

class NumericBox;
class QLabel;
class SettingsStore;

// "Starting/Accel/Decel/Cylinder Compensation": the cranking enrichment, the
// acceleration enrichment, the deceleration fuel cut-off and the fuel share
// of banks 2 to 4. Every accepted entry is stored and sent at once; boxes
// whose sensor is not fitted cannot be edited.
class Comp2Window : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTopTwips = 1000;
    static constexpr int kHeightTwips = 5600;

    explicit Comp2Window(SettingsStore& store, QWidget* parent = nullptr);

    // Enables the boxes by the sensors fitted.
    void updateComp2();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    SettingsStore& m_store;
    // Each box with its labels.
    struct Row {
        FieldId field;
        NumericBox* box;
        std::vector<QLabel*> labels;
    };
    std::vector<Row> m_rows;
};
