// SPDX-License-Identifier: GPL-3.0-or-later
// What the session hands the windows: one tick's sample reaches every view
// of the live values once, and the log writer, the series and the status
// report once each.

#include "SimulatedMainWindow.h"
#include "diag/SensorCheckWindow.h"
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
