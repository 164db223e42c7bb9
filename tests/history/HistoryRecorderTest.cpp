// SPDX-License-Identifier: GPL-3.0-or-later
// The window program's automatic snapshots, taken as the tuner works through
// the menus and keys on the simulated ECU, and the question after Find ECU
// when the ECU holds something else than it was known to hold, checked by
// the bytes each answer puts on the line.

#include "HistoryMainWindow.h"
#include "files/DifferenceView.h"
#include "history/ReconnectDialog.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <functional>

namespace {

using Source = SnapshotSource;

class HistoryRecorderTest : public HistoryMainWindow {};

struct Kept {
    Source source;
    const char* file; // the file's name, empty for none
    bool ecu;         // the ECU's serial kept with it
    int revLimit;     // what the snapshot holds
};

struct Step {
    const char* what;
    std::function<void()> act;
    std::vector<Kept> kept; // oldest first
};

TEST_F(HistoryRecorderTest, EveryReadSendStoreAndSaveKeepsASnapshotOfWhatHappened) {
    start();
    const int atStart = window->store().settings().RevLimit;
    EcuSettings fileB = window->store().settings();
    fileB.RevLimit = 6500;
    const Step steps[] = {
        {"the read after the search at start", [] {}, {{Source::ReadFromEcu, "", true, atStart}}},
        {"Save Settings to ECU",
         [this] { press(QKeySequence("Ctrl+S")); },
         {{Source::StoredInEcu, "", true, atStart}}},
        {"Save As a new file",
         [this] {
             chosenFile = path("a.ecu");
             window->menus().fileSaveAs->trigger();
         },
         {{Source::FileSaved, "a.ecu", true, atStart}}},
        {"a change saved over the file keeps its old contents too",
         [this] {
             window->store().setValue(FieldId::RevLimit, 7000);
             window->menus().fileSave->trigger();
         },
         {{Source::FileOverwritten, "a.ecu", false, atStart},
          {Source::FileSaved, "a.ecu", true, 7000}}},
        {"the same save again is no new state",
         [this] { window->menus().fileSave->trigger(); },
         {}},
        {"a file opened is kept and sent whole",
         [this, &fileB] {
             chosenFile = path("b.ecu");
             ASSERT_TRUE(saveEcuFile(chosenFile, fileB).ok());
             press(QKeySequence("Ctrl+O"));
         },
         {{Source::FileOpened, "b.ecu", false, 6500}, {Source::SentToEcu, "b.ecu", true, 6500}}},
        {"Find ECU while online reads nothing", [this] { press(QKeySequence("Ctrl+U")); }, {}},
        {"Find ECU once the line was lost reads the ECU again",
         [this] {
             loseEcu();
             press(QKeySequence("Ctrl+U"));
         },
         {{Source::ReadFromEcu, "", true, 6500}}},
    };
    qint64 seen = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        std::vector<SnapshotInfo> added;
        for (const SnapshotInfo& s : snapshots()) {
            if (s.id > seen) {
                added.insert(added.begin(), s);
            }
        }
        ASSERT_EQ(added.size(), step.kept.size());
        for (std::size_t i = 0; i < added.size(); ++i) {
            const SnapshotInfo& s = added[i];
            const Kept& k = step.kept[i];
            EXPECT_EQ(s.source, k.source) << i;
            EXPECT_EQ(s.path, *k.file != '\0' ? path(k.file) : QString()) << i;
            EXPECT_EQ(s.ecu.has_value(), k.ecu) << i;
            if (k.ecu) {
                EXPECT_EQ(s.ecu->serial, state.identity.SerialNumberText);
            }
            EXPECT_EQ(settingsOf(s.id).RevLimit, k.revLimit) << i;
            seen = s.id;
        }
    }
    EXPECT_TRUE(ui.boxes().filter("history", Qt::CaseInsensitive).isEmpty());
}

// An ECU that lost a send it never stored holds its older settings at the
// next start; once the tuner keeps them, the start after asks no more.
TEST_F(HistoryRecorderTest, TheEcusSettingsKeptAreWhatTheNextStartComparesWith) {
    start();
    const EcuSettings stored = window->store().settings();
    EcuSettings sent = stored;
    sent.RevLimit = 6900;
    chosenFile = path("sent.ecu");
    ASSERT_TRUE(saveEcuFile(chosenFile, sent).ok());
    press(QKeySequence("Ctrl+O"));
    ASSERT_EQ(ecu.settings(), sent);
    window.reset();
    ecu.setSettings(stored); // switched off and on

    int asked = 0;
    for (int run = 0; run < 2; ++run) {
        const ModalAnswer<ReconnectDialog> keep([&](ReconnectDialog& dialog) {
            ++asked;
            QTest::mouseClick(dialog.keepButton(), Qt::LeftButton);
        });
        start();
        window.reset();
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ecu.settings(), stored);
}

// What the question after Find ECU is about: the ECU's latest snapshot, or
// a file whose send was cut off.
enum class Reference { Snapshot, CutOffFile };

