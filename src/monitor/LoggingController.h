// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/DataLog.h"
#include "monitor/LiveSample.h"
#include "monitor/LogMarkers.h"

#include <QDateTime>
#include <QObject>
#include <array>
#include <functional>
#include <optional>
#include <vector>

struct AppState;
struct EcuSettings;
class UserInteraction;

// Switches data logging on and off and writes the records of the samples:
// a full record for each sample of the poll while the time history plot is
// not running, and a plot record for each of the plot's reduced samples.
//
// Unless the setting leaves them out, it writes marker lines between the
// records (see LogMarkers): when the link is lost while logging and when
// the ECU is found again, before a record whose poll came more than one
// interval late, and the tuner's notes. While a note is typed, the records
// that come are held, and written after it.
class LoggingController : public QObject {
    Q_OBJECT
public:
    // Asks for the log file; an empty text when the user cancelled.
    using FileChooser = std::function<QString()>;
    // Whether the data window and the time history plot are open.
    using ViewQuery = std::function<bool()>;

    // The plot's records are laid out for the record settings (the store's).
    LoggingController(const AppState& state, const EcuSettings& settings, UserInteraction& ui,
                      QObject* parent = nullptr);

    void setFileChooser(FileChooser chooser);
    void setViews(ViewQuery dataWindowOpen, ViewQuery plotOpen);

    // Logging is on.
    bool active() const { return m_active; }

    // The Tuning menu's Log Data and a click on the log panel.
    void setupLogData();
    // Writes the full record of a poll's sample when logging is on and the
    // plot is not running (the plot's samples are logged then); the poll
    // ticks every intervalMs.
    void logSample(const LiveSample& sample, int intervalMs);
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

    // Whether marker lines are written; on unless the setting says no.
    void setMarkers(bool on) { m_markers = on; }
    bool markers() const { return m_markers; }
    // The link to the ECU was lost (before the status report stops the
    // logging), and found again.
    void linkLost();
    void linkFound();
    // The tuner's note: from beginNote, while logging with markers, the
    // records are held; endNote writes the note's marker (none when
    // cancelled) and then the held records. False when there is no log to
    // note in.
    bool beginNote();
    void endNote(const std::optional<QString>& note);

signals:
    // Logging was switched on or off.
    void loggingChanged(bool active);

private:
    // A line due in the log: a marker, or a record of a sample (a plot
    // record with the plot's channels).
    struct Entry {
        std::optional<QString> marker;
        LiveSample sample;
        std::optional<std::array<int, 2>> plot;
        QDateTime now;
    };
    // Writes the line, or holds it while a note is typed.
    void put(Entry entry);
    // False when it failed (logging is then off, the user told why).
    bool write(const Entry& entry);

    const AppState& m_state;
    const EcuSettings& m_settings;
    UserInteraction& m_ui;
    DataLog m_log;
    FileChooser m_chooseFile;
    ViewQuery m_dataWindowOpen;
    ViewQuery m_plotOpen;
    bool m_active = false;
    bool m_plotRunning = false;
    bool m_markers = true;
    bool m_lostWhileLogging = false;
    PollGapWatch m_gaps;
    bool m_holding = false;
    std::vector<Entry> m_held;
};
