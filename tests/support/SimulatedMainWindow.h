// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RecordingInteraction.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

// A main window on the in-process simulated ECU, started as with a port given
// on the command line; its settings, recent files and tune history live in a
// scratch folder and the ECU's clock stands still.
class SimulatedMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        prepareStartupState(state);
        ecu.setClock([] { return qint64{0}; });
    }

    // Builds, shows and starts the window, stops its poll timer and forgets
    // what the start-up sent.
    void start(MainWindow::Options options = {}) {
        options.settingsPath = dir.filePath(QStringLiteral("Vantrel.ini"));
        options.recentFilesPath = dir.filePath(QStringLiteral("recent.conf"));
        if (options.history.path.isEmpty()) {
            options.history.path = dir.filePath(QStringLiteral("history.sqlite"));
        }
        options.portGiven = true;
        window = std::make_unique<MainWindow>(state, ui, link, options);
        window->show();
        window->runStartup();
        window->stopPollTimer();
        link.clearWritten();
    }

    QTemporaryDir dir;
    AppState state;
    RecordingInteraction ui;
    SimulatedEcu ecu;
    SimulatedLink link{&ecu};
    std::unique_ptr<MainWindow> window;
};
