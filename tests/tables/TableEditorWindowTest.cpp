// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableEditorWindow.h"

#include "RecordingInteraction.h"
#include "StoreRecord.h"
#include "comm/EcuLine.h"
#include "monitor/Acquisition.h"
#include "record/AppState.h"
#include "record/EngineData.h"
#include "record/SettingsStore.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"
#include "tables/TableGridModel.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace {

// The editors against the simulated ECU, through the real line and store.
class TableEditorWindowTest : public ::testing::Test {
protected:
    SimulatedEcu ecu;
    SimulatedLink link{&ecu};
    RecordingInteraction ui;
    AppState state;
    EngineData engine = EngineData::withChannelLayout();
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<EcuLine> line;
    std::unique_ptr<Acquisition> acquisition;
    std::unique_ptr<TableEditorWindow> window;

    void SetUp() override {
        EcuSettings image = SimulatedEcu::defaultImage();
        for (auto& row : image.FuelTable) {
            row.fill(40);
        }
        ecu.setSettings(image);
        state.EcuOnline = true;
        store = std::make_unique<SettingsStore>(image);
        line = std::make_unique<EcuLine>(state, *store, link, ui);
        acquisition = std::make_unique<Acquisition>(state, *line);
        store->setSender(line->sender());
        window = std::make_unique<FuelWindow>(state, *store, ui, acquisition.get());
        window->resize(900, 600);
        window->show();
        link.clearWritten();
    }

    // The bytes of the fuel cell commands, one (row, column, raw) per cell.
    static QByteArray fuelCells(const std::vector<FieldCell>& cells) {
        QByteArray bytes;
        for (const FieldCell& c : cells) {
            bytes.append(char(240)).append(char(c.index1)).append(char(c.index2));
            bytes.append(char(c.value));
        }
        return bytes;
    }
    int fuel(int row, int column) const {
        return store->settings().FuelTable[std::size_t(row)][std::size_t(column)];
    }
    int ecuFuel(int row, int column) const {
        return ecu.settings().FuelTable[std::size_t(row)][std::size_t(column)];
    }
    void type(const char* keys) { QTest::keyClicks(window->grid(), QString::fromLatin1(keys)); }
    // A poll's sample of the live values set in the test.
    void poll() { window->upDate(LiveSample::fromEngineData(engine, 0)); }
};

TEST_F(TableEditorWindowTest, EntryKeysAndOnlyChangedCellsSentInWalkOrder) {
    recordOf(*store).FuelTable[1][1] = 127;
    ecu.setSettings(store->settings());
    window->select({1, 3, 3, 2}); // a 3 x 2 block from its top-right corner
    QTest::keyClick(window->grid(), Qt::Key_A);
    EXPECT_FALSE(window->editBox()->isVisible());
    EXPECT_FALSE(acquisition->held());

    type("8");
    EXPECT_TRUE(window->editBox()->isVisible());
    EXPECT_TRUE(acquisition->held());
    QTest::keyClicks(window->editBox(), QStringLiteral("x-"));
    EXPECT_EQ(window->editBox()->text(), "8");
    QTest::keyClick(window->editBox(), Qt::Key_Return);

    // Column 3 rows 1..3, then column 2 rows 1..3; (2, 2) already held 127.
    EXPECT_EQ(link.written(),
              fuelCells({{0, 2, 127}, {1, 2, 127}, {2, 2, 127}, {0, 1, 127}, {2, 1, 127}}));
    EXPECT_EQ(ecuFuel(2, 1), 127);
    EXPECT_EQ(window->grid()->model()->index(0, 1).data().toString(), "8.000");
    EXPECT_FALSE(acquisition->held());
    const GridSelection s = window->selection();
    EXPECT_EQ((std::array{s.row, s.column, s.rowSel, s.columnSel}), (std::array{1, 3, 3, 2}));

    // A "," is a decimal point; Escape drops the entry.
    link.clearWritten();
    window->select({5, 5, 5, 5});
    type("1");
    QTest::keyClicks(window->editBox(), QStringLiteral(",5"));
    QTest::keyClick(window->editBox(), Qt::Key_Enter);
    EXPECT_EQ(fuel(4, 4), 23);
    type("9");
    QTest::keyClick(window->editBox(), Qt::Key_Escape);
    EXPECT_EQ(fuel(4, 4), 23);
    EXPECT_EQ(link.written(), fuelCells({{4, 4, 23}}));
    EXPECT_EQ(window->undoStack()->count(), 2);
}

