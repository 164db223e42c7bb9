// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/SetupWindow.h"

#include "comm/CommandTable.h"
#include "comm/EcuActions.h"
#include "config/FieldHelp.h"
#include "config/MapRescale.h"
#include "config/NumericBox.h"
#include "config/SetupLists.h"
#include "monitor/LiveFeed.h"
#include "record/AppState.h"
#include "record/NumberFormat.h"
#include "record/SettingCodes.h"
#include "record/SettingsStore.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr uint8_t kEngineTurningBit = 2;

QComboBox* makeCombo(const QString& name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    return combo;
}

// Fills a list without running its handler.
void fill(QComboBox* combo, const QStringList& entries) {
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
}

// Selects an entry (-1 or an index past the list: none) without running the
// handler; returns whether an entry is selected.
bool select(QComboBox* combo, int index) {
    const QSignalBlocker block(combo);
    const bool valid = index >= 0 && index < combo->count();
    combo->setCurrentIndex(valid ? index : -1);
    return valid;
}

QGroupBox* frame(const QString& name, const QString& caption, QWidget* content) {
    auto* box = new QGroupBox(caption);
    box->setObjectName(name);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(content);
    return box;
}

QLabel* label(const QString& name, const QString& caption) {
    auto* l = new QLabel(caption);
    l->setObjectName(name);
    return l;
}

} // namespace

SetupWindow::SetupWindow(Parts parts, QWidget* parent) : QWidget(parent), m_parts(parts) {
    setObjectName(QStringLiteral("frmSetup"));
    setWindowTitle(QStringLiteral("Setup"));
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabStrip1"));
    m_tabs->addTab(buildEnginePage(), QStringLiteral("Engine"));
    m_tabs->addTab(buildSensorsPage(), QStringLiteral("Sensors"));
    m_tabs->addTab(buildOutputsPage(), QStringLiteral("User Outputs"));
    m_tabs->addTab(buildInputsPage(), QStringLiteral("User Inputs"));
    for (int i = 0; i < m_tabs->count(); ++i) {
        m_tabs->widget(i)->setObjectName(QStringLiteral("Frame1_%1").arg(i));
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);

    m_ready = false;
    loadEngineFrame();
    setupSensors();
    setupCustomOutputs();
    setupCustomInputs();
    m_ready = true;

    closeWindows({WindowCode::TimeHistory});
    if (m_parts.feed != nullptr) {
        connect(m_parts.feed, &LiveFeed::sampled, this, &SetupWindow::upDateSetup);
    }
    connect(&m_parts.store, &SettingsStore::changed, this, [this](const SettingsChange& change) {
        if (change.wholeRecord) {
            showStoredSelections();
        }
        if (change.wholeRecord || fieldRow(change.field).shape == FieldShape::Scalar) {
            for (int k = 0; k < kCustomOutputs; ++k) {
                displayCustomOutput(k);
            }
        }
    });
}

void SetupWindow::showStoredSelections() {
    // A record loaded or read while the window is open: the lists show it
    // as it is; only a selection the user makes stores and sends.
    const EcuSettings& s = m_parts.store.settings();
    const auto fitted = [](int16_t type) {
        return static_cast<SensorFitted>(type) == SensorFitted::Fitted ? 1 : 0;
    };
    select(m_cylinders, cylindersIndex(s.NumberOfCylinders));
    select(m_wheelType, wheelType(s) != WheelType::TwelveMinusThree ? 1 : 0);
    select(m_ignitionType, oneBasedIndex(s.IgnitionType, 2));
    m_ignitionType->setEnabled(
        !distributorOnly(s.NumberOfCylinders, m_parts.state.CodeSectionFlags));
    select(m_maxRpm, maxRpmIndex(s.MaxRpm));
    select(m_loadControl, oneBasedIndex(s.LoadControl, 2));
    select(m_airTemp, fitted(s.AirTempSensorType));
    select(m_waterTemp, fitted(s.WaterTempSensorType));
    select(m_tps, fitted(s.TpsSensorType));
    select(m_map, mapSensor(s) <= MapSensor::ThreeAtm ? s.MapSensorType : 0);
    setupTpsLimits();
    setupMapLimits();
    setupOncePerCycle();
    setupCustomInputs();
}

void SetupWindow::closeEvent(QCloseEvent* event) {
    // A box being edited takes its entry before the window goes.
    if (auto* box = qobject_cast<NumericBox*>(focusWidget())) {
        box->commit();
    }
    QWidget::closeEvent(event);
}

