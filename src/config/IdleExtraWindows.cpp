// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/IdleExtraWindows.h"

#include "comm/EcuActions.h"
#include "config/FieldHelp.h"
#include "config/IdleExtra.h"
#include "config/NumericBox.h"
#include "monitor/LiveFeed.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int kBoxWidth = 80;
// Slots 0 to 4 form the first column of the idle air boxes, 5 to 9 the second.
constexpr int kSlotsPerColumn = 5;

NumericBox* placeBox(NumericBox* box, QGridLayout* grid, int row, int column,
                     const QString& caption, QLabel** label = nullptr) {
    auto* l = new QLabel(caption);
    l->setBuddy(box);
    box->setFixedWidth(kBoxWidth);
    box->setAlignment(Qt::AlignRight);
    grid->addWidget(l, row, column);
    grid->addWidget(box, row, column + 1);
    if (label != nullptr) {
        *label = l;
    }
    return box;
}

} // namespace

IacWindow::IacWindow(SettingsStore& store, QWidget* parent) : QWidget(parent), m_store(store) {
    setObjectName(QStringLiteral("frmIAC"));
    setWindowTitle(QStringLiteral("Idle Air Control (IAC)"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    const auto boxes = idleAirBoxes();
    for (size_t i = 0; i < boxes.size(); ++i) {
        const ConfigBox& b = boxes[i];
        NumericBox* box = NumericBox::forField(store, b.field, {}, this);
        m_boxes[i] = placeBox(box, grid, b.slot % kSlotsPerColumn, 2 * (b.slot / kSlotsPerColumn),
                              QString::fromUtf8(b.caption), &m_labels[i]);
    }

    auto* types = new QHBoxLayout;
    layout->addLayout(types);
    auto* group = new QButtonGroup(this);
    const QStringList captions = iacTypeCaptions();
    for (int n = 0; n < static_cast<int>(m_types.size()); ++n) {
        m_types[n] = new QRadioButton(captions[n]);
        m_types[n]->setObjectName(QStringLiteral("IAC_Type%1").arg(n));
        m_types[n]->setWhatsThis(fieldHelp(FieldId::IacType));
        group->addButton(m_types[n], n);
        types->addWidget(m_types[n]);
    }
    layout->addStretch();

    const int stored = store.settings().IacType;
    if (stored >= 0 && stored < static_cast<int>(m_types.size())) {
        m_types[stored]->setChecked(true);
    }
    typeClicked(stored);
    connect(group, &QButtonGroup::idClicked, this, &IacWindow::typeClicked);
}

void IacWindow::typeClicked(int type) {
    const bool enabled = selectIacType(m_store, type);
    for (size_t i = 0; i < m_boxes.size(); ++i) {
        m_boxes[i]->setEnabled(enabled);
        m_labels[i]->setEnabled(enabled);
    }
}

ExtraWindow::ExtraWindow(Parts parts, QWidget* parent) : QWidget(parent), m_parts(parts) {
    setObjectName(QStringLiteral("frmExtra"));
    setWindowTitle(QStringLiteral("Extra Stuff"));
    m_parts.actions.readExtra();

    auto* grid = new QGridLayout(this);
    int row = 0;
    for (const ConfigBox& b : extraBoxes()) {
        NumericBox* box = NumericBox::forField(m_parts.store, b.field, {}, this);
        m_boxes[b.slot] = placeBox(box, grid, row++, 0, QString::fromUtf8(b.caption));
    }
    const auto rules = serialFieldRules();
    for (size_t i = 0; i < rules.size(); ++i) {
        placeBox(serialBox(static_cast<int>(i)), grid, row++, 0,
                 QString::fromUtf8(rules[i].caption));
    }
    grid->setRowStretch(row, 1);

    if (m_parts.feed != nullptr) {
        m_parts.feed->requestDeveloperReads(this);
    }
}

NumericBox* ExtraWindow::serialBox(int index) {
    const auto field = serialFieldRules()[static_cast<size_t>(index)].field;
    const EcuIdentity& id = m_parts.state.identity;
    auto text = [&id, field] { return QString::number(id.*field); };
    auto entry = [this, index](const QString& shown, const QString& typed) {
        if (!m_parts.actions.enterSerialField(index, shown, typed)) {
            return;
        }
        // The fields are split again from the bytes sent.
        for (size_t n = extraBoxes().size(); n < m_boxes.size(); ++n) {
            m_boxes[n]->refresh();
        }
        emit serialNumberChanged();
    };
    auto* box = new NumericBox(text, entry, this);
    box->setObjectName(QStringLiteral("ExtraText%1").arg(extraBoxes().size() + index));
    box->setWhatsThis(serialFieldHelp(index));
    m_boxes[extraBoxes().size() + static_cast<size_t>(index)] = box;
    return box;
}
