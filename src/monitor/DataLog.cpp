// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/DataLog.h"

#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "monitor/LogMarkers.h"

#include <QFileInfo>

QString fullRecordErrorMessage(const LogError& error) {
    return QStringLiteral("Error - %1 - %2").arg(error.number).arg(error.description);
}

QString plotRecordErrorMessage(const LogError& error) {
    return QStringLiteral("Log File Error!\r\n(%1)").arg(error.description);
}

QString DataLog::fileName() const {
    return isOpen() ? QFileInfo(m_file.fileName()).fileName() : QString();
}

LogError DataLog::fail(const QFile& file) {
    const int number = file.error() == QFileDevice::NoError
                           ? static_cast<int>(QFileDevice::UnspecifiedError)
                           : static_cast<int>(file.error());
    return LogError{number, file.errorString()};
}

std::optional<LogError> DataLog::open(const QString& path) {
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        auto error = fail(m_file);
        m_file.setFileName(QString());
        return error;
    }
    m_headerPending = true;
    return std::nullopt;
}

void DataLog::close() {
    if (m_file.isOpen()) {
        m_file.close();
    }
}

std::optional<LogError> DataLog::write(const LiveSample& sample, const PlotLogLayout* plot,
                                       const QDateTime& now, const QLocale& locale) {
    if (!m_file.isOpen()) {
        return LogError{static_cast<int>(QFileDevice::OpenError),
                        QStringLiteral("No log file is open")};
    }
    const bool header = m_headerPending;
    const qint64 nowMs = sample.timeMs();
    const qint64 base = header ? nowMs : m_headerTime;
    const double seconds = static_cast<double>(nowMs - base) / 1000.0;

    QString text;
    if (header) {
        text += logRuleLine() + QStringLiteral("\r\n");
        text += logDateTimeLine(now, locale) + QStringLiteral("\r\n");
        text +=
            (plot ? plotRecordTitleLine(*plot) : fullRecordTitleLine()) + QStringLiteral("\r\n");
    }
    text += (plot ? plotRecordLine(sample, *plot, seconds) : fullRecordLine(sample, seconds)) +
            QStringLiteral("\r\n");

    if (auto error = append(text.toLatin1())) {
        return error;
    }
    if (header) {
        m_headerTime = nowMs;
        m_headerPending = false;
    }
    return std::nullopt;
}

std::optional<LogError> DataLog::append(const QByteArray& bytes) {
    const qint64 start = m_file.isSequential() ? -1 : m_file.size();
    qint64 written = m_file.write(bytes);
    if (written >= 0 && written < bytes.size()) {
        // A full disk or the file size limit stops a write part-way without
        // a reason; writing the rest either finishes it or gives the reason.
        const qint64 rest = m_file.write(bytes.constData() + written, bytes.size() - written);
        written = rest < 0 ? rest : written + rest;
    }
    if (written != bytes.size() || !m_file.flush()) {
        auto error = fail(m_file);
        // The file ends on the last whole line, not on part of this one.
        if (start >= 0 && m_file.size() > start) {
            m_file.resize(start);
        }
        return error;
    }
    return std::nullopt;
}

std::optional<QString> DataLog::writeMarker(const QString& text) {
    if (!m_file.isOpen()) {
        return fullRecordErrorMessage(LogError{static_cast<int>(QFileDevice::OpenError),
                                               QStringLiteral("No log file is open")});
    }
    // A marker's text is Latin-1, as every line of the log.
    if (auto error = append((markerLine(text) + QStringLiteral("\r\n")).toLatin1())) {
        return fullRecordErrorMessage(*error);
    }
    return std::nullopt;
}

std::optional<QString> DataLog::writeFullRecord(const LiveSample& sample, const QDateTime& now,
                                                const QLocale& locale) {
    if (auto error = write(sample, nullptr, now, locale)) {
        return fullRecordErrorMessage(*error);
    }
    return std::nullopt;
}

std::optional<QString> DataLog::writePlotRecord(const LiveSample& sample,
                                                const PlotLogLayout& layout, const QDateTime& now,
                                                const QLocale& locale) {
    if (auto error = write(sample, &layout, now, locale)) {
        return plotRecordErrorMessage(*error);
    }
    return std::nullopt;
}
