// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryRecorder.h"

#include "files/EcuDiff.h"
#include "files/EcuFile.h"

#include <QFileInfo>
#include <utility>

namespace {

bool sameSettings(const EcuSettings& a, const EcuSettings& b) {
    return compareEcuSettings(a, b).empty();
}

} // namespace

QString ReconnectQuestion::referenceName() const {
    if (snapshot) {
        return QStringLiteral("the snapshot of %1 (%2)")
            .arg(snapshotTimeText(snapshot->time), snapshotSourceText(snapshot->source));
    }
    return QFileInfo(file).fileName();
}

QString ReconnectQuestion::text() const {
    const QString ecuName =
        serial.isEmpty() ? QStringLiteral("the ECU") : QStringLiteral("the ECU %1").arg(serial);
    if (snapshot) {
        return QStringLiteral("The settings read from %1 differ from its latest snapshot, %2.\r\n"
                              "Nothing is sent unless you choose so.")
            .arg(ecuName, referenceName());
    }
    return QStringLiteral("The settings read from %1 differ from %2, whose send to it was cut "
                          "off.\r\nNothing is sent unless you choose so.")
        .arg(ecuName, referenceName());
}

QString ReconnectQuestion::sendCaption() const {
    QString name = referenceName();
    return snapshot ? QStringLiteral("Se&nd the Snapshot")
                    : QStringLiteral("Se&nd %1")
                          .arg(name.replace(QLatin1Char('&'), QStringLiteral("&&")));
}

HistoryRecorder::HistoryRecorder(UserInteraction& ui, TuneHistoryOptions options, QObject* parent)
    : QObject(parent), m_ui(ui), m_options(std::move(options)) {}

HistoryRecorder::~HistoryRecorder() = default;

void HistoryRecorder::open() {
    if (!m_history) {
        m_history = std::make_unique<TuneHistory>(m_ui, m_options);
    }
}

void HistoryRecorder::record(const EcuSettings& settings, SnapshotSource source,
                             const EcuIdentity* ecu, const QString& path) {
    if (m_history) {
        m_history->record(settings, source, ecu, path);
    }
}

void HistoryRecorder::ecuRead(const EcuSettings& read, const EcuIdentity& ecu,
                              const std::optional<EcuSettings>& held) {
    const QString serial = ecu.SerialNumberText;
    // Looked up before the read is kept, which would otherwise be the latest.
    const std::optional<ReconnectQuestion> question =
        m_cutOffFile.isEmpty() ? snapshotQuestion(read, serial, held) : fileQuestion(read, serial);
    record(read, SnapshotSource::ReadFromEcu, &ecu);
    if (question) {
        emit reconnectQuestion(*question);
    }
}

std::optional<ReconnectQuestion> HistoryRecorder::fileQuestion(const EcuSettings& read,
                                                               const QString& serial) const {
    const EcuFileReadResult loaded = loadEcuFile(m_cutOffFile, read);
    if (!loaded.ok() || sameSettings(*loaded.settings, read)) {
        return std::nullopt;
    }
    return ReconnectQuestion{serial, *loaded.settings, read, std::nullopt, m_cutOffFile};
}

std::optional<ReconnectQuestion>
HistoryRecorder::snapshotQuestion(const EcuSettings& read, const QString& serial,
                                  const std::optional<EcuSettings>& held) const {
    if (!m_history || !m_history->isAvailable() || serial.isEmpty()) {
        return std::nullopt;
    }
    std::optional<SnapshotInfo> reference;
    if (const auto left = m_leftForLater.find(serial); left != m_leftForLater.end()) {
        reference = left->second;
    } else if (held && sameSettings(*held, read)) {
        return std::nullopt;
    } else {
        SnapshotFilter filter;
        filter.ecuSerial = serial;
        const std::optional<std::vector<SnapshotInfo>> snapshots = m_history->list(filter);
        if (snapshots && !snapshots->empty()) {
            reference = snapshots->front();
        }
    }
    if (!reference) {
        return std::nullopt;
    }
    const std::optional<EcuSettings> settings = m_history->settings(reference->id, read);
    if (!settings || sameSettings(*settings, read)) {
        return std::nullopt;
    }
    return ReconnectQuestion{serial, *settings, read, reference, {}};
}

void HistoryRecorder::answered(const ReconnectQuestion& question, ReconnectAnswer answer) {
    if (answer == ReconnectAnswer::LeaveForLater) {
        if (question.snapshot) {
            m_leftForLater[question.serial] = *question.snapshot;
        }
        return;
    }
    m_leftForLater.erase(question.serial);
    if (answer == ReconnectAnswer::KeepEcuSettings) {
        m_cutOffFile.clear();
    }
}

void HistoryRecorder::sentToEcu(const EcuSettings& settings, const EcuIdentity& ecu,
                                const QString& file) {
    m_cutOffFile.clear();
    m_leftForLater.erase(ecu.SerialNumberText);
    record(settings, SnapshotSource::SentToEcu, &ecu, file);
}

void HistoryRecorder::sendCutOff(const QString& file) {
    m_cutOffFile = file;
}

void HistoryRecorder::storedInEcu(const EcuSettings& settings, const EcuIdentity& ecu) {
    record(settings, SnapshotSource::StoredInEcu, &ecu);
}

void HistoryRecorder::autotuneApplied(const EcuSettings& settings, const EcuIdentity* ecu) {
    record(settings, SnapshotSource::AutotuneApplied, ecu);
}

void HistoryRecorder::fileOpened(const QString& path, const EcuSettings& settings) {
    record(settings, SnapshotSource::FileOpened, nullptr, path);
}

void HistoryRecorder::fileSaving(const QString& path, const EcuSettings& base) {
    m_beforeSave.reset();
    if (!m_history || !QFileInfo::exists(path)) {
        return;
    }
    const EcuFileReadResult old = loadEcuFile(path, base);
    if (old.ok()) {
        m_beforeSave = FileContents{QFileInfo(path).absoluteFilePath(), *old.settings};
    }
}

void HistoryRecorder::fileSaved(const QString& path, const EcuSettings& settings,
                                const EcuIdentity* ecu) {
    const std::optional<FileContents> before = std::exchange(m_beforeSave, std::nullopt);
    if (before && before->path == QFileInfo(path).absoluteFilePath() &&
        writeEcuFile(before->settings) != writeEcuFile(settings)) {
        record(before->settings, SnapshotSource::FileOverwritten, nullptr, path);
    }
    record(settings, SnapshotSource::FileSaved, ecu, path);
}
