// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/Commands.h"
#include "comm/Discovery.h"
#include "comm/EcuProtocol.h"
#include "comm/QtSerialLink.h"
#include "comm/Transfers.h"
#include "history/Snapshot.h"
#include "monitor/StatusReport.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <vector>

// The exit code lines shared by the help texts of the ECU commands.
QString ecuExitCodeHelp();
// The exit code line of the commands that store the settings.
QString storeExitCodeHelp();
// The help lines of the port options.
QString portOptionHelp();

// The help lines of --no-history.
QString historyOptionHelp();

// --no-history, taken by the commands that keep the ECU's settings in the
// tune history.
struct HistoryOption {
    QCommandLineOption noHistory{QStringLiteral("no-history")};

    void addTo(QCommandLineParser& parser) const { parser.addOption(noHistory); }
};

// Keeps the record as it stands, with the ECU's identity, in the tune history
// as one snapshot of each source. Waits for a locked history to take them. A
// history that cannot take them says why on standard error; the command's
// outcome does not change.
void keepSnapshots(CliContext& context, const std::vector<SnapshotSource>& sources,
                   const QString& path = {});
// Keeps settings that no ECU was involved in (a file a command wrote) as one
// snapshot of the source, in the same way.
void keepSnapshot(CliContext& context, const EcuSettings& settings, SnapshotSource source,
                  const QString& path);

// The port options every ECU command takes: --port DEVICE or --com N.
struct PortOptions {
    QCommandLineOption port{QStringLiteral("port"), QString(), QStringLiteral("DEVICE")};
    QCommandLineOption com{QStringLiteral("com"), QString(), QStringLiteral("N")};

    void addTo(QCommandLineParser& parser) const { parser.addOptions({port, com}); }
};

// The real port, whose block reads can be told to wait less than they ask
// (for the tests, with the protocol's shorter time-outs).
class SessionLink : public QtSerialLink {
public:
    void setMaxBlockWaitMs(int ms) { m_maxBlockWaitMs = ms; }
    QByteArray readBlock(int minLength, int timeoutMs) override {
        const bool capped = m_maxBlockWaitMs > 0 && m_maxBlockWaitMs < timeoutMs;
        return QtSerialLink::readBlock(minLength, capped ? m_maxBlockWaitMs : timeoutMs);
    }

private:
    int m_maxBlockWaitMs = 0; // none
};

// The ECU link of one command: the serial port chosen on the command line,
// the protocol on it and the status reporting that the window program runs
// after each exchange, so that the ECU's error bits are told and take it
// offline in the same way.
class EcuSession {
public:
    explicit EcuSession(CliContext& context);

    // Chooses the device from the port options: the device path of --port, or
    // COM port N (1..5) through the window program's port map. Tells why and
    // returns false when neither or both are given or N is out of range.
    bool choosePort(const QCommandLineParser& parser, const PortOptions& options,
                    const QString& command);

    // Searches for the ECU without asking and reads its identity. Returns
    // kExitOk when an ECU of the accepted (or experimental) firmware is
    // online, otherwise the exit code of the failure, which has been told.
    int identify();

    // identify, and then kExitLinkFailure as well when the ECU went offline
    // right after the search because its status reported an error.
    int connect();

    // Sends the store command, which reports "Data Saved!" or "Data Save
    // Error". Returns kExitOk when the ECU stored its settings.
    int store();

    EcuProtocol& protocol() { return m_protocol; }
    const TransferHooks& hooks() const { return m_hooks; }
    // Reads every setting into the command's record with the hooks given.
    // Returns whether all of it was read whole.
    bool readAll(const TransferHooks& hooks);
    // The command's record repaired by the consistency check, each fix sent.
    void checkSettings();
    StatusReporter& statusReporter() { return m_status; }
    // The status report over the values held now, carried out as the window
    // program does.
    void refreshStatusBar();
    // Logging on, as the window program has it: going offline switches it off.
    void setLogging(bool on) { m_logging = on; }
    bool logging() const { return m_logging; }

private:
    CliContext& m_context;
    SessionLink m_link;
    EcuProtocol m_protocol;
    StatusReporter m_status;
    TransferHooks m_hooks;
    bool m_logging = false;
    bool m_reporting = false;
};

// The port map file of the window program, which the command-line tool reads
// as well so that COM port numbers mean the same device in both.
QString sharedPortMapPath();
