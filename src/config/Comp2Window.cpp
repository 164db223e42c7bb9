// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/Comp2Window.h"

#include "config/CompensationBoxes.h"
#include "config/NumericBox.h"
#include "record/SettingsStore.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

Comp2Window::Comp2Window(SettingsStore& store, QWidget* parent) : QWidget(parent), m_store(store) {
    setObjectName(QStringLiteral("frmComp2"));
    setWindowTitle(QStringLiteral("Starting/Accel/Decel/Cylinder Compensation"));
    auto* layout = new QGridLayout(this);
    int frameIndex = 0;
    for (const CompensationFrame& frame : compensationFrames()) {
        auto* group = new QGroupBox(frame.caption, this);
        group->setObjectName(QString::fromUtf8(frame.name));
        auto* grid = new QGridLayout(group);
        int line = 0;
        for (const CompensationBox& b : frame.boxes) {
            NumericBox* box =
                NumericBox::forField(store, b.field, compensationEntryRule(b.field), group);
            box->setObjectName(QString::fromUtf8(b.name));
            box->setAlignment(Qt::AlignRight);
            auto* label = new QLabel(b.label, group);
            grid->addWidget(label, line, 0);
            grid->addWidget(box, line, 1);
            Row row{b.field, box, {label}};
            if (!b.after.isEmpty()) {
                row.labels.push_back(new QLabel(b.after, group));
                grid->addWidget(row.labels.back(), line, 2);
            }
            m_rows.push_back(std::move(row));
            ++line;
        }
        grid->setRowStretch(line, 1);
        layout->addWidget(group, frameIndex / 2, frameIndex % 2);
        ++frameIndex;
    }
    connect(&m_store, &SettingsStore::changed, this, [this](const SettingsChange& change) {
        if (change.touches(FieldId::TpsSensorType) ||
            change.touches(FieldId::WaterTempSensorType)) {
            updateComp2();
        }
    });
    updateComp2();
}

void Comp2Window::updateComp2() {
    for (const Row& row : m_rows) {
        const bool enabled = compensationBoxEnabled(row.field, m_store.settings());
        row.box->setEnabled(enabled);
        for (QLabel* label : row.labels) {
            label->setEnabled(enabled);
        }
    }
}

void Comp2Window::closeEvent(QCloseEvent* event) {
    // A box being edited takes its entry before the window goes.
    if (auto* box = qobject_cast<NumericBox*>(focusWidget())) {
        box->commit();
    }
    QWidget::closeEvent(event);
}
