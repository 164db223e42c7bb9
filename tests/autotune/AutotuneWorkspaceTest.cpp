// SPDX-License-Identifier: GPL-3.0-or-later
// What the autotune window does without a display: the number boxes' entry,
// the grid's texts and colours, the locks, and the workspace over logs read
// in the background and over live samples, with its apply.

#include "autotune/AutotuneWorkspace.h"
#include "AutotuneData.h"
#include "RecordingInteraction.h"
#include "StoreRecord.h"
#include "autotune/ProposalView.h"
#include "record/SettingsStore.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using namespace autotune_data;

size_t at(int i) {
    return static_cast<size_t>(i);
}

// Each box takes a number within its limits, rounded to its places, with ","
// as a decimal point; anything else, or a value that leaves the settings
// without sense, changes nothing.
TEST(AutotuneChoices, BoxesTakeNumbersWithinTheirLimitsAndKeepTheSettingsSound) {
    struct Case {
        AutotuneField field;
        const char* typed;
        bool taken;
        const char* shown; // the box afterwards
    };
    const Case cases[] = {
        {AutotuneField::MinWater, "140", true, "140"},
        {AutotuneField::MinWater, "140.6", true, "141"},
        {AutotuneField::MinWater, "hot", false, "160"},
        {AutotuneField::MinWater, "600", false, "160"},
        {AutotuneField::TargetAfr, "13,25", true, "13.25"},
        {AutotuneField::ThrottleSettle, "0.25", true, "0.25"},
        {AutotuneField::MaxChange, "101", false, "15.0"},
        {AutotuneField::MaxChange, "7.55", true, "7.6"},
        {AutotuneField::Volts1, "0", false, "5.00"}, // both points at 0 V
        {AutotuneField::Afr1, "10", false, "20.00"}, // both points at 10 AFR
        {AutotuneField::MinEgoVolts, "4.9", false, "0.10"},
        {AutotuneField::MaxEgoVolts, "0.5", true, "0.50"},
        {AutotuneField::LagHighRpm, "700", false, "6000"}, // below the low point
        {AutotuneField::AutoApplySeconds, "0", false, "60"},
        {AutotuneField::AutoApplySeconds, "30", true, "30"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        AutotuneChoices choices;
        EXPECT_EQ(enterAutotuneField(choices, c.field, QString::fromLatin1(c.typed)), c.taken);
        EXPECT_EQ(autotuneFieldText(choices, c.field), QString::fromLatin1(c.shown));
    }
    AutotuneChoices choices;
    ASSERT_TRUE(enterAutotuneField(choices, AutotuneField::FuelCutSettle, "1.5"));
    EXPECT_EQ(choices.options.filters.fuelCutSettleMs, 1500);
    choices.oneTarget = true;
    EXPECT_EQ(choices.sessionOptions().targetAfr, 14.7);
    choices.oneTarget = false;
    EXPECT_FALSE(choices.sessionOptions().targetAfr.has_value());
}

// The window starts on the input in EGO mode and says why no proposal can be
// made: no load axis, an input that scales fuel or ignition, a setpoint the
// sensor's line gives no AFR for.
TEST(AutotuneChoices, StartOnTheEgoInputAndTellWhatStopsAProposal) {
    EcuSettings s = tune();
    s.UserInputAnalogMode = {1, 0, 3};
    AutotuneChoices choices = defaultAutotuneChoices(s);
    EXPECT_EQ(choices.egoInput, 2);
    EXPECT_TRUE(autotuneProblem(s, choices).isEmpty());

    choices.egoInput = 0;
    EXPECT_TRUE(autotuneProblem(s, choices).startsWith("User input 1 scales fuel"));
    choices.egoInput = 1; // off: read as plain volts
    EXPECT_TRUE(autotuneProblem(s, choices).isEmpty());

    // A line from 2 V = 10 to 3 V = 20 reads 120 counts (2.35 V) as 13.5,
    // but a setpoint of 0 V as below zero.
    choices.options.transfer = {2, 10, 3, 20};
    s.UserInputAnalogTable[0][3] = 0;
    EXPECT_TRUE(autotuneProblem(s, choices).startsWith("The EGO setpoint 0.00 V"));
    choices.oneTarget = true;
    EXPECT_TRUE(autotuneProblem(s, choices).isEmpty());

    s.LoadControl = 0;
    EXPECT_TRUE(autotuneProblem(s, choices).startsWith("The load control"));
    EXPECT_EQ(defaultAutotuneChoices(EcuSettings::withDefaults()).egoInput, 0);
}

// What a cell shows for each choice of the Show list, and its colour: grey
// when locked or without records, white with too little weight, green on
// target, towards red where it ran lean and towards blue where it ran rich,
// the full colour at the largest change.
TEST(ProposalView, CellTextsAndColoursTellTheChangeAndTheEvidence) {
    AutotuneOptions options; // least weight 5, largest change 15 %
    struct Case {
        AutotuneCell cell;
        std::array<const char*, kProposalShowCount> texts; // new, old, change, hits, weight
        RgbColour colour;
    };
    const Case cases[] = {
        {{0, 0.0, 0.0, 159, 159, false}, {"10.000", "10.000", "", "", ""}, kNoRecordsColour},
        {{3, 2.5, 11.0, 159, 159, false},
         {"10.000", "10.000", "0.0", "3", "2.5"},
         kTooLittleColour},
        {{40, 31.5, 10.0, 159, 159, false},
         {"10.000", "10.000", "0.0", "40", "31.5"},
         kOnTargetColour},
        {{40, 40, 11.5, 159, 183, false}, {"11.500", "10.000", "+15.0", "40", "40.0"}, kLeanColour},
        {{40, 40, 8.5, 159, 135, false}, {"8.500", "10.000", "-15.0", "40", "40.0"}, kRichColour},
        {{40, 40, 10.5, 159, 167, false},
         {"10.500", "10.000", "+5.0", "40", "40.0"},
         {255, 197, 197}},
        {{0, 0.0, 0.0, 15, 15, true}, {"1.000", "1.000", "", "", ""}, kLockedColour},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts[0]);
        for (int show = 0; show < kProposalShowCount; ++show) {
            EXPECT_EQ(proposalCellText(c.cell, static_cast<ProposalShow>(show)),
                      QString::fromLatin1(c.texts[at(show)]))
                << proposalShowName(static_cast<ProposalShow>(show)).toStdString();
        }
        const RgbColour colour = proposalCellColour(c.cell, options);
        EXPECT_EQ((std::array{colour.red, colour.green, colour.blue}),
                  (std::array{c.colour.red, c.colour.green, c.colour.blue}));
    }
    EXPECT_EQ(proposalCellDetail(cases[5].cell, 13, 4, options),
              "Row 14, column 5: 10.000 ms now, 10.500 ms proposed (+5.0 %); 40 hits, weight 40.0");
    EXPECT_EQ(proposalCellDetail(cases[1].cell, 0, 0, options),
              "Row 1, column 1: 10.000 ms now, 10.000 ms proposed (0.0 %); 3 hits, weight 2.5; "
              "too little data: weight below 5");
}

