// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/TuneHistory.h"

#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <optional>

// What the tuner is asked after the ECU was found and read whole, when its
// settings differ from what it was last known to hold: the latest snapshot
// of the same ECU serial, or the data file whose send to it was cut off.
struct ReconnectQuestion {
    QString serial;
    EcuSettings reference;                // the snapshot's or the file's settings
    EcuSettings ecu;                      // what the ECU holds
    std::optional<SnapshotInfo> snapshot; // the reference is this snapshot,
    QString file;                         // or this file

    // "the snapshot of 1 Mar 2025 14:22:05 (stored in the ECU)", "tune.ecu"
    QString referenceName() const;
    QString text() const;
    // The caption of the choice that sends the reference.
    QString sendCaption() const;
};

enum class ReconnectAnswer {
    KeepEcuSettings, // nothing is sent; the ECU's settings stand
    SendReference,   // the snapshot or the file is sent to the ECU
    LeaveForLater,   // nothing is sent, and the next search asks again
};

// The window program's automatic snapshots. Its slots take the signals of
// what happened to the whole record (a full read after a search, a full
// send, a store, a data file opened or saved) and keep what is worth keeping
// in the tune history, which it opens at start. After a read that differs
// from what the ECU was known to hold it asks, through reconnectQuestion(),
// what to do; it sends nothing itself.
//
// A history that cannot be used or written never stops the work: the tuner
// is told through the user interaction, and the recorder goes on without.
class HistoryRecorder : public QObject {
    Q_OBJECT
public:
    HistoryRecorder(UserInteraction& ui, TuneHistoryOptions options, QObject* parent = nullptr);
    ~HistoryRecorder() override;

    // Opens the history (and tells of any fault once); until then nothing is
    // kept.
    void open();
    // The open history, or null.
    TuneHistory* history() const { return m_history.get(); }

    // A search found the ECU and read it whole; held is what the program held
    // for the same ECU before. Keeps the read, and asks when the ECU's
    // settings differ from the file whose send to it was cut off, or else from
    // the snapshot left for later or the ECU's latest snapshot. The ECU
    // holding just what the program held for it (the line was lost while
    // tuning) asks nothing.
    void ecuRead(const EcuSettings& read, const EcuIdentity& ecu,
                 const std::optional<EcuSettings>& held);
    void sentToEcu(const EcuSettings& settings, const EcuIdentity& ecu, const QString& file);
    void sendCutOff(const QString& file);
    void storedInEcu(const EcuSettings& settings, const EcuIdentity& ecu);
    void fileOpened(const QString& path, const EcuSettings& settings);
    // Before a save: keeps what the file holds, so that a save that replaces
    // it keeps the old contents too. base gives what a data file lacks.
    void fileSaving(const QString& path, const EcuSettings& base);
    // After a save; ecu is the ECU online while it was saved, if any.
    void fileSaved(const QString& path, const EcuSettings& settings, const EcuIdentity* ecu);

    // Autotune changed the settings; ecu is the ECU they were sent to, if any.
    void autotuneApplied(const EcuSettings& settings, const EcuIdentity* ecu);

    // The tuner's answer to a question asked.
    void answered(const ReconnectQuestion& question, ReconnectAnswer answer);

signals:
    void reconnectQuestion(const ReconnectQuestion& question);

private:
    void record(const EcuSettings& settings, SnapshotSource source, const EcuIdentity* ecu,
                const QString& path = {});
    std::optional<ReconnectQuestion> fileQuestion(const EcuSettings& read,
                                                  const QString& serial) const;
    std::optional<ReconnectQuestion> snapshotQuestion(const EcuSettings& read,
                                                      const QString& serial,
                                                      const std::optional<EcuSettings>& held) const;

    struct FileContents {
        QString path;
        EcuSettings settings;
    };

    UserInteraction& m_ui;
    TuneHistoryOptions m_options;
    std::unique_ptr<TuneHistory> m_history;
    std::optional<FileContents> m_beforeSave;
    // The data file whose send was cut off, until a send goes whole or the
    // tuner keeps the ECU's settings.
    QString m_cutOffFile;
    // The snapshot each ECU (by serial) was found to differ from, while the
    // tuner leaves the question for later.
    std::map<QString, SnapshotInfo> m_leftForLater;
};
