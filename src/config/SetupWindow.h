// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/CustomIo.h"
#include "record/WindowCode.h"

#include <QWidget>
#include <array>
#include <functional>
#include <initializer_list>

struct AppState;
class EcuActions;
class LiveFeed;
class LiveSample;
struct SettingsChange;
class NumericBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QTabWidget;
class SettingsStore;
class UserInteraction;

// "Setup": the engine, the sensors fitted, the custom outputs and the custom
// inputs, on four pages. Every accepted change is stored and sent at once;
// a change that alters the axes or meaning of another window closes it.
class SetupWindow : public QWidget {
    Q_OBJECT
public:
    struct Parts {
        AppState& state;
        SettingsStore& store;
        EcuActions& actions;
        UserInteraction& ui;
        // Closes the open window of a code, if there is one.
        std::function<void(WindowCode)> closeWindow;
        LiveFeed* feed = nullptr;
    };

    explicit SetupWindow(Parts parts, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }
    // Refreshes the live MAP and TPS captions.
    void upDateSetup(const LiveSample& sample);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildEnginePage();
    QWidget* buildSensorsPage();
    QWidget* buildOutputsPage();
    QWidget* buildInputsPage();
    void loadEngineFrame();
    void showStoredSelections();
    void setupSensors();
    void setupTpsLimits();
    void setupMapLimits();
    void setupOncePerCycle();
    void setupCustomOutputs();
    void displayCustomOutput(int k);
    void setupCustomInputs();
    void enableSecondaryRevLimit();

    // Engine and sensor list handlers; they run when the window selects an
    // entry as well as on a click.
    void cylindersClicked(int index);
    void wheelTypeClicked(int index);
    void ignitionTypeClicked(int index);
    void maxRpmClicked(int index);
    void loadControlClicked(int index);
    void airTempClicked(int index);
    void waterTempClicked(int index);
    void tpsClicked(int index);
    void mapClicked(int index);
    void stagedClicked(FieldId field, int index);
    void customOutputClicked(int k, int index);
    void analogInputClicked(int i, int index);
    void digitalInputClicked(int j, int index);

    void mapLimitStored(FieldId field, int64_t before);
    void closeWindows(std::initializer_list<WindowCode> codes);
    bool storeIndex(FieldId field, int64_t value);

    Parts m_parts;
    bool m_ready = false;
    QTabWidget* m_tabs = nullptr;

    QComboBox* m_cylinders = nullptr;
    QComboBox* m_wheelType = nullptr;
    QComboBox* m_ignitionType = nullptr;
    QComboBox* m_maxRpm = nullptr;
    QComboBox* m_loadControl = nullptr;
    QGroupBox* m_wheelFrame = nullptr;
    QGroupBox* m_oncePerCycleFrame = nullptr;
    QComboBox* m_stagedRpm = nullptr;
    QComboBox* m_stagedLoad = nullptr;
    std::array<NumericBox*, 3> m_engineBoxes{};

    QComboBox* m_airTemp = nullptr;
    QComboBox* m_waterTemp = nullptr;
    QComboBox* m_tps = nullptr;
    QComboBox* m_map = nullptr;
    std::array<QWidget*, 4> m_tpsControls{};
    std::array<QWidget*, 4> m_mapControls{};
    NumericBox* m_tpsMax = nullptr;
    NumericBox* m_tpsMin = nullptr;
    NumericBox* m_mapMax = nullptr;
    NumericBox* m_mapMin = nullptr;
    QLabel* m_mapLabel = nullptr;
    QLabel* m_tpsLabel = nullptr;

    std::array<QComboBox*, kCustomOutputs> m_outputCombos{};
    std::array<NumericBox*, 2 * kCustomOutputs> m_outputBoxes{};
    std::array<QLabel*, 2 * kCustomOutputs> m_outputLabels{};
    std::array<QComboBox*, kAnalogInputs> m_analogCombos{};
    std::array<QComboBox*, kDigitalInputs> m_digitalCombos{};
    QGroupBox* m_lcFrame = nullptr;
    NumericBox* m_lcText = nullptr;
    bool m_lcLeft = false; // the secondary rev limit box has been left since it was filled
    QLabel* m_lcLabel = nullptr;
};
