// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every picture of vantrel-screenshot shares: the application state
// after start-up, answers on stderr that assume yes, the simulated ECU on
// its in-process line, a main window with scratch settings, recent-file
// lists and tune history, and the saving of the picture.

#include "app/MainWindow.h"
#include "cli/StderrInteraction.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class Harness {
public:
    // On a screen of a size given to the program, the window starts as on
    // that screen; otherwise the scenes size it.
    explicit Harness(QString output, bool onScreen = false);

    // Starts the engine of a simulated ECU holding image, opens the main
    // window on it and runs the start-up; a valid size sets the window's,
    // unless the program was given a screen. A clock given runs the ECU and
    // stamps the live samples in its place of the steady clock.
    void start(const EcuSettings& image, QSize size = {}, SimulatedEcu::Clock clock = {});
    bool onScreen() const { return m_onScreen; }

    AppState& state() { return m_state; }
    SimulatedEcu& ecu() { return *m_ecu; }
    MainWindow& window() { return *m_window; }

    // Reports that the scene could not be set up and returns the exit code.
    static int fail(const char* what);
    // Saves picture to the output; returns the exit code.
    int save(const QImage& picture) const;
    // Runs the event loop for ms, then saves the picture that grab takes (the
    // main window when empty), calls done and returns the exit code.
    int saveAfter(int ms, const std::function<QPixmap()>& grab = {},
                  const std::function<void()>& done = {});

private:
    QString m_output;
    bool m_onScreen = false;
    AppState m_state;
    QFile m_err;
    StderrInteraction m_ui{m_err};
    QTemporaryDir m_scratch;
    std::unique_ptr<SimulatedEcu> m_ecu;
    std::unique_ptr<SimulatedLink> m_link;
    std::unique_ptr<MainWindow> m_window;
};
