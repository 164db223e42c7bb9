// SPDX-License-Identifier: GPL-3.0-or-later
// What the session hands the windows: one tick's sample reaches every view
// of the live values once, and the log writer, the series and the status
// report once each; the ECU going online or offline, the record read whole
// and the full send's progress come as its announcements.

#include "SimulatedMainWindow.h"
#include "comm/Transfers.h"
#include "diag/SensorCheckWindow.h"
#include "files/EcuFile.h"
#include "monitor/Acquisition.h"
#include "monitor/DataWindow.h"
#include "monitor/LiveFeed.h"
#include "monitor/LoggingController.h"
#include "monitor/SampleSeries.h"
#include "plot3d/Plot3DWindow.h"
#include "session/Session.h"
#include "tables/TableEditorWindow.h"

#include <QAction>
#include <QFile>
#include <QSignalSpy>

#include <vector>

namespace {

// How many connections the feed's sample signal has.
struct FeedConnections : QObject {
    static int count(const QObject& feed) {
        return (feed.*(&FeedConnections::receivers))(SIGNAL(sampled(LiveSample)));
    }
};

int lineCount(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    return static_cast<int>(file.readAll().count('\n'));
}

template <typename T> QList<QObject*> objects(const QList<T*>& views) {
    return {views.begin(), views.end()};
}

class SampleDeliveryTest : public SimulatedMainWindow {};

TEST_F(SampleDeliveryTest, OneTickReachesEveryConsumerOnce) {
    const QString logPath = dir.filePath(QStringLiteral("run.log"));
    MainWindow::Options options;
    options.chooseFile = [&](const QString&, const QString&, MainWindow::FileDialogMode) {
        return logPath;
    };
    start(options);
    const MainMenus& menus = window->menus();
    for (QAction* open : {menus.tuningFuel, menus.tuningIgnition, menus.sensorCheck,
                          menus.setup3DFuel, menus.setup3DIgnition, menus.tuningLogData}) {
        open->trigger();
    }
    // The first tick opens the log and writes its header.
    window->pollTick();

    const std::vector<std::pair<const char*, QList<QObject*>>> consumers = {
        {"data window", {window->dataWindow()}},
        {"fuel editor", {window->findChild<FuelWindow*>()}},
        {"ignition editor", {window->findChild<IgnWindow*>()}},
        {"diagnostics window", {window->findChild<SensorCheckWindow*>()}},
        {"3D plots", objects(window->findChildren<Plot3DWindow*>())},
    };
    LiveFeed& feed = window->session().liveFeed();
    {
        QSignalSpy samples(&feed, &LiveFeed::sampled);
        QSignalSpy reports(&window->session(), &Session::statusChanged);
        const qsizetype seriesBefore = window->session().series().size();
        const int linesBefore = lineCount(logPath);
        ASSERT_TRUE(window->session().logging().active());

        window->pollTick();

        EXPECT_EQ(samples.count(), 1);
        EXPECT_EQ(reports.count(), 1) << "status report";
        EXPECT_EQ(window->session().series().size(), seriesBefore + 1);
        EXPECT_EQ(lineCount(logPath), linesBefore + 1) << "log records";
    }

    // Each view takes the feed's one signal through exactly one connection;
    // the one left is the status bar's indicator.
    int remaining = FeedConnections::count(feed);
    for (const auto& [name, views] : consumers) {
        ASSERT_FALSE(views.isEmpty()) << name;
        for (QObject* view : views) {
            ASSERT_NE(view, nullptr) << name;
            QObject::disconnect(&feed, SIGNAL(sampled(LiveSample)), view, nullptr);
            const int left = FeedConnections::count(feed);
            EXPECT_EQ(remaining - left, 1) << name;
            remaining = left;
        }
    }
    EXPECT_EQ(window->findChildren<Plot3DWindow*>().size(), 2);
    EXPECT_EQ(remaining, 1) << "status bar indicator";
}

} // namespace

namespace {

// What the session announces, in order.
class SessionAnnouncementsTest : public SimulatedMainWindow {
protected:
    void listen() {
        Session& session = window->session();
        QObject::connect(&session, &Session::recordReplacing, [this] { said << "replacing"; });
        QObject::connect(&session, &Session::recordReplaced, [this] { said << "replaced"; });
        QObject::connect(&session, &Session::onlineChanged,
                         [this](bool online) { said << (online ? "online" : "offline"); });
        QObject::connect(&session, &Session::transferProgress,
                         [this](const TransferProgress& progress) { steps.push_back(progress); });
    }

    QStringList said;
    std::vector<TransferProgress> steps;
};

TEST_F(SessionAnnouncementsTest, FindEcuOnAnOfflineLineReadsTheRecordAndSaysSo) {
    ui.answers = {UserInteraction::Answer::Ok, UserInteraction::Answer::No};
    start();
    ASSERT_FALSE(state.EcuOnline);
    listen();

    window->menus().engineFindEcu->trigger();

    EXPECT_TRUE(state.EcuOnline);
    // The windows close before the search and again before the read; the
    // search's find and the command's end both show the ECU online.
    EXPECT_EQ(said.join(' '), "replacing online replacing online replaced");
    EXPECT_TRUE(steps.empty());
}

TEST_F(SessionAnnouncementsTest, FullSendProgressIsAnnouncedAndShownByTheWindow) {
    const QString file = dir.filePath(QStringLiteral("tune.ecu"));
    MainWindow::Options options;
    options.chooseFile = [&](const QString&, const QString&, MainWindow::FileDialogMode) {
        return file;
    };
    start(options);
    ASSERT_TRUE(saveEcuFile(file, window->store().settings()).ok());
    listen();
    ui.clear();
    ui.progressSteps = 0;

    window->menus().fileOpen->trigger();

    ASSERT_EQ(steps.size(), 44u);
    using Stage = TransferProgress::Stage;
    EXPECT_EQ(steps.front(),
              (TransferProgress{Stage::Begin, QStringLiteral("Sending Data to ECU")}));
    EXPECT_EQ(steps.back(), (TransferProgress{Stage::End, {}}));
    EXPECT_EQ(ui.progressCaptions, QStringList{"Sending Data to ECU"});
    EXPECT_EQ(ui.progressSteps, 42);
    EXPECT_EQ(ui.progressOpen, 0);
    EXPECT_TRUE(said.isEmpty());
}

TEST_F(SessionAnnouncementsTest, SilentEcuIsAnnouncedOfflineOnce) {
    start();
    ASSERT_TRUE(state.EcuOnline);
    listen();
    ecu.setSilent(true);
    window->pollTick();
    window->pollTick();
    EXPECT_EQ(said.join(' '), "offline");
}

} // namespace