// A click or Space locks a block when any of its cells is unlocked, and
// unlocks it when all are locked.
TEST(ProposalView, ABlockLocksUnlessAllOfItIsLocked) {
    AutotuneGrid<bool> locked{};
    locked[1][1] = true;
    EXPECT_TRUE(toggleLocks(locked, {3, 3, 2, 2})); // grid rows and columns 2..3
    EXPECT_TRUE(locked[1][1] && locked[1][2] && locked[2][1] && locked[2][2]);
    EXPECT_FALSE(locked[0][0] || locked[3][3]);
    EXPECT_FALSE(toggleLocks(locked, {2, 2, 3, 3}));
    EXPECT_FALSE(locked[1][1] || locked[2][2]);
}

// The workspace over a store with no ECU behind it; Apply goes through the
// store as the window's undo history does.
class AutotuneWorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        workspace = std::make_unique<AutotuneWorkspace>(
            store, ui, [this](const std::vector<FieldCell>& cells) {
                sent.push_back(cells);
                store.setCells(FieldId::FuelTable, cells, SettingsStore::Send::IfChanged);
            });
    }

    QString writeLog(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    void waitForRead() {
        if (workspace->reading()) {
            QSignalSpy done(workspace.get(), &AutotuneWorkspace::readingChanged);
            ASSERT_TRUE(done.wait());
        }
    }

    const AutotuneCell& cell(int row = kRow, int column = kColumn) const {
        return workspace->proposal().cells[at(row)][at(column)];
    }

    // Live samples every 500 ms from startMs.
    void live(int samples, qint64 startMs = 0, double volts = kLeanVolts) {
        for (int i = 0; i < samples; ++i) {
            workspace->addLiveSample(sample(startMs + 500 * i, volts));
        }
    }

    QTemporaryDir dir;
    SettingsStore store{tune()};
    EcuSettings& record = recordOf(store);
    RecordingInteraction ui;
    std::vector<std::vector<FieldCell>> sent;
    std::unique_ptr<AutotuneWorkspace> workspace;
};

