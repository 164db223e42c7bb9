// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TuningCommands.h"
#include "record/SettingsStore.h"

#include "files/EcuFile.h"
#include "monitor/SampleLogReader.h"
#include "record/AppState.h"

#include <QFile>
#include <cmath>

// Commands that read data logs against a tune: the cells the records fall
// in (log hits), and the fuel table corrected from the EGO sensor's
// readings (autotune).

Fail failWith(CliContext& context) {
    return [&context](const QString& text) {
        context.ui.message(text, UserInteraction::Icon::Critical);
        return kExitFailure;
    };
}

std::optional<EcuSettings> loadTune(const QString& path, CliContext& context) {
    EcuFileReadResult result = loadEcuFile(path, context.store.settings());
    if (!result.ok()) {
        context.ui.message(QStringLiteral("%1: %2").arg(path, result.error),
                           UserInteraction::Icon::Critical);
        return std::nullopt;
    }
    return std::move(result.settings);
}

std::optional<double> parseNumber(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

bool readLogs(const QString& command, const QStringList& paths, LogRecordSink& sink,
              CliContext& context, qint64* records) {
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            context.ui.message(QStringLiteral("%1: %2: %3").arg(command, path, file.errorString()),
                               UserInteraction::Icon::Critical);
            return false;
        }
        const LogReadResult result = readLogRecords(file, sink);
        if (!result.error.isEmpty()) {
            context.ui.message(QStringLiteral("%1: %2: %3").arg(command, path, result.error),
                               UserInteraction::Icon::Critical);
            return false;
        }
        if (result.skippedLines > 0) {
            context.ui.message(QStringLiteral("%1: %2: skipped %3 line(s) that are not records")
                                   .arg(command, path)
                                   .arg(result.skippedLines),
                               UserInteraction::Icon::Warning);
        }
        *records += result.records;
    }
    return true;
}

std::vector<CliCommand> tuningCommands() {
    return {logCommand(), autotuneCommand()};
}
