// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/Comp2Window.h"
#include "config/EgoWindow.h"

#include "SimulatedMainWindow.h"
#include "StoreRecord.h"
#include "app/MenuBuilder.h"
#include "config/NumericBox.h"
#include "config/SetupWindow.h"
#include "monitor/Acquisition.h"
#include "record/NumberFormat.h"
#include "record/SensorConversions.h"
#include "tables/CurveGrid.h"
#include "tables/TableEditorWindow.h"
#include "tables/TableGridModel.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace {

// The compensation and EGO windows opened from the Tuning menu of the main
// window on the simulated ECU; every byte the program writes is checked.
class CompensationWindowsTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        EcuSettings image = SimulatedEcu::defaultImage();
        image.TpsSensorType = 1;
        image.WaterTempSensorType = 0;
        image.LoadControl = 2;
        image.EgoMaxRpm = 15;
        image.EgoMinRpm = 2;
        image.EgoControl = 1;
        image.CrankPercent[0] = 100;
        image.UserInputAnalogTable[0].fill(100);
        ecu.setSettings(image);
        start();
    }

    // The session's record, written as setup, unsent.
    EcuSettings& record() const { return recordOf(window->store()); }
    template <typename T> T* child(QWidget* parent, const QString& name) {
        T* w = parent->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    void type(QWidget* parent, const QString& box, const QString& text) {
        auto* b = child<NumericBox>(parent, box);
        b->setText(text);
        QTest::keyClick(b, Qt::Key_Return);
    }
    static QByteArray bytes(std::initializer_list<int> values) {
        QByteArray out;
        for (int v : values) {
            out.append(char(v));
        }
        return out;
    }
};

TEST_F(CompensationWindowsTest, Comp2BoxesSendTheirCountsBesideTheDataWindow) {
    window->menus().tuningComp2->trigger();
    auto* comp2 = window->findChild<Comp2Window*>();
    ASSERT_NE(comp2, nullptr);
    EXPECT_NE(window->dataWindow(), nullptr);
    EXPECT_EQ(window->activeWindow(), WindowCode::Comp2);

    // Untouched text and an entry equal to the stored count send nothing.
    child<NumericBox>(comp2, QStringLiteral("CrankRpmText"))->commit();
    type(comp2, QStringLiteral("CrankPercentText0"),
         QString::number(2 * window->store().settings().CrankPercent[0] + 1));
    EXPECT_TRUE(link.written().isEmpty());

    type(comp2, QStringLiteral("CrankPercentText0"), QStringLiteral("251"));
    type(comp2, QStringLiteral("AccelRpmText"), QStringLiteral("4660"));
    type(comp2, QStringLiteral("CylinderText1"), QStringLiteral("130"));
    EXPECT_EQ(link.written(), bytes({220, 125, 234, 0x12, 0x34, 147, 125}));
    EXPECT_EQ(child<NumericBox>(comp2, QStringLiteral("CrankPercentText0"))->text(), " 250");
    EXPECT_EQ(ecu.settings().CrankPercent[0], 125);

    // Without a water sensor only the coldest cranking point can be edited.
    EXPECT_TRUE(child<NumericBox>(comp2, QStringLiteral("CrankPercentText0"))->isEnabled());
    EXPECT_FALSE(child<NumericBox>(comp2, QStringLiteral("CrankPercentText1"))->isEnabled());
    EXPECT_TRUE(child<NumericBox>(comp2, QStringLiteral("AccelRpmText"))->isEnabled());

    // Closing with a box being edited takes its entry first.
    auto* prime = child<NumericBox>(comp2, QStringLiteral("CrankPrimeText"));
    prime->setFocus();
    prime->setText(QStringLiteral("2.3"));
    link.clearWritten();
    window->menus().fileCloseActiveWindow->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(link.written(), bytes({231, 10}));
    EXPECT_EQ(window->findChild<Comp2Window*>(), nullptr);
}