void SetupWindow::closeWindows(std::initializer_list<WindowCode> codes) {
    for (WindowCode code : codes) {
        m_parts.closeWindow(code);
    }
}

bool SetupWindow::storeIndex(FieldId field, int64_t value) {
    return m_parts.store.setValue(field, value);
}

// The Engine page.

QWidget* SetupWindow::buildEnginePage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    m_cylinders = makeCombo(QStringLiteral("CylindersCombo"), page);
    m_wheelType = makeCombo(QStringLiteral("WheelTypeCombo"), page);
    m_ignitionType = makeCombo(QStringLiteral("IgnitionTypeCombo"), page);
    m_maxRpm = makeCombo(QStringLiteral("MaxRpmCombo"), page);
    m_loadControl = makeCombo(QStringLiteral("LoadControlCombo"), page);
    m_stagedRpm = makeCombo(QStringLiteral("OncePerCycleCombo0"), page);
    m_stagedLoad = makeCombo(QStringLiteral("OncePerCycleCombo1"), page);
    SettingsStore& store = m_parts.store;
    m_engineBoxes = {NumericBox::forField(store, FieldId::RevLimit, {}, page),
                     NumericBox::forField(store, FieldId::MinOpenTime, {}, page),
                     NumericBox::forField(store, FieldId::ChargeTime, {}, page)};
    const std::array<const char*, 3> boxNames{"RevLimitText", "MinOpenTimeText", "ChargeTimeText"};
    for (std::size_t i = 0; i < boxNames.size(); ++i) {
        m_engineBoxes[i]->setObjectName(QString::fromUtf8(boxNames[i]));
    }

    m_wheelFrame =
        frame(QStringLiteral("WheelTypeFrame"), QStringLiteral("Pickup Wheel"), m_wheelType);
    auto* staged = new QWidget;
    auto* stagedLayout = new QVBoxLayout(staged);
    stagedLayout->addWidget(m_stagedRpm);
    stagedLayout->addWidget(m_stagedLoad);
    m_stagedRpm->hide();
    m_oncePerCycleFrame = frame(QStringLiteral("OncePerCycleFrame"), QString(), staged);

    grid->addWidget(
        frame(QStringLiteral("CylindersFrame"), QStringLiteral("Cylinders"), m_cylinders), 0, 0);
    grid->addWidget(
        frame(QStringLiteral("IgnitionTypeFrame"), QStringLiteral("Ignition"), m_ignitionType), 0,
        1);
    grid->addWidget(frame(QStringLiteral("MaxRpmFrame"), QStringLiteral("Max Rpm"), m_maxRpm), 1,
                    0);
    grid->addWidget(
        frame(QStringLiteral("LoadControlFrame"), QStringLiteral("Load Control"), m_loadControl), 1,
        1);
    grid->addWidget(
        frame(QStringLiteral("RevLimitFrame"), QStringLiteral("Rev Limit"), m_engineBoxes[0]), 2,
        0);
    grid->addWidget(frame(QStringLiteral("MinOpenTimeFrame"), QStringLiteral("Min Open Time (ms)"),
                          m_engineBoxes[1]),
                    2, 1);
    grid->addWidget(frame(QStringLiteral("ChargeTimeFrame"), QStringLiteral("Charge Time (ms)"),
                          m_engineBoxes[2]),
                    3, 0);
    grid->addWidget(m_wheelFrame, 3, 1);
    grid->addWidget(m_oncePerCycleFrame, 4, 0);
    grid->setRowStretch(5, 1);

    for (const auto& [combo, field] :
         {std::pair{m_cylinders, FieldId::NumberOfCylinders},
          std::pair{m_wheelType, FieldId::WheelType},
          std::pair{m_ignitionType, FieldId::IgnitionType}, std::pair{m_maxRpm, FieldId::MaxRpm},
          std::pair{m_loadControl, FieldId::LoadControl},
          std::pair{m_stagedRpm, FieldId::InjectionRpmIndex},
          std::pair{m_stagedLoad, FieldId::InjectionLoadIndex}}) {
        combo->setWhatsThis(fieldHelp(field));
    }
    connect(m_cylinders, &QComboBox::activated, this, &SetupWindow::cylindersClicked);
    connect(m_wheelType, &QComboBox::activated, this, &SetupWindow::wheelTypeClicked);
    connect(m_ignitionType, &QComboBox::activated, this, &SetupWindow::ignitionTypeClicked);
    connect(m_maxRpm, &QComboBox::activated, this, &SetupWindow::maxRpmClicked);
    connect(m_loadControl, &QComboBox::activated, this, &SetupWindow::loadControlClicked);
    connect(m_stagedRpm, &QComboBox::activated, this,
            [this](int index) { stagedClicked(FieldId::InjectionRpmIndex, index); });
    connect(m_stagedLoad, &QComboBox::activated, this,
            [this](int index) { stagedClicked(FieldId::InjectionLoadIndex, index); });
    return page;
}

