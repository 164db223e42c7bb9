#pragma once

#include "monitor/DataLog.h"

#include <QObject>
#include <functional>

struct AppState;
struct EngineData;
class UserInteraction;

// Switches data logging on and off and writes the full records of the poll.
// The time history plot writes its own records into the same log.
class LoggingController : public QObject {
    Q_OBJECT
public:
    // Asks for the log file; an empty text when the user cancelled.
    using FileChooser = std::function<QString()>;
    // Whether the data window and the time history plot are open.
    using ViewQuery = std::function<bool()>;

    LoggingController(AppState& state, UserInteraction& ui, QObject* parent = nullptr);

    void setFileChooser(FileChooser chooser);
    void setViews(ViewQuery dataWindowOpen, ViewQuery plotOpen);

    // The Tuning menu's Log Data and a click on the log panel.
    void setupLogData();
    // Writes one full record after a poll when logging is on and the plot is
    // not running (the plot writes its own records then).
    void logData(const EngineData& data);
    // Makes sure a log file is open, asking for one when none is; false when
    // none could be opened (logging is then off).
    bool ensureLogFileOpen();
    // Switches logging off after a failed record.
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
    AppState& m_state;
    UserInteraction& m_ui;
    DataLog m_log;
    FileChooser m_chooseFile;
    ViewQuery m_dataWindowOpen;
    ViewQuery m_plotOpen;
};
