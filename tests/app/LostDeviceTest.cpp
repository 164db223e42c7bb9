// SPDX-License-Identifier: GPL-3.0-or-later
// The serial device disappearing under the window program (a USB adapter
// pulled while polling, logging and plotting) and coming back.
#include "RecordingInteraction.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "comm/EcuLine.h"
#include "comm/EcuProtocol.h"
#include "comm/QtSerialLink.h"
#include "monitor/Acquisition.h"
#include "monitor/LoggingController.h"
#include "monitor/StatusBarWidget.h"
#include "monitor/TimeHistoryWindow.h"
#include "record/AppState.h"
#include "session/Session.h"
#include "sim/PtyServer.h"
#include "sim/SimulatedEcu.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

class LostDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        prepareStartupState(state);
        plugIn();
        port.setDevice(device);
        MainWindow::Options options;
        options.settingsPath = dir.filePath(QStringLiteral("Vantrel.ini"));
        options.history.path = dir.filePath(QStringLiteral("history.sqlite"));
        options.portGiven = true;
        options.chooseFile = [this](const QString&, const QString&, MainWindow::FileDialogMode) {
            return logPath;
        };
        window = std::make_unique<MainWindow>(state, ui, port, options);
        // A silent line costs a fraction of a second, not seconds.
        window->line().run([](EcuProtocol& protocol) { protocol.setTimeouts({150, 150, 150}); });
        window->runStartup();
        window->stopPollTimer();
    }

    void TearDown() override {
        window.reset();
        if (simulator) {
            simulator->stop();
        }
    }

    // Plugs the adapter in: a new simulated ECU on a new pseudo-terminal,
    // reached through the same device name.
    void plugIn() {
        simulator = std::make_unique<PtySimulator>();
        simulator->setBaud(0);
        simulator->setConfigure([](SimulatedEcu& e) { e.startEngine(); });
        QString problem;
        ASSERT_TRUE(simulator->start(&problem)) << problem.toStdString();
        QFile::remove(device);
        ASSERT_TRUE(QFile::link(simulator->devicePath(), device));
    }

    void pullOut() {
        simulator->stop();
        simulator.reset();
    }

    qint64 bytesAtEcu() {
        qint64 bytes = 0;
        simulator->withEcu([&](SimulatedEcu& e) { bytes = e.bytesReceived(); });
        return bytes;
    }

    QByteArray logText() const {
        QFile file(logPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    int count(const QString& text) const { return static_cast<int>(ui.texts().count(text)); }

    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyUSB0"));
    const QString logPath = dir.filePath(QStringLiteral("run.log"));
    AppState state;
    RecordingInteraction ui;
    QtSerialLink port;
    std::unique_ptr<PtySimulator> simulator;
    std::unique_ptr<MainWindow> window;
};

TEST_F(LostDeviceTest, PulledAdapterGoesOfflineOnceAndFindEcuWorksOnceItIsBack) {
    ASSERT_TRUE(state.EcuOnline);
    window->menus().tuningFuel->trigger();
    window->menus().plotRealTime->trigger();
    auto* plot = qobject_cast<TimeHistoryWindow*>(window->timeHistoryWindow());
    ASSERT_NE(plot, nullptr);
    plot->start();
    window->setupLogData();
    ASSERT_TRUE(window->session().logging().active());
    window->pollTick();
    window->acquisition().plotTick();
    window->acquisition().plotTick();
    ASSERT_TRUE(logText().endsWith("\r\n"));
    const QByteArray logged = logText();
    ui.clear();

    // The plot samples ten times as often as the poll: it meets the loss.
    pullOut();
    QElapsedTimer took;
    took.start();
    window->acquisition().plotTick();
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_EQ(count(QStringLiteral("Communication Lost!")), 1)
        << ui.texts().join('|').toStdString();
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(window->statusBarWidget()->panel(2)->text(), "Offline ");
    EXPECT_FALSE(window->session().logging().active());
    EXPECT_FALSE(window->menus().tuningLogData->isChecked());
    EXPECT_FALSE(port.isOpen());

    // Later ticks and samples neither retry the dead device nor add to the
    // log; the plot stops.
    took.restart();
    for (int i = 0; i < 5; ++i) {
        window->acquisition().plotTick();
        window->pollTick();
    }
    EXPECT_FALSE(plot->running());
    EXPECT_LT(took.elapsed(), 500);
    EXPECT_EQ(ui.messages.size(), 1u) << ui.texts().join('|').toStdString();
    // The log marks the lost link and takes nothing more.
    EXPECT_EQ(logText(), logged + "# Link lost\r\n");

    // A search while the device is still missing says so once and stays
    // offline.
    window->menus().engineFindEcu->trigger();
    EXPECT_FALSE(state.EcuOnline);
    ASSERT_EQ(ui.messages.size(), 2u) << ui.texts().join('|').toStdString();
    EXPECT_TRUE(ui.messages[1].text.contains(device)) << ui.messages[1].text.toStdString();

    // Once the device is back the poll still sends nothing until a search.
    plugIn();
    window->pollTick();
    EXPECT_EQ(bytesAtEcu(), 0);
    ui.clear();
    window->menus().engineFindEcu->trigger();
    EXPECT_TRUE(state.EcuOnline) << ui.texts().join('|').toStdString();
    EXPECT_EQ(count(QStringLiteral("Communication Lost!")), 0);
    EXPECT_TRUE(port.isOpen());
    const qint64 afterSearch = bytesAtEcu();
    window->pollTick();
    EXPECT_GT(bytesAtEcu(), afterSearch);
    EXPECT_TRUE(state.EcuOnline);
    EXPECT_EQ(window->statusBarWidget()->panel(2)->text(), "Online ");
    // The log that lost the link marks where it was found again.
    EXPECT_EQ(logText(), logged + "# Link lost\r\n# Link found\r\n");
}

} // namespace