// The logs listed are read one after the other on a worker thread; a log
// listed twice counts once, and one that cannot be opened is told and
// leaves the list while the others are read.
TEST_F(AutotuneWorkspaceTest, LogsAreReadInTheBackgroundIntoOneProposal) {
    const QString first = writeLog("first.log", drive(30, 5));
    const QString second = writeLog("second.log", drive(20));
    const QString missing = dir.filePath("missing.log");
    QSignalSpy reading(workspace.get(), &AutotuneWorkspace::readingChanged);
    workspace->addLogs({first, second, first, missing});
    EXPECT_TRUE(workspace->reading());
    waitForRead();
    EXPECT_EQ(reading.size(), 2);
    EXPECT_EQ(workspace->logs(), (QStringList{first, second}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.startsWith("Cannot open missing.log"));

    EXPECT_EQ(workspace->counts().records, 50);
    EXPECT_EQ(workspace->counts().rejectedBy(AutotuneFilter::ColdEngine), 5);
    EXPECT_EQ(workspace->counts().used, 45);
    EXPECT_EQ(cell().hits, 45);
    EXPECT_EQ(cell().newRaw, 175);
    EXPECT_EQ(workspace->proposal().changedCells(), 1);

    // Removing a log reads the rest again.
    workspace->removeLog(0);
    waitForRead();
    EXPECT_EQ(workspace->counts().records, 20);
    EXPECT_EQ(cell().hits, 20);
}

// Apply sends the changed cells as one change; the logs, which the new table
// no longer matches, are used up, and the next proposal starts from the new
// table.
TEST_F(AutotuneWorkspaceTest, ApplySendsTheChangedCellsOnceAndUsesUpTheLogs) {
    workspace->addLogs({writeLog("drive.log", drive(40))});
    waitForRead();
    QSignalSpy applied(workspace.get(), &AutotuneWorkspace::applied);
    EXPECT_EQ(workspace->apply(), 1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (std::vector<FieldCell>{{kRow, kColumn, 175}}));
    EXPECT_EQ(applied.size(), 1);
    EXPECT_EQ(applied[0][1].toBool(), false);
    EXPECT_TRUE(workspace->logs().isEmpty());
    EXPECT_EQ(workspace->counts().records, 0);
    EXPECT_EQ(cell().oldRaw, 175);
    EXPECT_EQ(workspace->apply(), 0); // nothing left to send
    EXPECT_EQ(sent.size(), 1u);
}

// A lock takes effect at once, also on the records read before it, and
// unlocking gives the cell its records back; so do new limits, while a new
// filter reads the logs again.
TEST_F(AutotuneWorkspaceTest, LocksAndLimitsActOnTheRecordsTaken) {
    workspace->addLogs({writeLog("drive.log", drive(40))});
    waitForRead();
    const int row = kRow + 1;
    const int column = kColumn + 1;
    workspace->toggleLocks({row, column, row, column});
    EXPECT_TRUE(cell().locked);
    EXPECT_EQ(cell().newRaw, 159);
    EXPECT_EQ(workspace->counts().rejectedBy(AutotuneFilter::LockedCell), 40);
    EXPECT_EQ(workspace->counts().used, 0);
    EXPECT_EQ(workspace->apply(), 0);
    workspace->toggleLocks({row, column, row, column});
    EXPECT_EQ(cell().newRaw, 175);
    EXPECT_EQ(workspace->counts().used, 40);
    workspace->toggleLocks({1, 1, 16, 16});
    workspace->clearLocks();
    EXPECT_EQ(cell().newRaw, 175);

    AutotuneChoices choices = workspace->choices();
    choices.options.maxChangePercent = 5;
    workspace->setChoices(choices);
    EXPECT_FALSE(workspace->reading());
    EXPECT_EQ(cell().newRaw, 167); // 10.5 ms
    choices.options.filters.minWaterF = 190;
    workspace->setChoices(choices);
    EXPECT_TRUE(workspace->reading());
    waitForRead();
    EXPECT_EQ(workspace->counts().rejectedBy(AutotuneFilter::ColdEngine), 40);
    EXPECT_EQ(cell().newRaw, 159);
}

// Live samples count only with the live source; the proposal follows each of
// them and nothing is applied until Apply.
TEST_F(AutotuneWorkspaceTest, LiveSamplesUpdateTheProposalAndWaitForApply) {
    live(10);
    EXPECT_EQ(workspace->counts().records, 0);
    workspace->setSource(AutotuneSource::Live);
    QSignalSpy changed(workspace.get(), &AutotuneWorkspace::proposalChanged);
    live(30);
    EXPECT_EQ(changed.size(), 30);
    EXPECT_EQ(cell().newRaw, 175);
    live(2000, 15000); // a quarter of an hour more
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(workspace->apply(), 1);
    EXPECT_EQ(workspace->counts().records, 0);
}

// The automatic apply, once ticked, applies every period on the samples'
// clock; however often it does, no cell leaves the largest change around its
// value when the workspace started.
TEST_F(AutotuneWorkspaceTest, AutomaticApplyKeepsWithinTheLimitOfTheStart) {
    workspace->setSource(AutotuneSource::Live);
    AutotuneChoices choices = workspace->choices();
    EXPECT_FALSE(choices.autoApply);
    choices.autoApply = true;
    choices.autoApplySeconds = 10;
    workspace->setChoices(choices);
    QSignalSpy applied(workspace.get(), &AutotuneWorkspace::applied);
    // 17.6 AFR: 20 % lean, asking for 12 ms, more than 15 % allows.
    live(20 * 10 * 2 + 1, 0, 3.8); // ten periods
    std::vector<int> raws;
    for (const auto& cells : sent) {
        ASSERT_EQ(cells.size(), 1u);
        raws.push_back(cells[0].value);
        EXPECT_TRUE(applied[static_cast<int>(raws.size()) - 1][1].toBool());
    }
    // 11.500 ms is 15 % above 10 ms: raw 183, and there it stays.
    EXPECT_EQ(raws, (std::vector<int>{183}));
    EXPECT_EQ(record.FuelTable[at(kRow)][at(kColumn)], 183);
    EXPECT_EQ(cell().newRaw, 183);
}

// A change of the axes or the EGO inputs makes the proposal again from the
// samples kept; a new record (a file, a read of the ECU) starts afresh.
TEST_F(AutotuneWorkspaceTest, ChangedSettingsRestartFromTheSamplesKept) {
    workspace->setSource(AutotuneSource::Live);
    live(40);
    // 500 rpm columns: 2400 rpm falls between columns 4 and 5, nearer 5.
    store.setValue(FieldId::MaxRpm, 7500);
    EXPECT_EQ(workspace->counts().records, 40);
    EXPECT_NEAR(cell(kRow, 4).weight, 8.0, 1e-9);
    EXPECT_NEAR(cell(kRow, 5).weight, 32.0, 1e-9);

    // An edit of the table keeps the records.
    store.setCells(FieldId::FuelTable, {{kRow, 5, 160}}, SettingsStore::Send::IfChanged);
    EXPECT_EQ(workspace->counts().records, 40);
    EXPECT_EQ(cell(kRow, 5).oldRaw, 160);

    EcuSettings other = tune();
    other.FuelTable[at(kRow)][at(kColumn)] = 100;
    store.replace(other, ChangeOrigin::File);
    EXPECT_EQ(workspace->counts().records, 0);
    EXPECT_EQ(workspace->startTable()[at(kRow)][at(kColumn)], 100);

    // An input that scales fuel gives no proposal, and says why.
    store.setValue(FieldId::UserInputAnalogMode1, 1);
    live(10);
    EXPECT_TRUE(workspace->problem().startsWith("User input 2 scales fuel"));
    EXPECT_EQ(workspace->counts().records, 0);
}

} // namespace
