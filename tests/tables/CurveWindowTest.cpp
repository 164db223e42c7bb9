// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/CurveWindow.h"

#include "RecordingInteraction.h"
#include "comm/EcuLine.h"
#include "monitor/Acquisition.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"
#include "tables/CurveGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <memory>

namespace {

// The curve windows against the simulated ECU, through the real line and store.
class CurveWindowTest : public ::testing::Test {
protected:
    SimulatedEcu ecu;
    SimulatedLink link{&ecu};
    RecordingInteraction ui;
    AppState state;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<EcuLine> line;
    std::unique_ptr<Acquisition> acquisition;

    void SetUp() override {
        EcuSettings image = SimulatedEcu::defaultImage();
        image.AirTempSensorType = 1;
        image.WaterTempSensorType = 1;
        image.AirTempFuelComp.fill(100);
        image.AirTempIgnitionComp.fill(128);
        image.UserInputAnalogMode = {1, 3, 0};
        image.UserInputAnalogTable[0].fill(100);
        image.UserInputAnalogTable[1].fill(100);
        ecu.setSettings(image);
        state.EcuOnline = true;
        store = std::make_unique<SettingsStore>(image);
        line = std::make_unique<EcuLine>(state, *store, link, ui);
        acquisition = std::make_unique<Acquisition>(state, *line);
        store->setSender(line->sender());
    }

    template <typename W> std::unique_ptr<W> open() {
        auto window = std::make_unique<W>(state, *store, acquisition.get());
        window->resize(900, 500);
        window->show();
        link.clearWritten();
        return window;
    }
    static void type(CurveGrid* grid, int column, int columnSel, const char* keys) {
        grid->selectRun(column, columnSel);
        QTest::keyClicks(grid->grid(), QString::fromLatin1(keys).left(1));
        QTest::keyClicks(grid->editBox(), QString::fromLatin1(keys).mid(1));
    }
    // Curve writes: code, slot, value for each point.
    static QByteArray writes(int code, const std::vector<std::pair<int, int>>& points) {
        QByteArray bytes;
        for (const auto& [slot, value] : points) {
            bytes.append(char(code)).append(char(slot)).append(char(value));
        }
        return bytes;
    }
};

TEST_F(CurveWindowTest, CompensationEntrySmoothUndoAndHiddenGrids) {
    auto window = open<Comp1Window>();
    CurveGrid* ignition = window->grids()[3];
    // A run typed from its right end: column 5 first, then 4 and 3.
    type(ignition, 5, 3, "-7,5x");
    EXPECT_EQ(ignition->editBox()->text(), "-7,5");
    EXPECT_TRUE(acquisition->held());
    QTest::keyClick(ignition->editBox(), Qt::Key_Return);
    EXPECT_FALSE(acquisition->held());
    EXPECT_EQ(link.written(), writes(223, {{4, 113}, {3, 113}, {2, 113}}));
    EXPECT_EQ(ecu.settings().AirTempIgnitionComp[2], 113);
    EXPECT_EQ(ignition->grid()->item(1, 4)->text(), "-7.5");

    // Smoothing the run 1..5 (ends 128 and 113) sends only what changed.
    link.clearWritten();
    ignition->selectRun(1, 5);
    window->smoothButton()->click();
    EXPECT_EQ(link.written(), writes(223, {{1, 124}, {2, 120}, {3, 117}}));
    // One cell smooths nothing; undo sends the old values back.
    link.clearWritten();
    ignition->selectRun(2, 2);
    window->smooth();
    EXPECT_TRUE(link.written().isEmpty());
    window->undoStack()->undo();
    EXPECT_EQ(link.written(), writes(223, {{3, 113}, {2, 113}, {1, 128}}));

    // Without an air temperature sensor its fuel curve is hidden and never smoothed.
    window->grids()[0]->selectRun(1, 4);
    SettingsStore::Send never = SettingsStore::Send::Never;
    store->setValue(FieldId::AirTempSensorType, 0, never);
    EXPECT_FALSE(window->grids()[0]->isVisibleTo(window.get()));
    store->setCells(FieldId::AirTempFuelComp, {{4, 0, 180}}, never);
    link.clearWritten();
    window->smooth();
    EXPECT_TRUE(link.written().isEmpty());
}

TEST_F(CurveWindowTest, ClosingWithAnEditOpenAppliesItAndLetsThePollRun) {
    auto comp = open<Comp1Window>();
    type(comp->grids()[0], 2, 2, "150");
    comp->close();
    EXPECT_FALSE(acquisition->held());
    EXPECT_EQ(link.written(), writes(224, {{1, 150}}));

    // Text that is not a number is dropped the same way.
    auto input = open<InputWindow>();
    type(input->grids()[0], 3, 3, "-");
    input->close();
    EXPECT_FALSE(acquisition->held());
    EXPECT_TRUE(link.written().isEmpty());
}

TEST_F(CurveWindowTest, ChargeTimesAreKeptButNeverSent) {
    auto window = open<ChargeWindow>();
    CurveGrid* grid = window->grids()[0];
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("NotStoredLabel"))
                    ->text()
                    .contains(QStringLiteral("not stored in the ECU")));
    type(grid, 1, 3, "300");
    QTest::keyClick(grid->editBox(), Qt::Key_Return);
    EXPECT_EQ(store->settings().ChargeTimeTable[2], 255);
    EXPECT_EQ(grid->grid()->item(1, 3)->text(), " 255");
    type(grid, 4, 4, "1/2");
    window->close();
    EXPECT_EQ(store->settings().ChargeTimeTable[3], 100);
    window->undoStack()->undo();
    EXPECT_EQ(store->settings().ChargeTimeTable[0], 100);
    EXPECT_TRUE(link.written().isEmpty());
}

TEST_F(CurveWindowTest, UserInputsSmoothOnlyAShownGrid) {
    auto window = open<InputWindow>();
    EXPECT_EQ(window->grids()[1]->title()->text(), "User Input #2   -  EGO ");
    // The EGO input's grid is hidden: entering it cannot make it smoothable.
    window->grids()[1]->selectRun(1, 6);
    store->setCells(FieldId::UserInputAnalogTable1, {{5, 0, 200}}, SettingsStore::Send::Never);
    link.clearWritten();
    window->smooth();
    EXPECT_TRUE(link.written().isEmpty());

    CurveGrid* fuel = window->grids()[0];
    type(fuel, 3, 3, "300");
    QTest::keyClick(fuel->editBox(), Qt::Key_Return);
    fuel->selectRun(1, 3);
    window->smooth();
    EXPECT_EQ(link.written(), writes(217, {{2, 255}, {1, 178}}));
}

} // namespace