struct Answer {
    const char* name;
    Reference reference;
    ReconnectAnswer answer;
    bool sends;     // the reference goes to the ECU whole
    bool asksAgain; // the next search, the line lost once more, asks again
};

void PrintTo(const Answer& answer, std::ostream* out) {
    *out << answer.name;
}

class ReconnectTest : public HistoryMainWindow, public ::testing::WithParamInterface<Answer> {};

TEST_P(ReconnectTest, NothingIsSentWithoutTheTunersChoice) {
    const Answer& a = GetParam();
    start();
    const EcuSettings known = window->store().settings(); // kept when read at start
    EcuSettings other = known;                            // what the ECU holds by the search
    other.RevLimit = 7100;
    other.FuelTable[3][4] = static_cast<int16_t>(other.FuelTable[3][4] + 20);
    EcuSettings reference = known;
    if (a.reference == Reference::Snapshot) {
        // Another program changed the ECU while the line was los
        loseEcu();
        ecu.setSettings(other);
    } else {
        // The send of a file is cut off in the fuel table: the ECU holds
        // its first settings only.
        reference.RevLimit = 7100;
        reference.FuelTable[12][3] = static_cast<int16_t>(reference.FuelTable[12][3] + 9);
        chosenFile = path("tune.ecu");
        ASSERT_TRUE(saveEcuFile(chosenFile, reference).ok());
        ecu.setSilentAfterWrites(300);
        press(QKeySequence("Ctrl+O"));
        ASSERT_FALSE(state.EcuOnline);
        ecu.setSilent(false);
        other = ecu.settings();
        ui.clear();
    }

    QString text;
    QStringList settingRows;
    int pages = 0;
    ModalAnswer<ReconnectDialog> choice([&](ReconnectDialog& dialog) {
        text = dialog.text()->text();
        const QTableWidget* grid = dialog.differenceView()->settingsGrid();
        for (int row = 0; grid != nullptr && row < grid->rowCount(); ++row) {
            settingRows << grid->item(row, 0)->text() + ": " + grid->item(row, 1)->text() + " -> " +
                               grid->item(row, 2)->text();
        }
        pages = dialog.differenceView()->pages()->count();
        link.clearWritten();
        QPushButton* button = a.answer == ReconnectAnswer::KeepEcuSettings ? dialog.keepButton()
                              : a.answer == ReconnectAnswer::SendReference ? dialog.sendButton()
                                                                           : dialog.laterButton();
        QTest::mouseClick(button, Qt::LeftButton);
    });
    press(QKeySequence("Ctrl+U"));
    ASSERT_EQ(choice.shown(), 1);
    EXPECT_TRUE(text.startsWith("The settings read from the ECU " +
                                state.identity.SerialNumberText + " differ from "))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith("Nothing is sent unless you choose so.")) << text.toStdString();
    // Each reads "what it was known to hold -> what the ECU holds".
    if (a.reference == Reference::Snapshot) {
        EXPECT_EQ(settingRows, QStringList{"Rev Limit: 8700 rpm -> 7100 rpm"});
        EXPECT_EQ(pages, 2); // the settings, the fuel table
    }

    if (a.sends) {
        EXPECT_EQ(link.written(), fullSendOf(reference));
        EXPECT_EQ(ecu.settings(), reference);
        EXPECT_EQ(window->store().settings(), reference);
    } else {
        EXPECT_TRUE(link.written().isEmpty());
        EXPECT_EQ(ecu.settings(), other);
        EXPECT_EQ(window->store().settings(), other);
    }
    EXPECT_EQ(window->menus().fileSendAgain->isVisible(),
              a.reference == Reference::CutOffFile && a.answer == ReconnectAnswer::LeaveForLater);

    loseEcu();
    ModalAnswer<ReconnectDialog> again([](ReconnectDialog& dialog) { dialog.reject(); });
    press(QKeySequence("Ctrl+U"));
    EXPECT_EQ(again.shown(), a.asksAgain ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachAnswer, ReconnectTest,
    ::testing::Values(
        Answer{"KeepTheEcusSettings", Reference::Snapshot, ReconnectAnswer::KeepEcuSettings, false,
               false},
        Answer{"SendTheSnapshot", Reference::Snapshot, ReconnectAnswer::SendReference, true, false},
        Answer{"DoNothingForNow", Reference::Snapshot, ReconnectAnswer::LeaveForLater, false, true},
        Answer{"KeepWhatTheCutOffSendLeft", Reference::CutOffFile, ReconnectAnswer::KeepEcuSettings,
               false, false},
        Answer{"SendTheFileAgain", Reference::CutOffFile, ReconnectAnswer::SendReference, true,
               false},
        Answer{"LeaveTheFileForNow", Reference::CutOffFile, ReconnectAnswer::LeaveForLater, false,
               true}),
    [](const ::testing::TestParamInfo<Answer>& info) { return std::string(info.param.name); });

} // namespace
