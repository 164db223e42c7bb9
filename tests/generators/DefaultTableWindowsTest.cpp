// SPDX-License-Identifier: GPL-3.0-or-later
#include "generators/DefaultTableWindows.h"

#include "SimulatedMainWindow.h"
#include "StartupRecord.h"
#include "config/NumericBox.h"
#include "generators/DefaultIgnitionTable.h"
#include "tables/TableEditorWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUndoStack>

#include <algorithm>

namespace {

// The default table windows in the main window, on the simulated ECU. The
// ECU holds the start-up record with flat tables, so that a generated table
// differs everywhere.
class DefaultTableWindowsTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        EcuSettings image = startupRecord();
        for (std::size_t load = 0; load < 16; ++load) {
            std::fill_n(image.FuelTable[load].begin(), 16, 40);
            std::fill_n(image.IgnitionTable[load].begin(), 16, 30);
        }
        ecu.setSettings(image);
        start();
        ASSERT_TRUE(state.EcuOnline);
        before = settings();
        ui.clear();
    }

    // The session's record.
    const EcuSettings& settings() const { return window->store().settings(); }
    template <typename T> T* open(QAction* entry) {
        entry->trigger();
        return window->findChild<T*>();
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // The bytes of every cell of a table, in the order the generator sends
    // them.
    static QByteArray cellBytes(int command, void (*generate)(EcuSettings&, const TableCellSink&)) {
        EcuSettings s = startupRecord();
        QByteArray bytes;
        generate(s, [&](int load, int rpm, int16_t raw) {
            bytes.append(char(command)).append(char(load)).append(char(rpm)).append(char(raw));
        });
        return bytes;
    }

    EcuSettings before;
};

