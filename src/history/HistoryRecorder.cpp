// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryRecorder.h"

#include "files/EcuDiff.h"
#include "files/EcuFile.h"

#include <QDir>
#include <QFileInfo>

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
    const QString ecuName = serial.isEmpty() ? QStringLiteral("the ECU")
                                             : QStringLiteral("the ECU %1").arg(serial);
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
    return snapshot ? QStringLiteral("&Send the Snapshot")
                    : QStringLiteral("&Send %1").arg(referenceName());
}

HistoryRecorder::HistoryRecorder(UserInteraction& ui, TuneHistoryOptions options)
    : m_ui(ui), m_options(std::move(options)) {}

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

std::optional<ReconnectQuestion> HistoryRecorder::ecuRead(const EcuSettings& read,
                                                          const EcuIdentity& ecu,
                                                          const std::optional<EcuSettings>& held,
                                                          const QString& sentFile) {
    const QString serial = ecu.SerialNumberText;
    std::optional<ReconnectQuestion> question;
    // The ECU holding just what the program held for it (the line was lost
    // while tuning) leaves nothing to choose.
    if (!held || !sameSettings(*held, read)) {
        question = sentFile.isEmpty() ? snapshotQuestion(read, serial)
                                      : fileQuestion(read, serial, sentFile);
    }
    // Taken after the question's snapshot was looked up, which it would
    // otherwise be.
    record(read, SnapshotSource::ReadFromEcu, &ecu);
    return question;
}

std::optional<ReconnectQuestion> HistoryRecorder::fileQuestion(const EcuSettings& read,
                                                               const QString& serial,
                                                               const QString& file) const {
    const EcuFileReadResult loaded = loadEcuFile(file, read);
    if (!loaded.ok() || sameSettings(*loaded.settings, read)) {
        return std::nullopt;
    }
    ReconnectQuestion question{serial, *loaded.settings, read, std::nullopt, file};
    return question;
}

std::optional<ReconnectQuestion> HistoryRecorder::snapshotQuestion(const EcuSettings& read,
                                                                   const QString& serial) const {
    if (!m_history || !m_history->isAvailable() || serial.isEmpty()) {
        return std::nullopt;
    }
    std::optional<SnapshotInfo> reference;
    if (const auto left = m_leftForLater.find(serial); left != m_leftForLater.end()) {
        reference = left->second;
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
    ReconnectQuestion question{serial, *settings, read, reference, {}};
    return question;
}

void HistoryRecorder::answered(const ReconnectQuestion& question, ReconnectAnswer answer) {
    if (answer == ReconnectAnswer::LeaveForLater && question.snapshot) {
        m_leftForLater[question.serial] = *question.snapshot;
    } else {
        m_leftForLater.erase(question.serial);
    }
}

void HistoryRecorder::sentToEcu(const EcuSettings& settings, const EcuIdentity& ecu,
                                const QString& path) {
    m_leftForLater.erase(ecu.SerialNumberText);
    record(settings, SnapshotSource::SentToEcu, &ecu, path);
}

void HistoryRecorder::storedInEcu(const EcuSettings& settings, const EcuIdentity& ecu) {
    record(settings, SnapshotSource::StoredInEcu, &ecu);
}

void HistoryRecorder::fileOpened(const EcuSettings& settings, const QString& path) {
    record(settings, SnapshotSource::FileOpened, nullptr, path);
}

void HistoryRecorder::fileAboutToBeSaved(const QString& path, const EcuSettings& base) {
    m_beforeSave.reset();
    if (!m_history || !QFileInfo::exists(path)) {
        return;
    }
    const EcuFileReadResult old = loadEcuFile(path, base);
    if (old.ok()) {
        m_beforeSave = FileContents{QFileInfo(path).absoluteFilePath(), *old.settings};
    }
}

void HistoryRecorder::fileSaved(const EcuSettings& settings, const QString& path,
                                const EcuIdentity* ecu) {
    const std::optional<FileContents> before = std::exchange(m_beforeSave, std::nullopt);
    if (before && before->path == QFileInfo(path).absoluteFilePath() &&
        writeEcuFile(before->settings) != writeEcuFile(settings)) {
        record(before->settings, SnapshotSource::FileOverwritten, nullptr, path);
    }
    record(settings, SnapshotSource::FileSaved, ecu, path);
}

void HistoryRecorder::autotuneApplied(const EcuSettings& settings, const EcuIdentity* ecu) {
    record(settings, SnapshotSource::AutotuneApplied, ecu);
}
