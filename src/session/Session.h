// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/EcuActions.h"
#include "comm/Transfers.h"
#include "monitor/StatusReport.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

struct AppState;
struct EcuIdentity;
struct EcuSettings;
class Acquisition;
class EcuLine;
class LiveFeed;
class LiveSample;
class LoggingController;
class SampleSeries;
class SerialLink;
class SettingsStore;
class UserInteraction;

// The window program's work without its windows. It owns the settings store
// (and through it the record), the ECU line, the one acquisition of live
// values, the data log, the status report, the series of samples and the
// ECU commands: search, full read and send, store, block read, stop engine
// and the test commands.
//
// A poll's sample goes to the status report (while online), then to the
// data log and the series, then to the views through the live feed; a
// reduced sample of the time history plot goes to the data log and the
// series, then to the plot. The status report decides what to tell the user
// and the ECU; the session carries it out on the line. What the windows
// must do about it comes as signals.
class Session : public QObject, public EcuActions {
    Q_OBJECT
public:
    // Milliseconds of the steady clock the samples' times come from; by
    // default the time since construction.
    using Clock = std::function<qint64()>;

    Session(AppState& state, UserInteraction& ui, SerialLink& link, Clock clock = {},
            QObject* parent = nullptr);
    ~Session() override;

    AppState& state() { return m_state; }
    SettingsStore& store() { return *m_store; }
    EcuLine& line() { return *m_line; }
    Acquisition& acquisition() { return *m_acquisition; }
    // What the views of the live values get.
    LiveFeed& liveFeed();
    LoggingController& logging() { return *m_logging; }
    // Every sample read, of both rates.
    SampleSeries& series() { return *m_series; }
    StatusReporter& status() { return m_reporter; }

    // Keeps the windows painted while an exchange waits on the line.
    void setPump(std::function<void()> pump);

    // The status report over the values held now; its steps are carried out
    // on the line, then statusChanged tells the view.
    void refreshStatus();

    // The serial port: opened as it is, or closed, pointed elsewhere by
    // choose and opened again. Returns whether it is open.
    bool openPort();
    bool reopenPort(const std::function<void()>& choose);
    void closePort();

    // The search at start-up (asking first).
    void findEcu();
    // The Find ECU command: searches when offline, then reads everything.
    // Returns whether the ECU was found and every setting read whole.
    bool findEcuCommand();
    void getAllDataFromEcu();
    // Sends every setting; file names the data file they came from, if any.
    SendOutcome sendAllDataToEcu(const QString& file = {});
    // Save Settings to ECU.
    void saveSettingsToEcu();
    // Stores without a message, as the exit question does.
    void storeQuietly();
    // The block read of the fuel table.
    void engineHigh();
    // Stop Engine: says so while offline, otherwise stops at once.
    void engineStop();
    void enableCodeSections();
    // The developer test commands; Invalid Command returns the reply shown.
    int testInvalidCommand();
    void testInvalidIsr();
    // The record repaired by the consistency check, each fix sent.
    void checkSettings();

    // The commands the windows ask for.
    void fireOutput(int output) override;
    void stopEngineNow() override;
    void readExtra() override;
    bool enterSerialField(int index, const QString& shown, const QString& typed) override;

signals:
    // The status bar's view changed.
    void statusChanged(const StatusBarView& view);
    // The record is about to be read whole from the ECU: the child windows
    // close first.
    void recordReplacing();
    // The read of the whole record (or the Find ECU command that would have
    // read it) is over; the store has announced what changed.
    void recordReplaced();
    // The ECU went online (a search found it) or offline (it stopped
    // answering); the status bar has been told first.
    void onlineChanged(bool online);
    // A step of the full send's progress, for the window to show.
    void transferProgress(const TransferProgress& progress);
    // The ECU's code sections were worked out: whether the closed-loop EGO
    // entry is offered.
    void codeSectionsChanged(bool closedLoopEgo);
    // Logging was switched on or off.
    void loggingChanged(bool active);
    // What happened to the whole record, once the line is free again: a
    // search found the ECU and every setting was read whole (held is what
    // the program held for the same ECU, by serial, before the search, when
    // the search found it again); the ECU took every setting of a full send;
    // it stopped answering part-way through the send of the file; it said
    // it stored its settings.
    void settingsRead(const EcuSettings& settings, const EcuIdentity& ecu,
                      const std::optional<EcuSettings>& held);
    void settingsSent(const EcuSettings& settings, const EcuIdentity& ecu, const QString& file);
    void sendCutOff(const QString& file);
    void settingsStored(const EcuSettings& settings, const EcuIdentity& ecu);

private:
    DiscoveryHooks discoveryHooks();
    TransferHooks transferHooks();
    void polled(const LiveSample& sample, bool read);
    void plotSampled(const LiveSample& sample);
    // The status report over a sample, carried out.
    void report(const LiveSample& sample);
    // Announces a store the ECU answered as done.
    void stored();
    void announceOnline();
    // Runs a command that may read the whole record, then announces it read.
    void replacingRecord(const std::function<void()>& command);

    AppState& m_state;
    UserInteraction& m_ui;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<EcuLine> m_line;
    std::unique_ptr<Acquisition> m_acquisition;
    std::unique_ptr<LoggingController> m_logging;
    std::unique_ptr<SampleSeries> m_series;
    StatusReporter m_reporter;
    bool m_reporting = false;
    bool m_replacing = false;
};
