// SPDX-License-Identifier: GPL-3.0-or-later
#include "generators/DefaultTableWindows.h"

#include "config/NumericBox.h"
#include "generators/DefaultIgnitionTable.h"
#include "generators/GeneratorEntry.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
#include "tables/TableUndoHistory.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <algorithm>
#include <vector>

DefaultTableWindow::DefaultTableWindow(DefaultTableParts parts, const QString& question,
                                       const QString& stepName,
                                       std::initializer_list<FieldId> reads, QWidget* parent)
    : QWidget(parent), m_parts(std::move(parts)), m_question(question), m_stepName(stepName) {
    connect(&m_parts.store, &SettingsStore::changed, this,
            [this, fields = std::vector<FieldId>(reads)](const SettingsChange& change) {
                if (std::any_of(fields.begin(), fields.end(),
                                [&change](FieldId id) { return change.touches(id); })) {
                    closeWindow();
                }
            });
}

void DefaultTableWindow::setButton(QPushButton* button) {
    m_button = button;
    connect(m_button, &QPushButton::clicked, this, &DefaultTableWindow::replaceTable);
}

void DefaultTableWindow::replaceTable() {
    // A box still being edited takes its entry first.
    if (auto* box = qobject_cast<NumericBox*>(focusWidget())) {
        box->commit();
    }
    if (m_parts.state.EcuOnline) {
        const auto answer = m_parts.ui.message(m_question, UserInteraction::Icon::None,
                                               UserInteraction::Buttons::OkCancel);
        if (answer == UserInteraction::Answer::Cancel) {
            closeWindow();
            return;
        }
    }
    BusyGuard busy(m_parts.ui);
    if (m_parts.closeEditor) {
        m_parts.closeEditor();
    }
    EcuSettings settings = m_parts.store.settings();
    std::vector<FieldCell> cells;
    generate(settings, [&cells](int loadIndex, int rpmIndex, int16_t raw) {
        cells.push_back({loadIndex, rpmIndex, raw});
    });
    m_parts.history.apply(cells, SettingsStore::Send::Always, m_stepName);
    closeWindow();
}

void DefaultTableWindow::closeWindow() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        sub->close();
    } else {
        close();
    }
}

namespace {

QLabel* namedLabel(const QString& name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    return label;
}

} // namespace

// The fuel window.

DefaultFuelWindow::DefaultFuelWindow(DefaultTableParts parts, QWidget* parent)
    : DefaultTableWindow(std::move(parts), QStringLiteral("Current Fuel Table will be replaced!"),
                         tr("Default Fuel Table"),
                         {FieldId::MaxRpm, FieldId::MapSensorType, FieldId::MinOpenTime,
                          FieldId::NumberOfCylinders, FieldId::LoadControl},
                         parent) {
    setObjectName(QStringLiteral("frmDefaultFuel"));
    setWindowTitle(QStringLiteral("Create Default Fuel Table "));
    const auto makeBox = [this](const QString& name, FuelBox kind, int point) {
        auto* box = new NumericBox(
            [this, kind, point] { return fuelBoxText(m_parts.state.fuelGenerator, kind, point); },
            [this, kind, point](const QString& shown, const QString& typed) {
                enterFuelInput(m_parts.state.fuelGenerator, kind, point,
                               m_parts.store.settings().MaxRpm, shown, typed);
            });
        box->setObjectName(name);
        return box;
    };

    auto* grid = new QGridLayout(this);
    const QStringList texts = fuelWindowLabels(m_parts.store.settings());
    for (int n = 0; n < 5; ++n) {
        m_labels[std::size_t(n)] =
            namedLabel(QStringLiteral("DefaultFuelLabel%1").arg(n), texts[n]);
    }
    grid->addWidget(m_labels[0], 0, 0, 1, 3);
    grid->addWidget(m_labels[3], 1, 0, 1, 3);
    grid->addWidget(m_labels[4], 2, 0, 1, 3);
    grid->addWidget(
        namedLabel(QStringLiteral("TitleLabel"),
                   QStringLiteral("                     Volumetric  Rpm              Effeciency")),
        3, 0, 1, 3);
    for (int n = 0; n < 4; ++n) {
        m_rpm[std::size_t(n)] = makeBox(QStringLiteral("RpmText%1").arg(n), FuelBox::Rpm, n);
        m_ve[std::size_t(n)] = makeBox(QStringLiteral("VeText%1").arg(n), FuelBox::Ve, n);
        grid->addWidget(namedLabel(QStringLiteral("PointLabel%1").arg(n),
                                   QStringLiteral("Point %1").arg(n + 1)),
                        4 + n, 0);
        grid->addWidget(m_rpm[std::size_t(n)], 4 + n, 1);
        grid->addWidget(m_ve[std::size_t(n)], 4 + n, 2);
    }
    m_injectorSize = makeBox(QStringLiteral("InjectorSizeText"), FuelBox::InjectorSize, 0);
    m_displacement = makeBox(QStringLiteral("DisplacementText"), FuelBox::Displacement, 0);
    grid->addWidget(m_labels[1], 8, 0, 1, 2);
    grid->addWidget(m_injectorSize, 8, 2);
    grid->addWidget(m_labels[2], 9, 0, 1, 2);
    grid->addWidget(m_displacement, 9, 2);
    auto* button = new QPushButton(QStringLiteral("Create Fuel Table"));
    button->setObjectName(QStringLiteral("DefaultFuelButton"));
    grid->addWidget(button, 10, 0, 1, 3);
    setButton(button);
}