void SetupWindow::loadEngineFrame() {
    const EcuSettings& s = m_parts.store.settings();
    const auto& flags = m_parts.state.CodeSectionFlags;
    m_wheelFrame->setVisible(flags[3]);
    m_oncePerCycleFrame->setVisible(flags[1]);
    for (NumericBox* box : m_engineBoxes) {
        box->refresh();
    }
    fill(m_cylinders, cylinderEntries());
    fill(m_wheelType, {QStringLiteral("12-3"), QStringLiteral("12-1")});
    fill(m_ignitionType, {QStringLiteral(" Wasted Spark"), QStringLiteral(" Distributor")});
    fill(m_maxRpm, maxRpmEntries());
    fill(m_loadControl, {QStringLiteral("  MAP"), QStringLiteral("  TPS")});
    // Selecting an entry runs its handler, which stores and sends a stored
    // value that the list does not hold.
    if (const int i = cylindersIndex(s.NumberOfCylinders); select(m_cylinders, i)) {
        cylindersClicked(i);
    }
    if (const int i = wheelType(s) != WheelType::TwelveMinusThree ? 1 : 0; select(m_wheelType, i)) {
        wheelTypeClicked(i);
    }
    if (const int i = maxRpmIndex(s.MaxRpm); select(m_maxRpm, i)) {
        maxRpmClicked(i);
    }
    if (const int i = oneBasedIndex(s.LoadControl, 2); select(m_loadControl, i)) {
        loadControlClicked(i);
    }
    if (const int i = oneBasedIndex(s.IgnitionType, 2); select(m_ignitionType, i)) {
        ignitionTypeClicked(i);
    }
    setupOncePerCycle();
}

void SetupWindow::setupOncePerCycle() {
    const EcuSettings& s = m_parts.store.settings();
    m_oncePerCycleFrame->setTitle(QStringLiteral("Staged Injection"));
    fill(m_stagedRpm, stagedRpmEntries(s.MaxRpm));
    fill(m_stagedLoad, stagedLoadEntries(s));
    select(m_stagedRpm, s.InjectionRpmIndex);
    select(m_stagedLoad, s.InjectionLoadIndex);
}

void SetupWindow::cylindersClicked(int index) {
    if (storeIndex(FieldId::NumberOfCylinders, cylindersOfIndex(index))) {
        closeWindows({WindowCode::Comp2});
    }
    const int cylinders = m_parts.store.settings().NumberOfCylinders;
    if (distributorOnly(cylinders, m_parts.state.CodeSectionFlags)) {
        select(m_ignitionType, 1);
        ignitionTypeClicked(1);
        m_ignitionType->setEnabled(false);
    } else {
        m_ignitionType->setEnabled(true);
    }
}

void SetupWindow::wheelTypeClicked(int index) {
    storeIndex(FieldId::WheelType, index);
}

void SetupWindow::ignitionTypeClicked(int index) {
    storeIndex(FieldId::IgnitionType, index + 1);
}

void SetupWindow::maxRpmClicked(int index) {
    if (!storeIndex(FieldId::MaxRpm, (index + 1) * 3000)) {
        return;
    }
    closeWindows({WindowCode::Fuel, WindowCode::Ignition, WindowCode::Ego});
    // The generators derive their rpm inputs again from the new range.
    m_parts.state.ignitionGenerator.advanceLimit = 0.0f;
    m_parts.state.fuelGenerator.rpm[3] = 0.0f;
    setupOncePerCycle();
}

void SetupWindow::loadControlClicked(int index) {
    const int value = index + 1;
    if (value == m_parts.store.settings().LoadControl) {
        return;
    }
    if (m_parts.feed != nullptr && (m_parts.feed->latest().status(1) & kEngineTurningBit) != 0) {
        m_parts.actions.stopEngineNow();
    }
    storeIndex(FieldId::LoadControl, value);
    closeWindows({WindowCode::Fuel, WindowCode::Ignition, WindowCode::Ego});
    setupOncePerCycle();
}

