// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/EgoWindow.h"

#include "config/CompensationBoxes.h"
#include "config/FieldHelp.h"
#include "config/NumericBox.h"
#include "record/SettingsStore.h"
#include "tables/CurveGrid.h"
#include "tables/EditorHelp.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QTableWidget>

namespace {

constexpr std::array<FieldId, 4> kWindowFields{FieldId::EgoMaxRpm, FieldId::EgoMinRpm,
                                               FieldId::EgoMaxLoad, FieldId::EgoMinLoad};

} // namespace

EgoWindow::EgoWindow(AppState& state, SettingsStore& store, LiveFeed* feed, QWidget* parent)
    : CurveWindow(state, store, feed, parent) {
    setObjectName(QStringLiteral("frmEgo"));
    setWindowTitle(QStringLiteral(" Closed Loop EGO Tuning"));
    setWhatsThis(curveWindowHelp(CurveWindowKind::Ego));
    auto* form = new QGridLayout;
    const auto label = [this, form](int n, const QString& caption, int row, int column) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QStringLiteral("EgoLabel%1").arg(n));
        form->addWidget(l, row, column);
    };
    const auto box = [this, form, &store](int n, FieldId field, int row, int column) {
        NumericBox* b = NumericBox::forField(store, field, {}, this);
        b->setObjectName(QStringLiteral("EgoTextBox%1").arg(n));
        b->setAlignment(Qt::AlignRight);
        form->addWidget(b, row, column);
    };
    label(0, QStringLiteral("Min Coolant Temp"), 0, 0);
    box(0, FieldId::EgoMinCoolantTemp, 0, 1);
    label(1, QStringLiteral("Update Revolutions"), 1, 0);
    box(1, FieldId::EgoUpdateRevs, 1, 1);
    label(7, QStringLiteral("EGO Gain (P)"), 2, 0);
    box(7, FieldId::EgoGainP, 2, 1);
    label(8, QStringLiteral("EGO Gain (I)"), 3, 0);
    box(8, FieldId::EgoGainI, 3, 1);
    label(9, QStringLiteral("EGO Control "), 4, 0);
    m_control = new QComboBox(this);
    m_control->setObjectName(QStringLiteral("EgoCombo"));
    m_control->setWhatsThis(fieldHelp(FieldId::EgoControl));
    form->addWidget(m_control, 4, 1);
    const std::array<QString, 4> captions{QStringLiteral("Max Rpm"), QStringLiteral("Min Rpm"),
                                          QStringLiteral("Max Load"), QStringLiteral("Min Load")};
    for (int m = 0; m < 4; ++m) {
        label(3 + m, captions[static_cast<std::size_t>(m)], m, 2);
        auto* combo = new QComboBox(this);
        combo->setObjectName(QStringLiteral("MaxMinCombo%1").arg(m));
        form->addWidget(combo, m, 3);
        combo->setWhatsThis(fieldHelp(kWindowFields[static_cast<std::size_t>(m)]));
        m_window[static_cast<std::size_t>(m)] = combo;
        connect(combo, &QComboBox::activated, this, [this, m](int index) {
            listClicked(kWindowFields[static_cast<std::size_t>(m)], index);
        });
    }
    connect(m_control, &QComboBox::activated, this,
            [this](int index) { listClicked(FieldId::EgoControl, index); });
    form->setColumnStretch(4, 1);
    m_layout->addLayout(form);

    addGrid(egoSetpointCurve(store.settings()))->grid()->setObjectName(QStringLiteral("EGOGrid"));
    m_layout->addStretch();

    // A stored value that no entry holds selects the first entry, which is
    // stored and sent as a click on it would: the rpm and load pairs first,
    // then the switch.
    fillLists();
    for (std::size_t m = 0; m < kWindowFields.size(); ++m) {
        listClicked(kWindowFields[m],
                    egoEntryIndex(store.value(kWindowFields[m]), m_window[m]->count()));
    }
    listClicked(FieldId::EgoControl,
                egoEntryIndex(store.settings().EgoControl, m_control->count()));
}

void EgoWindow::fillLists() {
    const EcuSettings& s = m_store.settings();
    const std::array<QStringList, 4> entries{egoRpmEntries(s.MaxRpm), egoRpmEntries(s.MaxRpm),
                                             egoLoadEntries(s), egoLoadEntries(s)};
    for (std::size_t m = 0; m < m_window.size(); ++m) {
        const QSignalBlocker block(m_window[m]);
        m_window[m]->clear();
        m_window[m]->addItems(entries[m]);
    }
    const QSignalBlocker block(m_control);
    m_control->clear();
    m_control->addItems(egoControlEntries());
    showStored();
}

void EgoWindow::showStored() {
    const auto show = [this](QComboBox* combo, FieldId field) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(egoEntryIndex(m_store.value(field), combo->count()));
    };
    show(m_control, FieldId::EgoControl);
    for (std::size_t m = 0; m < m_window.size(); ++m) {
        show(m_window[m], kWindowFields[m]);
    }
}

void EgoWindow::listClicked(FieldId field, int index) {
    m_store.setValue(field, index);
    showStored();
}

void EgoWindow::follow() {
    if (m_control == nullptr || grids().empty()) {
        return; // still being built
    }
    const CurveDescription curve = egoSetpointCurve(m_store.settings());
    CurveGrid* grid = grids().front();
    if (curve.axis != grid->curve().axis || curve.axisCaption != grid->curve().axisCaption) {
        grid->setCurve(curve);
        fillLists();
    } else {
        showStored();
    }
}

void EgoWindow::closeEvent(QCloseEvent* event) {
    // A box being edited takes its entry before the window goes; an open
    // in-place edit of the grid is applied by the curve window.
    if (auto* box = qobject_cast<NumericBox*>(focusWidget())) {
        box->commit();
    }
    CurveWindow::closeEvent(event);
}
