#pragma once

#include "monitor/DataLog.h"

#include <QObject>
#include <array>
#include <functional>

struct AppState;
class LiveSample;
class UserInteraction;

// Switches data logging on and off and writes the records of the samples:
// a full record for each sample of the poll while the time history plot is
// not running, and a plot record for each of the plot's reduced samples.
class LoggingController : public QObject {
    Q_OBJECT
public:
    // Asks for the log file; an empty text when the user cancelled.
    using FileChooser = std::function<QString()>;
    // Whether the data window and the time history plot are open.
    using ViewQuery = std::function<bool()>;

    LoggingController(const AppState& state, UserInteraction& ui, QObject* parent = nullptr);

    void setFileChooser(FileChooser chooser);
    void setViews(ViewQuery dataWindowOpen, ViewQuery plotOpen);

    // Logging is on.
    bool active() const { return m_active; }

    // The Tuning menu's Log Data and a click on the log panel.
    void setupLogData();
    // Writes the full record of a poll's sample when logging is on and the
    // plot is not running (the plot's samples are logged then).
    void logSample(const LiveSample& sample);
    // Writes the plot record of a reduced sample of the plot's channels
    // when logging is on.
    void logPlotSample(const LiveSample& sample, const std::array<int, 2>& channels);
    // The time history plot started or stopped: a new header is due.
    void setPlotRunning(bool running);
    // Makes sure a log file is open, asking for one when none is; false when
    // none could be opened (logging is then off).
    bool ensureLogFileOpen();
    // Switches logging off (a failed record, going offline).
    void stopLogging();
    // Closes the log file (a double click on a status panel, the program's end).
    void closeLogFile();
    // The data window or the plot closed: a new header is due, and logging
    // stops when the other one is not open either.
    void dataWindowClosed();
    void plotClosed();

    DataLog& log() { return m_log; }

signals:
    // Logging was switched on or off.
    void loggingChanged(bool active);

private:
    const AppState& m_state;
    UserInteraction& m_ui;
    DataLog m_log;
    FileChooser m_chooseFile;
    ViewQuery m_dataWindowOpen;
    ViewQuery m_plotOpen;
    bool m_active = false;
    bool m_plotRunning = false;
};
