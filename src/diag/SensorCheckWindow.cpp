// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/SensorCheckWindow.h"

#include "comm/EcuActions.h"
#include "monitor/LiveFeed.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kBoxWidth = 90;
const char* const kColumnHeadings[] = {"Bits", "Volts", "Value"};
} // namespace

SensorCheckWindow::SensorCheckWindow(const AppState& state, const SettingsStore& store,
                                     EcuActions& actions, LiveFeed* feed, QWidget* parent)
    : QWidget(parent), m_state(state), m_store(store), m_actions(actions) {
    setObjectName(QStringLiteral("frmSensorCheck"));
    setWindowTitle(QStringLiteral("Diagnostics"));
    setupSensorCheck();
    updateSensorCheck(feed != nullptr ? feed->latest() : LiveSample());
    if (feed != nullptr) {
        connect(feed, &LiveFeed::sampled, this, &SensorCheckWindow::updateSensorCheck);
        feed->requestDeveloperReads(this);
    }
}

QLineEdit* SensorCheckWindow::makeBox(const QString& name) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAlignment(Qt::AlignRight);
    box->setFixedWidth(kBoxWidth);
    return box;
}

void SensorCheckWindow::setupSensorCheck() {
    auto* sensors = new QGridLayout;
    const SensorCheckDisplay captions =
        composeSensorCheck(m_store.settings(), m_state.DeveloperMode, LiveSample());
    for (int c = 0; c < 3; ++c) {
        sensors->addWidget(new QLabel(QString::fromLatin1(kColumnHeadings[c]), this), 0, c + 1,
                           Qt::AlignHCenter);
    }
    for (int r = 0; r < SensorCheckDisplay::kRows; ++r) {
        auto* label = new QLabel(captions.rows[r].caption, this);
        label->setObjectName(QStringLiteral("SensorCheckLabel%1").arg(r));
        sensors->addWidget(label, r + 1, 0);
        for (int c = 0; c < 3; ++c) {
            m_boxes[r][c] = makeBox(QStringLiteral("SensorCheckText%1").arg(r * 3 + c));
            sensors->addWidget(m_boxes[r][c], r + 1, c + 1);
        }
    }

    // The output test: a row of buttons under each label.
    auto* outputs = new QVBoxLayout;
    const struct {
        const char* label;
        int first;
        int count;
    } groups[] = {{"Fire Injector Bank #", 0, kInjectorBanks},
                  {"Fire Coil  #", kInjectorBanks, kCoils}};
    for (const auto& group : groups) {
        auto* label = new QLabel(QString::fromLatin1(group.label), this);
        label->setObjectName(QStringLiteral("LabelOnPort%1").arg(group.first == 0 ? 0 : 1));
        outputs->addWidget(label);
        auto* row = new QHBoxLayout;
        for (int i = 0; i < group.count; ++i) {
            const int index = group.first + i;
            auto* button = new QPushButton(QString::number(i + 1), this);
            button->setObjectName(QStringLiteral("BtnOnPort%1").arg(index));
            button->setWhatsThis(tr("Fires this output of the ECU once."));
            connect(button, &QPushButton::clicked, this,
                    [this, index] { m_actions.fireOutput(index + 1); });
            m_buttons[index] = button;
            row->addWidget(button);
        }
        outputs->addLayout(row);
    }
    outputs->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(sensors);
    layout->addSpacing(16);
    layout->addLayout(outputs);
    if (!m_state.DeveloperMode) {
        return;
    }

    // Developer mode: the spare values and the raw injector and ignition
    // readings.
    auto* developer = new QGridLayout;
    developer->addWidget(new QLabel(QStringLiteral("Char"), this), 0, 1, Qt::AlignHCenter);
    developer->addWidget(new QLabel(QStringLiteral("Int"), this), 0, 2, Qt::AlignHCenter);
    for (int i = 0; i < SensorCheckDisplay::kExtras; ++i) {
        developer->addWidget(new QLabel(QStringLiteral("Extra %1").arg(i), this), i + 1, 0);
        m_charExtra[i] = makeBox(QStringLiteral("CharExtraText%1").arg(i));
        m_intExtra[i] = makeBox(QStringLiteral("IntExtraText%1").arg(i));
        developer->addWidget(m_charExtra[i], i + 1, 1);
        developer->addWidget(m_intExtra[i], i + 1, 2);
    }
    const struct {
        const char* caption;
        QLineEdit** box;
    } raws[] = {{"Injector Open Ticks", &m_injectorTicks},
                {"Firing Angle Degrees", &m_firingAngle},
                {"High Byte", &m_injectorHigh},
                {"Low Byte", &m_injectorLow}};
    int row = SensorCheckDisplay::kExtras + 1;
    for (const auto& raw : raws) {
        developer->addWidget(new QLabel(QString::fromLatin1(raw.caption), this), row, 0);
        *raw.box = makeBox(QString::fromLatin1(raw.caption).remove(QLatin1Char(' ')));
        developer->addWidget(*raw.box, row, 1);
        ++row;
    }
    layout->addSpacing(16);
    layout->addLayout(developer);
}

void SensorCheckWindow::updateSensorCheck(const LiveSample& sample) {
    const SensorCheckDisplay d =
        composeSensorCheck(m_store.settings(), m_state.DeveloperMode, sample);
    for (int r = 0; r < SensorCheckDisplay::kRows; ++r) {
        m_boxes[r][0]->setText(d.rows[r].bits);
        m_boxes[r][1]->setText(d.rows[r].volts);
        m_boxes[r][2]->setText(d.rows[r].value);
    }
    if (m_injectorTicks == nullptr) {
        return;
    }
    for (int i = 0; i < SensorCheckDisplay::kExtras; ++i) {
        m_charExtra[i]->setText(d.charExtra[i]);
        m_intExtra[i]->setText(d.intExtra[i]);
    }
    m_injectorTicks->setText(d.injectorTicks);
    m_firingAngle->setText(d.firingAngle);
    m_injectorHigh->setText(d.injectorHigh);
    m_injectorLow->setText(d.injectorLow);
}