void DefaultFuelWindow::generate(EcuSettings& settings, const TableCellSink& sink) {
    generateFuelTable(m_parts.state.fuelGenerator, settings, sink);
}

// The ignition window.

DefaultIgnitionWindow::DefaultIgnitionWindow(DefaultTableParts parts, QWidget* parent)
    : DefaultTableWindow(
          std::move(parts), QStringLiteral("Current Ignition Table will be replaced!"),
          tr("Default Ignition Table"), {FieldId::MaxRpm, FieldId::MapSensorType}, parent) {
    setObjectName(QStringLiteral("frmDefaultIgnition"));
    setWindowTitle(QStringLiteral("Create Default Ignition Table"));
    const EcuSettings& settings = m_parts.store.settings();
    m_psiTop = generatorPsiTop(settings.MapSensorType);
    resetIgnitionInputsIfCleared(m_parts.state.ignitionGenerator, settings.MaxRpm);

    auto* grid = new QGridLayout(this);
    m_labels[0] =
        namedLabel(QStringLiteral("DefaultIgnitionLabel0"), ignitionTopLabel(settings.MaxRpm));
    grid->addWidget(m_labels[0], 0, 0, 1, 2);
    for (int n = 1; n <= 9; ++n) {
        m_labels[std::size_t(n)] = namedLabel(QStringLiteral("DefaultIgnitionLabel%1").arg(n), {});
        auto* box = new NumericBox(
            [this, n] { return ignitionBoxText(m_parts.state.ignitionGenerator, n); },
            [this, n](const QString& shown, const QString& typed) {
                enterIgnitionInput(m_parts.state.ignitionGenerator, n, m_psiTop, shown, typed);
            });
        box->setObjectName(QStringLiteral("DefaultIgnitionText%1").arg(n));
        box->installEventFilter(this);
        m_boxes[std::size_t(n - 1)] = box;
        grid->addWidget(m_labels[std::size_t(n)], n, 0);
        grid->addWidget(box, n, 1);
        displayValues(n);
    }
    auto* button = new QPushButton(QStringLiteral("Create Ignition Table"));
    button->setObjectName(QStringLiteral("DefaultIgnitionButton"));
    grid->addWidget(button, 10, 0, 1, 2);
    setButton(button);
}

void DefaultIgnitionWindow::displayValues(int n) {
    if (n < 1 || n > 9) {
        return;
    }
    m_labels[std::size_t(n)]->setText(ignitionInputCaption(n));
    box(n)->refresh();
}

bool DefaultIgnitionWindow::eventFilter(QObject* watched, QEvent* event) {
    // Escape in a box shortens the top line and shows every input again
    // before the box runs its own entry.
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        qobject_cast<NumericBox*>(watched) != nullptr) {
        m_labels[0]->setText(ignitionShortTopLabel(m_parts.store.settings().MaxRpm));
        for (int n = 1; n <= 9; ++n) {
            displayValues(n);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DefaultIgnitionWindow::generate(EcuSettings& settings, const TableCellSink& sink) {
    generateIgnitionTable(m_parts.state.ignitionGenerator, settings, sink);
}