void SetupWindow::stagedClicked(FieldId field, int index) {
    if (!m_ready) {
        return;
    }
    storeIndex(field, index);
    closeWindows({WindowCode::Fuel, WindowCode::Ignition});
}

// The Sensors page.

QWidget* SetupWindow::buildSensorsPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    m_airTemp = makeCombo(QStringLiteral("ComboAirTemp"), page);
    m_waterTemp = makeCombo(QStringLiteral("ComboWaterTemp"), page);
    m_tps = makeCombo(QStringLiteral("ComboTPS"), page);
    m_map = makeCombo(QStringLiteral("ComboMap"), page);
    SettingsStore& store = m_parts.store;
    m_tpsMax =
        NumericBox::forField(store, FieldId::TpsMaxBits, setupEntryRule(FieldId::TpsMaxBits), page);
    m_tpsMin =
        NumericBox::forField(store, FieldId::TpsMinBits, setupEntryRule(FieldId::TpsMinBits), page);
    m_mapMax =
        NumericBox::forField(store, FieldId::MapMaxBits, setupEntryRule(FieldId::MapMaxBits), page);
    m_mapMin =
        NumericBox::forField(store, FieldId::MapMinBits, setupEntryRule(FieldId::MapMinBits), page);
    m_tpsMax->setObjectName(QStringLiteral("TpsMaxText"));
    m_tpsMin->setObjectName(QStringLiteral("TpsMinText"));
    m_mapMax->setObjectName(QStringLiteral("MapMaxText"));
    m_mapMin->setObjectName(QStringLiteral("MapMinText"));
    m_tpsControls = {m_tpsMax, m_tpsMin,
                     label(QStringLiteral("TpsMaxLabel"), QStringLiteral("WOT  Voltage")),
                     label(QStringLiteral("TpsMinLabel"), QStringLiteral("Closed  Voltage"))};
    m_mapControls = {m_mapMax, m_mapMin,
                     label(QStringLiteral("MapMaxLabel"), QStringLiteral("Max Map (psi)")),
                     label(QStringLiteral("MapMinLabel"), QStringLiteral("Min Map (psi)"))};
    m_mapLabel = label(QStringLiteral("MapLabel"), QString());
    m_tpsLabel = label(QStringLiteral("TpsLabel"), QString());

    grid->addWidget(
        frame(QStringLiteral("AirTempFrame"), QStringLiteral("Air Temp Sensor"), m_airTemp), 0, 0,
        1, 2);
    grid->addWidget(
        frame(QStringLiteral("WaterTempFrame"), QStringLiteral("Water Temp Sensor"), m_waterTemp),
        1, 0, 1, 2);
    grid->addWidget(
        frame(QStringLiteral("TpsFrame"), QStringLiteral("Throttle Position Sensor"), m_tps), 2, 0,
        1, 2);
    grid->addWidget(m_tpsControls[2], 3, 0);
    grid->addWidget(m_tpsMax, 3, 1);
    grid->addWidget(m_tpsControls[3], 4, 0);
    grid->addWidget(m_tpsMin, 4, 1);
    grid->addWidget(m_tpsLabel, 5, 0, 1, 2);
    grid->addWidget(frame(QStringLiteral("MapFrame"), QStringLiteral("Map Sensor"), m_map), 6, 0, 1,
                    2);
    grid->addWidget(m_mapControls[2], 7, 0);
    grid->addWidget(m_mapMax, 7, 1);
    grid->addWidget(m_mapControls[3], 8, 0);
    grid->addWidget(m_mapMin, 8, 1);
    grid->addWidget(m_mapLabel, 9, 0, 1, 2);
    grid->setRowStretch(10, 1);

    for (const auto& [combo, field] :
         {std::pair{m_airTemp, FieldId::AirTempSensorType},
          std::pair{m_waterTemp, FieldId::WaterTempSensorType},
          std::pair{m_tps, FieldId::TpsSensorType}, std::pair{m_map, FieldId::MapSensorType}}) {
        combo->setWhatsThis(fieldHelp(field));
    }
    connect(m_airTemp, &QComboBox::activated, this, &SetupWindow::airTempClicked);
    connect(m_waterTemp, &QComboBox::activated, this, &SetupWindow::waterTempClicked);
    connect(m_tps, &QComboBox::activated, this, &SetupWindow::tpsClicked);
    connect(m_map, &QComboBox::activated, this, &SetupWindow::mapClicked);
    for (NumericBox* box : {m_tpsMax, m_tpsMin}) {
        connect(box, &NumericBox::stored, this, [this] {
            closeWindows({WindowCode::Fuel, WindowCode::Ignition});
        });
    }
    connect(m_mapMax, &NumericBox::stored, this,
            [this](int64_t before) { mapLimitStored(FieldId::MapMaxBits, before); });
    connect(m_mapMin, &NumericBox::stored, this,
            [this](int64_t before) { mapLimitStored(FieldId::MapMinBits, before); });
    return page;
}

