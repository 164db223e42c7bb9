#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QString>
#include <array>
#include <functional>
#include <optional>

struct AppState;

// What went wrong with the log file: the file error's number and its text.
struct LogError {
    int number = 0;
    QString description;
};

// The messages the two writers show for a failure.
QString fullRecordErrorMessage(const LogError& error);
QString plotRecordErrorMessage(const LogError& error);

// The open data log: appends header blocks and records to one file. Any
// failure switches logging off (LogActive cleared) and is returned for the
// caller to show. Choosing the file is the caller's job.
class DataLog {
public:
    // Milliseconds of a steady clock; by default the time since construction.
    using Clock = std::function<qint64()>;

    explicit DataLog(AppState& state, Clock clock = {});
    DataLog(const DataLog&) = delete;
    DataLog& operator=(const DataLog&) = delete;

    // Opens the file for appending, creating it if missing, and makes the
    // next record start with a header. An open file is closed first.
    std::optional<LogError> open(const QString& path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    // Full path and file name without folder; empty while no file is open.
    QString filePath() const { return isOpen() ? m_file.fileName() : QString(); }
    QString fileName() const;

    // Writes one record, preceded by the header block when one is due.
    // Returns the message to show after a failure.
    std::optional<QString> writeFullRecord(const QDateTime& now, const QLocale& locale);
    std::optional<QString> writePlotRecord(const std::array<int, 2>& channels, const QDateTime& now,
                                           const QLocale& locale);

private:
    std::optional<LogError> write(const QString& title, bool plot,
                                  const std::array<int, 2>& channels, const QDateTime& now,
                                  const QLocale& locale);
    std::optional<LogError> fail(const QFile& file);

    AppState& m_state;
    Clock m_clock;
    QElapsedTimer m_elapsed;
    QFile m_file;
    qint64 m_headerTime = 0;
};
