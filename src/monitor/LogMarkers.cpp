// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LogMarkers.h"

#include "record/FileAccess.h"
#include "record/ListStyle.h"

namespace {

const QString kLinkLost = QStringLiteral("Link lost");
const QString kTitle = QStringLiteral("Log Options");
constexpr float kVersion = 1.0f;
const QString kEnd = QStringLiteral("End Of File");

} // namespace

QString linkLostMarker() {
    return kLinkLost;
}

QString linkFoundMarker() {
    return QStringLiteral("Link found");
}

QString latePollMarker(qint64 lateMs) {
    return QStringLiteral("Poll late by %1 s").arg(static_cast<double>(lateMs) / 1000.0, 0, 'f', 2);
}

QString noteMarker(const QString& note) {
    const QString line = note.simplified();
    return line.isEmpty() ? QStringLiteral("Marker") : line;
}

bool isLinkLossMarker(const QString& text) {
    return text.startsWith(kLinkLost, Qt::CaseInsensitive);
}

QString markerLine(const QString& text) {
    return QStringLiteral("# ") + text;
}

std::optional<qint64> PollGapWatch::tick(qint64 timeMs, int intervalMs) {
    const std::optional<qint64> last = m_last;
    m_last = timeMs;
    if (!last) {
        return std::nullopt;
    }
    const qint64 late = timeMs - *last - intervalMs;
    if (late > intervalMs) {
        return late;
    }
    return std::nullopt;
}

QByteArray logOptionsBytes(const LogOptions& options) {
    ListWriter out;
    out.writeString(kTitle);
    out.writeSingle(kVersion);
    out.endLine();
    out.writeString(QStringLiteral("Markers"));
    out.writeBool(options.markers);
    out.endLine();
    out.writeString(kEnd);
    out.endLine();
    return out.data();
}

std::optional<LogOptions> parseLogOptions(const QByteArray& bytes) {
    ListReader in(bytes);
    if (in.readString() != kTitle || in.readSingle() != kVersion) {
        return std::nullopt;
    }
    LogOptions options;
    in.skip();
    options.markers = in.readBool().value_or(true);
    if (in.readString() != kEnd || in.failed()) {
        return std::nullopt;
    }
    return options;
}

QString logOptionsPath(const QString& settingsPath) {
    return fileBesideSettings(settingsPath, QStringLiteral("logging.conf"));
}

LogOptions loadLogOptions(const QString& path) {
    return parsedFileOr<LogOptions>(path, parseLogOptions);
}

QString saveLogOptions(const QString& path, const LogOptions& options) {
    return saveFileWithFolder(path, logOptionsBytes(options));
}