void SetupWindow::setupSensors() {
    const EcuSettings& s = m_parts.store.settings();
    fill(m_airTemp,
         {QStringLiteral("No Air Temp Sensor"), QStringLiteral("GM Sensor 25036751 3/8 NPT")});
    fill(m_waterTemp,
         {QStringLiteral("No Water Temp Sensor"), QStringLiteral("GM Sensor 12146312 3/8 NPT")});
    fill(m_tps, {QStringLiteral("No TPS"), QStringLiteral("Any TPS (Closed 0-V, Open 5-V)")});
    fill(m_map, {QStringLiteral("No Map"), QStringLiteral("1 Atm - GM Sensor 16137039"),
                 QStringLiteral("2 Atm - GM Sensor 16009886"),
                 QStringLiteral("3 Atm - GM Sensor 16040749")});
    const auto fitted = [](int16_t type) {
        return static_cast<SensorFitted>(type) == SensorFitted::Fitted ? 1 : 0;
    };
    select(m_airTemp, fitted(s.AirTempSensorType));
    airTempClicked(fitted(s.AirTempSensorType));
    select(m_waterTemp, fitted(s.WaterTempSensorType));
    waterTempClicked(fitted(s.WaterTempSensorType));
    select(m_tps, fitted(s.TpsSensorType));
    tpsClicked(fitted(s.TpsSensorType));
    const int map = mapSensor(s) <= MapSensor::ThreeAtm ? s.MapSensorType : 0;
    select(m_map, map);
    mapClicked(map);
}

void SetupWindow::setupTpsLimits() {
    const bool shown = tpsSensor(m_parts.store.settings()) == SensorFitted::Fitted;
    for (QWidget* w : m_tpsControls) {
        w->setVisible(shown);
    }
    m_tpsMax->refresh();
    m_tpsMin->refresh();
}

void SetupWindow::setupMapLimits() {
    const bool shown = mapSensor(m_parts.store.settings()) != MapSensor::None;
    for (QWidget* w : m_mapControls) {
        w->setVisible(shown);
    }
    m_mapMax->refresh();
    m_mapMin->refresh();
}

void SetupWindow::airTempClicked(int index) {
    storeIndex(FieldId::AirTempSensorType, index);
}

void SetupWindow::waterTempClicked(int index) {
    storeIndex(FieldId::WaterTempSensorType, index);
}

void SetupWindow::tpsClicked(int index) {
    if (storeIndex(FieldId::TpsSensorType, index)) {
        closeWindows({WindowCode::Fuel, WindowCode::Ignition});
    }
    setupTpsLimits();
}

void SetupWindow::mapClicked(int index) {
    if (storeIndex(FieldId::MapSensorType, index)) {
        closeWindows({WindowCode::Fuel, WindowCode::Ignition});
        setupOncePerCycle();
    }
    setupMapLimits();
}

void SetupWindow::mapLimitStored(FieldId field, int64_t before) {
    closeWindows({WindowCode::Fuel, WindowCode::Ignition});
    setupOncePerCycle();
    const auto now = static_cast<int>(m_parts.store.value(field));
    rescaleMap(m_parts.store, m_parts.ui, m_parts.state.EcuOnline, now, static_cast<int>(before),
               field == FieldId::MapMaxBits);
}

void SetupWindow::upDateSetup(const LiveSample& sample) {
    m_mapLabel->setText(QStringLiteral("Map (psi)                    ") +
                        formatNumber(sample.value(LiveChannel::Map), QStringLiteral("##0.0")));
    m_tpsLabel->setText(
        QStringLiteral("TPS volts                 ") +
        formatNumber(sample.raw(LiveChannel::Tps) * 5 / 255.0, QStringLiteral("##0.00")));
}