TEST_F(CompensationWindowsTest, EgoRoutingListsBoxesAndSetpoints) {
    record().UserInputAnalogMode = {0, 0, 0};
    ui.clear();
    window->menus().tuningEgo->trigger();
    EXPECT_EQ(ui.texts(), QStringList{"EGO Channel Not Selected!\r\nGoto Setup"});
    EXPECT_EQ(window->findChild<EgoWindow*>(), nullptr);

    // Every window but the time history plot closes before the EGO window opens.
    window->menus().plotRealTime->trigger();
    window->menus().tuningComp2->trigger();
    record().UserInputAnalogMode = {3, 0, 0};
    link.clearWritten();
    window->menus().tuningEgo->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto* ego = window->findChild<EgoWindow*>();
    ASSERT_NE(ego, nullptr);
    EXPECT_EQ(window->dataWindow(), nullptr);
    EXPECT_EQ(window->findChild<Comp2Window*>(), nullptr);
    EXPECT_NE(window->timeHistoryWindow(), nullptr);
    EXPECT_EQ(window->activeWindow(), WindowCode::Ego);
    EXPECT_TRUE(link.written().isEmpty()); // every stored value is in its list
    EXPECT_EQ(ego->maxMinCombo(2)->itemText(0), "105.0 %");

    // A list sends its nibble pair; a gain its count.
    ego->maxMinCombo(1)->activated(4);
    type(ego, QStringLiteral("EgoTextBox7"), QStringLiteral("2.34"));
    EXPECT_EQ(link.written(), bytes({129, 15 * 16 + 4, 131, 23}));

    // 2.5 V over points 2..5 typed from the right end; 128 each.
    link.clearWritten();
    CurveGrid* grid = ego->grids().front();
    EXPECT_EQ(grid->grid()->item(0, 0)->text(), "Tps");
    EXPECT_EQ(grid->grid()->item(1, 1)->text(), "1.96");
    grid->selectRun(6, 3);
    QTest::keyClicks(grid->grid(), QStringLiteral("2"));
    QTest::keyClicks(grid->editBox(), QStringLiteral(",.5"));
    EXPECT_TRUE(window->acquisition().held());
    // Closing the window applies the open edit and lets the poll run again.
    window->menus().fileCloseActiveWindow->trigger();
    EXPECT_FALSE(window->acquisition().held());
    EXPECT_EQ(link.written(), bytes({217, 5, 128, 217, 4, 128, 217, 3, 128, 217, 2, 128}));
}

// Stored values that no list entry holds are fixed when the window opens:
// the rpm pair, then the load pair, then the switch.
TEST_F(CompensationWindowsTest, EgoOpeningSendsItsListFixesPairsFirst) {
    EcuSettings& s = record();
    s.UserInputAnalogMode = {3, 0, 0};
    s.EgoMaxRpm = 20;
    s.EgoMinRpm = 2;
    s.EgoMaxLoad = 12;
    s.EgoMinLoad = 16;
    s.EgoControl = 2;
    window->menus().tuningEgo->trigger();
    ASSERT_NE(window->findChild<EgoWindow*>(), nullptr);
    EXPECT_EQ(link.written(), bytes({129, 0 * 16 + 2, 130, 12 * 16 + 0, 136, 0}));
}

// With narrowed MAP limits a load index names the same pressure in the EGO
// lists and setpoint header, the staged-injection list and the fuel table.
TEST_F(CompensationWindowsTest, EgoLoadsFollowTheTablesMapAxis) {
    EcuSettings& s = record();
    s.UserInputAnalogMode = {3, 0, 0};
    s.LoadControl = 1;
    s.MapSensorType = 2;
    s.MapMinBits = 40;
    s.MapMaxBits = 200;
    window->menus().tuningEgo->trigger();
    auto* ego = window->findChild<EgoWindow*>();
    ASSERT_NE(ego, nullptr);
    QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    auto* staged = window->findChild<SetupWindow*>()->findChild<QComboBox*>("OncePerCycleCombo1");
    auto* fuel = window->findChild<TableEditorWindow*>();
    ASSERT_NE(staged, nullptr);
    ASSERT_NE(fuel, nullptr);
    EXPECT_TRUE(link.written().isEmpty());

    const auto value = [](QString text) {
        return text.remove(QStringLiteral("psi")).remove(QLatin1Char(',')).trimmed().toDouble();
    };
    QTableWidget* header = ego->grids().front()->grid();
    QAbstractItemModel* table = fuel->grid()->model();
    for (int k = 0; k <= 15; ++k) {
        SCOPED_TRACE(k);
        const double load = value(staged->itemText(15 - k));
        EXPECT_EQ(value(header->item(0, k + 1)->text()), load);
        EXPECT_EQ(value(ego->maxMinCombo(2)->itemText(15 - k)), load);
        EXPECT_EQ(value(ego->maxMinCombo(3)->itemText(15 - k)), load);
        EXPECT_EQ(value(table->headerData(15 - k, Qt::Vertical).toString()), load);
    }
    // The ends are the pressures of the two limits.
    EXPECT_EQ(header->item(0, 1)->text(), formatNumber(mapCountsToPsi(2, 40), "###,##0.0") + " ");
    EXPECT_EQ(header->item(0, 16)->text(), formatNumber(mapCountsToPsi(2, 200), "###,##0.0") + " ");
    EXPECT_EQ(ego->maxMinCombo(2)->itemText(0),
              formatNumber(mapCountsToPsi(2, 200), " ###,##0.0 psi"));
}

} // namespace
