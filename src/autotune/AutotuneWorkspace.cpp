// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/AutotuneWorkspace.h"

#include "autotune/AutotuneFeed.h"
#include "autotune/ProposalView.h"
#include "monitor/SampleLogReader.h"
#include "record/UserInteraction.h"

#include <QFileInfo>
#include <QIODevice>
#include <algorithm>

namespace {

// The settings a session reads besides the fuel table: the axes, the EGO
// setpoints and the inputs.
constexpr FieldId kSessionFields[] = {
    FieldId::MaxRpm,
    FieldId::LoadControl,
    FieldId::MapSensorType,
    FieldId::MapMinBits,
    FieldId::MapMaxBits,
    FieldId::UserInputAnalogTable0,
    FieldId::UserInputAnalogMode0,
    FieldId::UserInputAnalogMode1,
    FieldId::UserInputAnalogMode2,
};

constexpr double kMsPerSecond = 1000.0;

// Whether two choices take and weigh the same records: the same input,
// sensor line, target, filters and lag.
bool readsRecordsAlike(const AutotuneChoices& a, const AutotuneChoices& b) {
    const AutotuneOptions& x = a.options;
    const AutotuneOptions& y = b.options;
    return a.egoInput == b.egoInput && a.oneTarget == b.oneTarget &&
           (!a.oneTarget || a.targetAfr == b.targetAfr) && x.transfer == y.transfer &&
           x.filters == y.filters && x.lag == y.lag && x.maxRecordGapMs == y.maxRecordGapMs;
}

} // namespace

AutotuneWorkspace::AutotuneWorkspace(SettingsStore& store, UserInteraction& ui, ApplyCells apply,
                                     QObject* parent)
    : QObject(parent), m_store(store), m_ui(ui), m_apply(std::move(apply)),
      m_start(store.settings().FuelTable), m_choices(defaultAutotuneChoices(store.settings())) {
    connect(&m_read, &BackgroundRead::finished, this, &AutotuneWorkspace::readFinished);
    connect(&m_store, &SettingsStore::changed, this, &AutotuneWorkspace::settingsChanged);
    restart();
}

AutotuneWorkspace::~AutotuneWorkspace() {
    m_read.cancel();
}

void AutotuneWorkspace::setChoices(const AutotuneChoices& choices) {
    if (choices.autoApply != m_choices.autoApply) {
        m_lastApplyMs.reset();
    }
    const bool sameRecords = readsRecordsAlike(choices, m_choices);
    m_choices = choices;
    if (!sameRecords) {
        restart();
        return;
    }
    // The limits and the automatic apply leave the records as they are.
    // A read under way takes them when it ends.
    m_session->setLimits(m_choices.options);
    refresh();
}

void AutotuneWorkspace::setSource(AutotuneSource source) {
    if (source == m_source) {
        return;
    }
    m_source = source;
    m_live.clear();
    m_lastApplyMs.reset();
    restart();
}

void AutotuneWorkspace::addLogs(const QStringList& paths) {
    bool added = false;
    for (const QString& path : paths) {
        if (!m_logs.contains(path)) {
            m_logs << path;
            added = true;
        }
    }
    if (added) {
        emit logsChanged();
        restart();
    }
}

void AutotuneWorkspace::removeLog(int index) {
    if (index < 0 || index >= m_logs.size()) {
        return;
    }
    m_logs.removeAt(index);
    emit logsChanged();
    restart();
}

void AutotuneWorkspace::toggleLocks(const GridSelection& block) {
    const bool locked = ::toggleLocks(m_choices.options.locked, block);
    for (const GridCell& cell : blockWalk(block)) {
        m_session->setLocked(cell.row - 1, cell.column - 1, locked);
    }
    refresh();
}

void AutotuneWorkspace::clearLocks() {
    m_choices.options.locked = {};
    useLocks(*m_session);
    refresh();
}

void AutotuneWorkspace::useLocks(Autotune& session) const {
    for (int row = 0; row < kAutotuneSize; ++row) {
        for (int column = 0; column < kAutotuneSize; ++column) {
            session.setLocked(
                row, column,
                m_choices.options.locked[static_cast<size_t>(row)][static_cast<size_t>(column)]);
        }
    }
}

void AutotuneWorkspace::addLiveSample(const LiveSample& sample) {
    if (m_source != AutotuneSource::Live || !m_problem.isEmpty()) {
        return;
    }
    const std::optional<AutotuneSample> record = autotuneSample(sample, m_choices.egoInput);
    if (!record) {
        return; // a sample of the plot's reduced set
    }
    m_live.push_back(sample);
    m_session->add(*record);
    refresh();
    if (!m_choices.autoApply) {
        return;
    }
    if (!m_lastApplyMs) {
        m_lastApplyMs = sample.timeMs();
    } else if (static_cast<double>(sample.timeMs() - *m_lastApplyMs) >=
               m_choices.autoApplySeconds * kMsPerSecond) {
        m_lastApplyMs = sample.timeMs();
        applyNow(true);
    }
}

