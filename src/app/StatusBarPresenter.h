// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/StatusReport.h"

#include <QObject>

struct AppState;
class QAction;
class QLabel;
class QMainWindow;
class Session;
class StatusBarWidget;

// The main window's status bar and its online indicator: the session's status
// report shown on the bar, the panels' clicks, the Log Data tick, and the
// turning wheel at the right end of the menu bar while the ECU answers.
class StatusBarPresenter : public QObject {
    Q_OBJECT
public:
    struct Parts {
        AppState& state;
        Session& session;
        // The window that gets the bar and the indicator.
        QMainWindow& window;
        // Tuning > Log Data, ticked while logging.
        QAction* logData = nullptr;
    };

    explicit StatusBarPresenter(Parts parts, QObject* parent = nullptr);

    StatusBarWidget* widget() const { return m_bar; }
    QLabel* indicator() const { return m_indicator; }
    const StatusReporter& reporter() const;

    // Has the session report the status over the values held now; the view
    // follows.
    void setup();
    // Shows the panels as they are.
    void show();
    void showIdentity();
    void showLogging(bool active);
    // The data file panel's text and its tip.
    void showFile(const QString& panel, const QString& tip);
    // The indicator's frame after a poll, or none while the ECU is silent.
    void showIndicator();
    // Keeps the indicator near the menu bar's right end, left of the buttons
    // of a maximised child window.
    void placeIndicator();

private:
    StatusReporter& status() const;

    Parts m_parts;
    StatusBarWidget* m_bar = nullptr;
    QLabel* m_indicator = nullptr;
};
