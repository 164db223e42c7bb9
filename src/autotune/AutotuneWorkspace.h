// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autotune/AutotuneChoices.h"
#include "monitor/BackgroundRead.h"
#include "monitor/LiveSample.h"
#include "record/SettingsStore.h"
#include "tables/TableOperations.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class UserInteraction;

// What the autotune window does, without a display: one autotune session
// over the program's fuel table, fed from logs or from the live samples, its
// proposal, the locks, and applying it.
//
// The change limit holds around the fuel table of the workspace's start, for
// as long as it lives: however often a proposal is applied, by hand or by
// itself, no cell leaves it. Choices that take or weigh records otherwise
// (the input, the sensor's line, the target, a filter, the lag), another
// source or a change of the settings the session reads (the axes, the EGO
// setpoints and inputs) start the session again from the same records: the
// logs are read again on a worker thread, the live samples since the last
// apply fed again. New limits, locks and the automatic apply act on the
// records taken. A change of the fuel table by other hands (an edit, an
// undo) keeps the records,
// since what a cell needed does not depend on what it holds. A new record
// (a data file, a read of the ECU) starts everything afresh.
class AutotuneWorkspace : public QObject {
    Q_OBJECT
public:
    // Sends the cells of the fuel table as one change and one undo step.
    using ApplyCells = std::function<void(const std::vector<FieldCell>& cells)>;

    AutotuneWorkspace(SettingsStore& store, UserInteraction& ui, ApplyCells apply,
                      QObject* parent = nullptr);
    ~AutotuneWorkspace() override;

    const AutotuneChoices& choices() const { return m_choices; }
    void setChoices(const AutotuneChoices& choices);
    AutotuneSource source() const { return m_source; }
    void setSource(AutotuneSource source);

    // The logs read with the Logs source: those given that are not listed
    // yet join the list.
    const QStringList& logs() const { return m_logs; }
    void addLogs(const QStringList& paths);
    void removeLog(int index);
    bool reading() const { return m_read.busy(); }
    double readProgress() const { return m_read.progress(); }

    // A click or Space on a block of cells (grid numbers 1..16).
    void toggleLocks(const GridSelection& block);
    void clearLocks();

    // A sample of the live stream; taken with the Live source only. With the
    // automatic apply on, the proposal is applied once its period has passed
    // on the samples' clock since the last apply.
    void addLiveSample(const LiveSample& sample);

    const AutotuneProposal& proposal() const { return m_proposal; }
    const AutotuneCounts& counts() const { return m_counts; }
    // Log records left out for lack of a value autotune reads, and lines of
    // the logs skipped as damaged.
    qint64 incompleteRecords() const { return m_incomplete; }
    qint64 skippedLines() const { return m_skipped; }
    // Why no records are taken (autotuneProblem), or empty.
    const QString& problem() const { return m_problem; }
    const EcuSettings::Table& startTable() const { return m_start; }

    // Sends the cells the proposal changes as one change of the fuel table.
    // The records behind them are used up: the live samples so far, or the
    // logs, which the table no longer matches. Returns the cells sent.
    int apply();

signals:
    // The proposal or the counts changed.
    void proposalChanged();
    void logsChanged();
    void readingChanged(bool reading);
    // After an apply that sent cells: how many, and whether the automatic
    // apply made it.
    void applied(int cells, bool automatic);

private:
    void restart();
    void readLogs();
    void readFinished();
    void settingsChanged(const SettingsChange& change);
    int applyNow(bool automatic);
    void useLocks(Autotune& session) const;
    void refresh();

    SettingsStore& m_store;
    UserInteraction& m_ui;
    ApplyCells m_apply;
    EcuSettings::Table m_start{};
    AutotuneChoices m_choices;
    AutotuneSource m_source = AutotuneSource::Logs;
    QStringList m_logs;
    std::unique_ptr<Autotune> m_session;
    AutotuneProposal m_proposal;
    AutotuneCounts m_counts;
    QString m_problem;
    qint64 m_incomplete = 0;
    qint64 m_skipped = 0;
    // The live samples since the last apply, fed again on a restart.
    std::vector<LiveSample> m_live;
    std::optional<qint64> m_lastApplyMs;

    // The read under way: the worker alone touches these until it ends.
    BackgroundRead m_read;
    std::unique_ptr<Autotune> m_reading;
    std::vector<std::pair<QString, QString>> m_readErrors; // path, reason
    qint64 m_readIncomplete = 0;
    qint64 m_readSkipped = 0;
};
