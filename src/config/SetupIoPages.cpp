// SPDX-License-Identifier: GPL-3.0-or-later
// The User Outputs and User Inputs pages of the setup window.

#include "config/FieldHelp.h"
#include "config/NumericBox.h"
#include "config/SetupLists.h"
#include "config/SetupWindow.h"
#include "record/AppState.h"
#include "record/NumberFormat.h"
#include "record/SettingCodes.h"
#include "record/SettingsStore.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QComboBox* namedCombo(const QString& name, const QStringList& entries) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->addItems(entries);
    return combo;
}

void selectQuietly(QComboBox* combo, int index) {
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : 0);
}

} // namespace

QWidget* SetupWindow::buildOutputsPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    SettingsStore& store = m_parts.store;
    for (int k = 0; k < kCustomOutputs; ++k) {
        auto* box = new QGroupBox(QStringLiteral("Custom Output #%1").arg(k + 1));
        box->setObjectName(QStringLiteral("CustomOutputFrame%1").arg(k));
        auto* layout = new QGridLayout(box);
        m_outputCombos[static_cast<std::size_t>(k)] =
            namedCombo(QStringLiteral("CustomOutputCombo%1").arg(k), outputSourceEntries());
        m_outputCombos[static_cast<std::size_t>(k)]->setWhatsThis(fieldHelp(outputTypeField(k)));
        layout->addWidget(m_outputCombos[static_cast<std::size_t>(k)], 0, 0, 1, 2);
        for (int second = 0; second < 2; ++second) {
            const int n = 2 * k + second;
            auto* text = new NumericBox(
                [&store, k, second] {
                    const EcuSettings& s = store.settings();
                    return setPointText(s, s.UserOutputType[static_cast<std::size_t>(k)],
                                        store.value(outputSetPointField(k, second != 0)));
                },
                [&store, k, second](const QString& shown, const QString& typed) {
                    commitSetPoint(store, k, second != 0, shown, typed);
                });
            text->setObjectName(QStringLiteral("CustomOutputText%1").arg(n));
            text->setWhatsThis(fieldHelp(outputSetPointField(k, second != 0)));
            auto* caption = new QLabel(second == 0 ? QStringLiteral("Set Point 1")
                                                   : QStringLiteral("Set Point 2"));
            caption->setObjectName(QStringLiteral("CustomOutputLabel%1").arg(n));
            m_outputBoxes[static_cast<std::size_t>(n)] = text;
            m_outputLabels[static_cast<std::size_t>(n)] = caption;
            // An output that is off keeps the room of its set points, so that
            // the page keeps its columns when one gets them.
            for (QWidget* w : {static_cast<QWidget*>(text), static_cast<QWidget*>(caption)}) {
                QSizePolicy policy = w->sizePolicy();
                policy.setRetainSizeWhenHidden(true);
                w->setSizePolicy(policy);
            }
            layout->addWidget(caption, 1 + second, 0);
            layout->addWidget(text, 1 + second, 1);
        }
        grid->addWidget(box, k / 2, k % 2);
        connect(m_outputCombos[static_cast<std::size_t>(k)], &QComboBox::activated, this,
                [this, k](int index) { customOutputClicked(k, index); });
    }
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

void SetupWindow::setupCustomOutputs() {
    for (int k = 0; k < kCustomOutputs; ++k) {
        displayCustomOutput(k);
    }
}

void SetupWindow::displayCustomOutput(int k) {
    const auto at = static_cast<std::size_t>(k);
    const OutputSource type = outputSource(m_parts.store.settings(), k);
    selectQuietly(m_outputCombos[at], type <= OutputSource::Tps ? toCode(type) : 0);
    for (std::size_t n = 2 * at; n < 2 * at + 2; ++n) {
        m_outputBoxes[n]->setVisible(type != OutputSource::Off);
        m_outputLabels[n]->setVisible(type != OutputSource::Off);
        if (type != OutputSource::Off && !m_outputBoxes[n]->hasFocus()) {
            m_outputBoxes[n]->refresh();
        }
    }
}

void SetupWindow::customOutputClicked(int k, int index) {
    if (!m_ready) {
        return;
    }
    changeOutputSource(m_parts.store, m_parts.ui, k, index);
    displayCustomOutput(k);
}