int AutotuneWorkspace::apply() {
    if (!m_live.empty()) {
        m_lastApplyMs = m_live.back().timeMs();
    }
    return applyNow(false);
}

int AutotuneWorkspace::applyNow(bool automatic) {
    if (reading()) {
        return 0;
    }
    const std::vector<FieldCell> cells = proposalCells(m_proposal);
    if (cells.empty()) {
        return 0;
    }
    // The records are used up before the table changes, so that the
    // proposal made from the new table starts empty.
    m_session->clearData();
    m_live.clear();
    if (m_source == AutotuneSource::Logs && !m_logs.isEmpty()) {
        m_logs.clear();
        m_incomplete = 0;
        m_skipped = 0;
        emit logsChanged();
    }
    m_apply(cells);
    refresh();
    emit applied(static_cast<int>(cells.size()), automatic);
    return static_cast<int>(cells.size());
}

void AutotuneWorkspace::restart() {
    const bool wasReading = reading();
    m_read.cancel();
    m_session = std::make_unique<Autotune>(m_store.settings(), m_choices.sessionOptions(), m_start);
    m_incomplete = 0;
    m_skipped = 0;
    m_problem = autotuneProblem(m_store.settings(), m_choices);
    if (m_problem.isEmpty() && m_source == AutotuneSource::Live) {
        for (const LiveSample& sample : m_live) {
            if (const std::optional<AutotuneSample> record =
                    autotuneSample(sample, m_choices.egoInput)) {
                m_session->add(*record);
            }
        }
    } else if (m_problem.isEmpty() && !m_logs.isEmpty()) {
        readLogs();
    }
    refresh();
    if (wasReading != reading()) {
        emit readingChanged(reading());
    }
}

void AutotuneWorkspace::readLogs() {
    qint64 size = 0;
    for (const QString& path : m_logs) {
        size += QFileInfo(path).size();
    }
    m_reading = std::make_unique<Autotune>(m_store.settings(), m_choices.sessionOptions(), m_start);
    m_readErrors.clear();
    m_readIncomplete = 0;
    m_readSkipped = 0;
    // The worker fills the members above alone; they are read once it ended.
    m_read.start(size, [this, logs = m_logs, input = m_choices.egoInput](BackgroundRead& read) {
        AutotuneLogFeed feed(*m_reading, input);
        for (const QString& path : logs) {
            QString error;
            const std::unique_ptr<QIODevice> file = read.open(path, &error);
            if (!file) {
                m_readErrors.emplace_back(path, error);
                continue;
            }
            m_reading->startRun();
            m_readSkipped += readLogRecords(*file, feed).skippedLines;
        }
        m_readIncomplete = feed.incompleteRecords();
    });
}

void AutotuneWorkspace::readFinished() {
    m_session = std::move(m_reading);
    // The table, the locks and the limits as they are now, whatever changed
    // meanwhile.
    m_session->setTable(m_store.settings().FuelTable);
    useLocks(*m_session);
    m_session->setLimits(m_choices.options);
    m_incomplete = m_readIncomplete;
    m_skipped = m_readSkipped;
    refresh();
    emit readingChanged(false);
    // A log that cannot be opened is told once and leaves the list.
    if (!m_readErrors.empty()) {
        for (const auto& [path, error] : m_readErrors) {
            m_logs.removeAll(path);
            m_ui.message(
                QStringLiteral("Cannot open %1:\r\n%2").arg(QFileInfo(path).fileName(), error),
                UserInteraction::Icon::Critical);
        }
        emit logsChanged();
    }
}

void AutotuneWorkspace::settingsChanged(const SettingsChange& change) {
    if (change.wholeRecord) {
        m_start = m_store.settings().FuelTable;
        m_live.clear();
        m_lastApplyMs.reset();
        restart();
        return;
    }
    if (std::any_of(std::begin(kSessionFields), std::end(kSessionFields),
                    [&change](FieldId id) { return change.touches(id); })) {
        restart();
    } else if (change.touches(FieldId::FuelTable)) {
        m_session->setTable(m_store.settings().FuelTable);
        refresh();
    }
}

void AutotuneWorkspace::refresh() {
    m_proposal = m_session->proposal();
    m_counts = m_session->counts();
    emit proposalChanged();
}