void press(QWidget* widget, Qt::Key key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

TEST_F(DefaultTableWindowsTest, FuelTableReplacesTheEditorsTableAsOneUndoStep) {
    ASSERT_NE(open<FuelWindow>(window->menus().tuningFuel), nullptr);
    auto* fuel = open<DefaultFuelWindow>(window->menus().engineDefaultFuel);
    ASSERT_NE(fuel, nullptr);
    EXPECT_EQ(fuel->windowTitle(), "Create Default Fuel Table ");
    EXPECT_EQ(fuel->label(4)->text(), "Min Open Time 1.1875 ms");
    EXPECT_EQ(fuel->rpmBox(3)->text(), "7200");
    fuel->veBox(0)->setText(QStringLiteral("0.9"));
    press(fuel->veBox(0), Qt::Key_Escape);
    EXPECT_EQ(fuel->veBox(0)->text(), "0.55");
    EXPECT_EQ(state.fuelGenerator.ve[0], 0.55f);

    fuel->createButton()->click();
    settle();
    EXPECT_EQ(ui.boxes(), QStringList{"None|Vantrel|Current Fuel Table will be replaced!"});
    EXPECT_EQ(window->findChild<DefaultFuelWindow*>(), nullptr);
    EXPECT_EQ(window->findChild<FuelWindow*>(), nullptr); // the editor was closed
    EXPECT_EQ(settings().FuelTable[15][0], 18);
    EXPECT_EQ(link.written(), cellBytes(240, [](EcuSettings& s, const TableCellSink& sink) {
                  generateFuelTable(FuelGeneratorInputs{}, s, sink);
              }));
    EXPECT_EQ(ecu.settings().FuelTable, settings().FuelTable);

    // The editor opened again holds the generation as its one undo step.
    auto* editor = open<FuelWindow>(window->menus().tuningFuel);
    ASSERT_EQ(editor->undoStack()->count(), 1);
    editor->undoStack()->undo();
    EXPECT_EQ(settings().FuelTable, before.FuelTable);
    EXPECT_EQ(ecu.settings().FuelTable, before.FuelTable);
    EXPECT_EQ(settings().IgnitionTable, before.IgnitionTable);
}

TEST_F(DefaultTableWindowsTest, IgnitionTableFromTheStartupInputs) {
    auto* ign = open<DefaultIgnitionWindow>(window->menus().engineDefaultIgnition);
    ASSERT_NE(ign, nullptr);
    EXPECT_EQ(ign->windowTitle(), "Create Default Ignition Table");
    EXPECT_EQ(ign->box(4)->text(), " 5500 ");
    // Escape in one box shows every input again under the short top line.
    ign->box(2)->setText(QStringLiteral("999"));
    press(ign->box(5), Qt::Key_Escape);
    EXPECT_EQ(ign->label(0)->text(), "Max Rpm              9000");
    EXPECT_EQ(ign->box(2)->text(), " 1800");
    EXPECT_EQ(state.ignitionGenerator, IgnitionGeneratorInputs{});

    ign->createButton()->click();
    settle();
    EXPECT_EQ(ui.texts(), QStringList{"Current Ignition Table will be replaced!"});
    EXPECT_EQ(window->findChild<DefaultIgnitionWindow*>(), nullptr);
    for (int load = 0; load <= 15; ++load) {
        EXPECT_EQ(settings().IgnitionTable[load][3], 20);
        EXPECT_EQ(settings().IgnitionTable[load][6], 44);
        EXPECT_EQ(settings().IgnitionTable[load][12], 70);
    }
    EXPECT_EQ(link.written(), cellBytes(241, [](EcuSettings& s, const TableCellSink& sink) {
                  generateIgnitionTable(IgnitionGeneratorInputs{}, s, sink);
              }));
    EXPECT_EQ(ecu.settings().IgnitionTable, settings().IgnitionTable);
    // A whole-record change clears the history the editor will show.
    window->store().replace(before, ChangeOrigin::File);
    EXPECT_EQ(open<IgnWindow>(window->menus().tuningIgnition)->undoStack()->count(), 0);
}

// Clicks into a box, types over what it holds and presses Enter.
void typeOver(NumericBox* box, const char* text) {
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClicks(box, QString::fromLatin1(text));
    QTest::keyClick(box, Qt::Key_Return);
}

// A number far beyond a box's limits, either way, stores the nearest limit;
// "inf" and "nan" are no numbers and leave the input.
TEST_F(DefaultTableWindowsTest, HugeNumbersInTheInputBoxesStoreTheNearestLimit) {
    auto* fuel = open<DefaultFuelWindow>(window->menus().engineDefaultFuel);
    ASSERT_NE(fuel, nullptr);
    const struct {
        NumericBox* box;
        const char* typed;
        const char* shown;
        float stored;
        const float* input;
    } fuelCases[] = {
        {fuel->injectorSizeBox(), "1e19", "500.0", 500, &state.fuelGenerator.injectorSize},
        {fuel->displacementBox(), "-1e308", "1.0", 1, &state.fuelGenerator.displacement},
        {fuel->rpmBox(3), "1e308", "9000", 9000, &state.fuelGenerator.rpm[3]},
        {fuel->veBox(0), "inf", "0.55", 0.55f, &state.fuelGenerator.ve[0]},
        {fuel->veBox(1), "nan", "0.80", 0.8f, &state.fuelGenerator.ve[1]},
        {fuel->veBox(2), "-1e19", "0.00", 0, &state.fuelGenerator.ve[2]},
    };
    for (const auto& c : fuelCases) {
        typeOver(c.box, c.typed);
        EXPECT_EQ(c.box->text(), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(*c.input, c.stored) << c.typed;
    }

    auto* ign = open<DefaultIgnitionWindow>(window->menus().engineDefaultIgnition);
    ASSERT_NE(ign, nullptr);
    const struct {
        int box;
        const char* typed;
        const char* shown;
    } ignitionCases[] = {
        {1, "1e308", " 50.0"}, {2, "-1e19", " 0"},  {3, "-1e308", " 5.0"},
        {4, "nan", " 5500 "},  {9, "inf", " 35.0"}, {5, "1e19", " 50.0"},
    };
    for (const auto& c : ignitionCases) {
        typeOver(ign->box(c.box), c.typed);
        EXPECT_EQ(ign->box(c.box)->text(), QString::fromLatin1(c.shown)) << c.typed;
    }
    EXPECT_EQ(state.ignitionGenerator.initialAdvance, 50.0f);
    EXPECT_EQ(state.ignitionGenerator.maxRpmInitialAdvance, 0.0f);
    EXPECT_EQ(state.ignitionGenerator.finalAdvance, 5.0f);
    EXPECT_EQ(state.ignitionGenerator.minRpmFinalAdvance, 5500.0f);
    EXPECT_EQ(state.ignitionGenerator.advanceLimit, 35.0f);
    EXPECT_EQ(state.ignitionGenerator.initialAdvanceMap, 50.0f);
    EXPECT_TRUE(link.written().isEmpty());
}

TEST_F(DefaultTableWindowsTest, CancelKeepsTheTableAndTheEditor) {
    ASSERT_NE(open<IgnWindow>(window->menus().tuningIgnition), nullptr);
    auto* ign = open<DefaultIgnitionWindow>(window->menus().engineDefaultIgnition);
    ui.answers.push_back(UserInteraction::Answer::Cancel);
    ign->createButton()->click();
    settle();
    EXPECT_EQ(window->findChild<DefaultIgnitionWindow*>(), nullptr);
    EXPECT_NE(window->findChild<IgnWindow*>(), nullptr);
    EXPECT_TRUE(link.written().isEmpty());
    EXPECT_EQ(settings().IgnitionTable, before.IgnitionTable);
}

TEST_F(DefaultTableWindowsTest, MaxRpmChangeClosesTheWindowAndReopensItWithTheResetValues) {
    open<DefaultIgnitionWindow>(window->menus().engineDefaultIgnition);
    state.ignitionGenerator.advanceLimit = 0.0f; // as a change of MaxRpm leaves it
    window->store().setValue(FieldId::MaxRpm, 6000);
    settle();
    EXPECT_EQ(window->findChild<DefaultIgnitionWindow*>(), nullptr);
    auto* ign = open<DefaultIgnitionWindow>(window->menus().engineDefaultIgnition);
    const QStringList expected{" 10.0", " 1200", " 25.0", " 2400 ", " 25.0",
                               " 6.0",  " 2.0",  " 13.0", " 50.0"};
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(ign->box(n)->text(), expected[n - 1]) << n;
    }
}

} // namespace