QWidget* SetupWindow::buildInputsPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    const bool ego = m_parts.state.CodeSectionFlags[0];
    const auto inputFrame = [](int frameIndex, int number, const QString& kind, QComboBox* combo) {
        auto* box = new QGroupBox(QStringLiteral("Custom Input #%1").arg(number));
        box->setObjectName(QStringLiteral("CustomInputFrame%1").arg(frameIndex));
        auto* layout = new QVBoxLayout(box);
        layout->addWidget(combo);
        auto* kindLabel = new QLabel(kind);
        kindLabel->setObjectName(QStringLiteral("CustomInputLabel%1").arg(frameIndex));
        layout->addWidget(kindLabel);
        return box;
    };
    for (int i = 0; i < kAnalogInputs; ++i) {
        auto* combo =
            namedCombo(QStringLiteral("CustomInputCombo%1").arg(i), analogModeEntries(i, ego));
        combo->setWhatsThis(fieldHelp(analogModeField(i)));
        m_analogCombos[static_cast<std::size_t>(i)] = combo;
        grid->addWidget(inputFrame(i, i + 1, QStringLiteral("(Analog)"), combo), 0, i);
        connect(combo, &QComboBox::activated, this,
                [this, i](int index) { analogInputClicked(i, index); });
    }
    for (int j = 0; j < kDigitalInputs; ++j) {
        auto* combo =
            namedCombo(QStringLiteral("CustomInputCombo%1").arg(3 + j), digitalModeEntries(j));
        combo->setWhatsThis(fieldHelp(digitalModeField(j)));
        m_digitalCombos[static_cast<std::size_t>(j)] = combo;
        grid->addWidget(inputFrame(3 + j, j + 1, QStringLiteral("(Digital)"), combo), 1, j);
        connect(combo, &QComboBox::activated, this,
                [this, j](int index) { digitalInputClicked(j, index); });
    }
    // The secondary rev limit shows " ####0" when the page is filled and the
    // plain number once the box has been left.
    SettingsStore& store = m_parts.store;
    m_lcText = new NumericBox(
        [this, &store] {
            const int32_t rpm = store.settings().LaunchControlRpm;
            return m_lcLeft ? QString::number(rpm) : formatNumber(rpm, QStringLiteral(" ####0"));
        },
        [this, &store](const QString& shown, const QString& typed) {
            commitEntry(store, FieldId::LaunchControlRpm, setupEntryRule(FieldId::LaunchControlRpm),
                        shown, typed);
            m_lcLeft = true;
        });
    m_lcText->setObjectName(QStringLiteral("LCText"));
    m_lcText->setWhatsThis(fieldHelp(FieldId::LaunchControlRpm));
    connect(&store, &SettingsStore::changed, m_lcText, [this](const SettingsChange& change) {
        if (change.touches(FieldId::LaunchControlRpm) && !m_lcText->hasFocus()) {
            m_lcText->refresh();
        }
    });
    m_lcLabel = new QLabel(QStringLiteral("Rpm"));
    m_lcLabel->setObjectName(QStringLiteral("LCLabel"));
    m_lcFrame = new QGroupBox(QStringLiteral("Secondary Rev Limit"));
    m_lcFrame->setObjectName(QStringLiteral("LCFrame"));
    auto* lcLayout = new QHBoxLayout(m_lcFrame);
    lcLayout->addWidget(m_lcText);
    lcLayout->addWidget(m_lcLabel);
    grid->addWidget(m_lcFrame, 1, 2);
    grid->setRowStretch(2, 1);
    return page;
}

void SetupWindow::setupCustomInputs() {
    const EcuSettings& s = m_parts.store.settings();
    for (int i = 0; i < kAnalogInputs; ++i) {
        selectQuietly(m_analogCombos[static_cast<std::size_t>(i)],
                      s.UserInputAnalogMode[static_cast<std::size_t>(i)]);
    }
    for (int j = 0; j < kDigitalInputs; ++j) {
        selectQuietly(m_digitalCombos[static_cast<std::size_t>(j)],
                      s.UserInputDigitalMode[static_cast<std::size_t>(j)]);
    }
    m_lcLeft = false;
    m_lcText->refresh();
    enableSecondaryRevLimit();
}

void SetupWindow::enableSecondaryRevLimit() {
    const bool on =
        digitalInputMode(m_parts.store.settings(), 0) == DigitalInputMode::SecondaryRevLimit;
    for (QWidget* w : {static_cast<QWidget*>(m_lcFrame), static_cast<QWidget*>(m_lcText),
                       static_cast<QWidget*>(m_lcLabel)}) {
        w->setEnabled(on);
    }
}

void SetupWindow::analogInputClicked(int i, int index) {
    if (!m_ready || !changeAnalogMode(m_parts.store, i, index)) {
        return;
    }
    if (i == 0) {
        closeWindows({WindowCode::Ego});
    }
    closeWindows({WindowCode::Data, WindowCode::Input});
}

void SetupWindow::digitalInputClicked(int j, int index) {
    if (!m_ready) {
        return;
    }
    m_parts.store.setValue(digitalModeField(j), index);
    if (j == 0) {
        enableSecondaryRevLimit();
    }
}