TEST_F(TableEditorWindowTest, BlockOperationIsOneStepThatUndoAndRedoSendAgain) {
    recordOf(*store).FuelTable[0][0] = 255; // stays at the top of the range
    ecu.setSettings(store->settings());
    QSignalSpy updates(window->grid()->model(), &QAbstractItemModel::dataChanged);
    window->select({2, 2, 1, 1});
    window->operandBox(Operand::Amount)->setText(QStringLiteral("0,1"));
    window->arithmetic(BlockArithmetic::Add);
    EXPECT_EQ(window->operandBox(Operand::Amount)->text(), "  0.1250");
    // Every cell, changed or not, column 2 then column 1, each from row 2.
    EXPECT_EQ(link.written(), fuelCells({{1, 1, 42}, {0, 1, 42}, {1, 0, 42}, {0, 0, 255}}));
    EXPECT_EQ(updates.size(), 1);
    EXPECT_EQ(window->undoStack()->count(), 1);

    link.clearWritten();
    window->undoStack()->undo();
    EXPECT_EQ(fuel(1, 1), 40);
    EXPECT_EQ(ecuFuel(1, 1), 40);
    EXPECT_EQ(ecuFuel(0, 0), 255);
    EXPECT_EQ(updates.size(), 2);
    link.clearWritten();
    window->undoStack()->redo();
    EXPECT_EQ(link.written(), fuelCells({{1, 1, 42}, {0, 1, 42}, {1, 0, 42}}));
    EXPECT_EQ(ecuFuel(0, 1), 42);

    // A file or a read of the ECU replaces the record: no history left.
    const EcuSettings loaded = store->settings();
    store->replace(loaded, ChangeOrigin::File);
    EXPECT_EQ(window->undoStack()->count(), 0);
}

TEST_F(TableEditorWindowTest, ClipboardRoundTripWithASpreadsheetBlock) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("1\t2.5\r\n0,0625\t20\r\n"));
    window->select({3, 4, 3, 4});
    window->findChild<QAction*>(QStringLiteral("PasteAction"))->trigger();
    EXPECT_EQ((std::array{fuel(2, 3), fuel(2, 4), fuel(3, 3), fuel(3, 4)}),
              (std::array{15, 39, 0, 255}));
    EXPECT_EQ(ecuFuel(3, 3), 0);
    window->select({3, 4, 4, 5});
    window->copyBlock();
    EXPECT_EQ(clipboard->text(), "1\t2.5\n0.0625\t16\n");

    struct Refused {
        const char* text;
        GridSelection at;
        const char* message;
    };
    const Refused refused[] = {
        {"1\tx\n", {1, 1, 1, 1}, "\"x\" in line 1, item 2 is not a number. Nothing was pasted."},
        {"1\t2\n",
         {16, 16, 16, 16},
         "The block of 1 row by 2 columns does not fit the table from row 16, column 16. "
         "Nothing was pasted."},
    };
    for (const Refused& r : refused) {
        ui.clear();
        link.clearWritten();
        clipboard->setText(QString::fromLatin1(r.text));
        window->select(r.at);
        window->pasteBlock();
        EXPECT_EQ(ui.texts(), QStringList{r.message});
        EXPECT_TRUE(link.written().isEmpty());
    }
    EXPECT_EQ(window->undoStack()->count(), 1);
}

TEST_F(TableEditorWindowTest, OperatingCellsRepaintOnlyWhenTheyOrTheCursorMove) {
    recordOf(*store).LoadControl = 2;
    recordOf(*store).MaxRpm = 7500;
    engine.TpsChannel.Value = 50;   // rows 8 and 9
    engine.RpmChannel.Value = 1000; // columns 3 and 4
    auto* model = static_cast<TableGridModel*>(window->grid()->model());
    QAction* smart = window->findChild<QAction*>(QStringLiteral("SmartAddAction"));
    EXPECT_FALSE(smart->isEnabled());

    QSignalSpy updates(model, &QAbstractItemModel::dataChanged);
    poll();
    EXPECT_TRUE(model->isRed(8, 3) && model->isRed(8, 4) && model->isRed(9, 3) &&
                model->isRed(9, 4));
    EXPECT_TRUE(smart->isEnabled());
    poll();
    EXPECT_EQ(updates.size(), 1);
    window->select({2, 2, 2, 2});
    poll();
    EXPECT_GT(updates.size(), 1);

    // Smart add in the middle third of both spacings moves all four cells.
    engine.TpsChannel.Value = 52.5;
    engine.RpmChannel.Value = 1250;
    poll();
    link.clearWritten();
    smart->trigger();
    EXPECT_EQ(link.written(), fuelCells({{7, 2, 41}, {7, 3, 41}, {8, 2, 41}, {8, 3, 41}}));

    state.EcuOnline = false;
    poll();
    EXPECT_FALSE(model->isRed(8, 3));
    EXPECT_FALSE(smart->isEnabled());
}

} // namespace
