// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/EcuSession.h"

#include "config/ConsistencyCheck.h"
#include "history/TuneHistory.h"
#include "monitor/LiveSample.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "session/StatusSteps.h"

#include <QStandardPaths>
#include <functional>

namespace {
constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 5;
constexpr const char* kReplyTimeoutVariable = "VANTRELCTL_REPLY_TIMEOUT_MS";
} // namespace

QString ecuExitCodeHelp() {
    return QStringLiteral(
        "Exit codes:\n"
        "  0  success\n"
        "  2  a bad command line, an unreadable file or a failed write of the output\n"
        "  3  the serial port could not be opened\n"
        "  4  no ECU of the accepted firmware answered (\"ECU Not Found\", \"Invalid\n"
        "     Response\", or a firmware version other than 2.051 or experimental)\n"
        "  5  the ECU stopped answering or went offline part-way (\"Communication\n"
        "     Lost!\", \"Communication Sync Lost!\", a failed block read, or an error\n"
        "     the ECU reported in its status)\n");
}

QString storeExitCodeHelp() {
    return QStringLiteral("  6  the ECU answered the store command with \"Data Save Error\"\n");
}

QString portOptionHelp() {
    return QStringLiteral(
        "  --port DEVICE  The serial device the ECU is on: a path such as /dev/ttyUSB0,\n"
        "                 or a bare name such as ttyUSB0 for the device under /dev\n"
        "  --com N        COM port N (1 to 5) as the window program maps it to a device\n");
}

QString historyOptionHelp() {
    return QStringLiteral("  --no-history   Keep no snapshot of the settings in the tune history\n"
                          "                 (\"vantrelctl history --help\")\n");
}

namespace {
void keep(CliContext& context, const std::function<void(TuneHistory& history)>& record) {
    TuneHistoryOptions options;
    options.path = context.historyPath;
    TuneHistory history(context.ui, options);
    record(history);
    history.finishPending();
}
} // namespace

void keepSnapshots(CliContext& context, const std::vector<SnapshotSource>& sources,
                   const QString& path) {
    keep(context, [&](TuneHistory& history) {
        for (const SnapshotSource source : sources) {
            history.record(context.store.settings(), source, &context.state.identity, path);
        }
    });
}

void keepSnapshot(CliContext& context, const EcuSettings& settings, SnapshotSource source,
                  const QString& path) {
    keep(context, [&](TuneHistory& history) { history.record(settings, source, nullptr, path); });
}

QString sharedPortMapPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Vantrel/ports.conf");
}

EcuSession::EcuSession(CliContext& context)
    : m_context(context), m_protocol(context.state, context.store, m_link, context.ui) {
    m_hooks.discovery.onlineChanged = [this] { refreshStatusBar(); };
    m_hooks.checkSettings = [this] { checkSettings(); };
    m_protocol.setOnlineObserver([this](EcuProtocol::OnlineChange) { refreshStatusBar(); });
    // Undocumented, for the test suite: one shorter wait for every reply and
    // block, so that a silent ECU costs the tests no whole seconds.
    bool ok = false;
    const int timeoutMs = qEnvironmentVariableIntValue(kReplyTimeoutVariable, &ok);
    if (ok && timeoutMs > 0) {
        m_protocol.setTimeouts({timeoutMs, timeoutMs, timeoutMs});
        m_link.setMaxBlockWaitMs(timeoutMs);
    }
}

void EcuSession::refreshStatusBar() {
    // A lost exchange inside the report asks again; the outer report ends it.
    if (m_reporting) {
        return;
    }
    m_reporting = true;
    AppState& state = m_context.state;
    m_status.takeSample(LiveSample::fromEngineData(m_protocol.liveValues(), 0));
    StatusContext context;
    context.online = state.EcuOnline;
    context.logActive = m_logging;
    context.edition = state.Edition;
    context.crankRpm = m_context.store.settings().CrankRpm;
    context.identity = &state.identity;
    StatusStepHooks hooks;
    hooks.stopLogging = [this] { m_logging = false; };
    hooks.clearErrors = [this] {
        m_protocol.liveValues().EngineStatus3 = 0;
        m_protocol.liveValues().EngineStatus4 = 0;
    };
    carryOutStatusSteps(m_status.setupStatusBar(context), state, m_context.ui,
                        m_protocol.commandSender(), hooks);
    m_reporting = false;
}

bool EcuSession::readAll(const TransferHooks& hooks) {
    return m_context.store.modify(ChangeOrigin::Ecu, [&](EcuSettings& record) {
        return getAllDataFromEcu(m_protocol, record, hooks);
    });
}

void EcuSession::checkSettings() {
    m_context.store.modify(ChangeOrigin::Check,
                           [this](EcuSettings& record) { ::checkSettings(m_protocol, record); });
}

bool EcuSession::choosePort(const QCommandLineParser& parser, const PortOptions& options,
                            const QString& command) {
    const bool hasPort = parser.isSet(options.port);
    const bool hasCom = parser.isSet(options.com);
    const QString tryHelp = QStringLiteral("Try \"vantrelctl %1 --help\".").arg(command);
    if (hasPort == hasCom) {
        m_context.ui.message(
            QStringLiteral("%1: give the serial port with either --port DEVICE or --com N. %2")
                .arg(command, tryHelp),
            UserInteraction::Icon::Critical);
        return false;
    }
    if (hasPort) {
        const QString device = parser.value(options.port);
        if (device.isEmpty()) {
            m_context.ui.message(
                QStringLiteral("%1: --port takes a device name or path, not an empty text. %2")
                    .arg(command, tryHelp),
                UserInteraction::Icon::Critical);
            return false;
        }
        m_link.setDevice(device);
        return true;
    }
    bool ok = false;
    const int number = parser.value(options.com).toInt(&ok);
    if (!ok || number < kFirstComPort || number > kLastComPort) {
        m_context.ui.message(
            QStringLiteral("%1: --com takes a port number from %2 to %3, not \"%4\". %5")
                .arg(command)
                .arg(kFirstComPort)
                .arg(kLastComPort)
                .arg(parser.value(options.com), tryHelp),
            UserInteraction::Icon::Critical);
        return false;
    }
    QString problem;
    m_link.setDevice(PortMap::load(sharedPortMapPath(), &problem).deviceFor(number));
    if (!problem.isEmpty()) {
        m_context.ui.message(problem, UserInteraction::Icon::Warning);
    }
    return true;
}

int EcuSession::identify() {
    // The command line has nobody to ask "Search for ECU?".
    m_context.state.AskBeforeSearch = false;
    switch (findEcu(m_protocol, m_hooks.discovery)) {
    case FindResult::Found:
        return kExitOk;
    case FindResult::PortError:
        return kExitPortError;
    case FindResult::LinkLost:
        return kExitLinkFailure;
    case FindResult::WrongVersion:
    case FindResult::NotFound:
    case FindResult::InvalidResponse:
    case FindResult::Declined:
        break;
    }
    return kExitNoEcu;
}

int EcuSession::connect() {
    if (const int found = identify(); found != kExitOk) {
        return found;
    }
    return m_context.state.EcuOnline ? kExitOk : kExitLinkFailure;
}

int EcuSession::store() {
    if (storeSettings(m_protocol)) {
        return kExitOk;
    }
    // Either the ECU stopped answering, or it answered that it could not store.
    return m_context.state.EcuOnline ? kExitStoreFailure : kExitLinkFailure;
}
