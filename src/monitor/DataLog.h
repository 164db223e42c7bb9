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
class LiveSample;
struct PlotLogLayout;

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

    // Writes the record of one sample, preceded by the header block when
    // one is due; now is the date and time of day the header shows. A
    // record's time counts from the sample that brought the header. Returns
    // the message to show after a failure.
    std::optional<QString> writeFullRecord(const LiveSample& sample, const QDateTime& now,
                                           const QLocale& locale);
    std::optional<QString> writePlotRecord(const LiveSample& sample, const PlotLogLayout& layout,
                                           const QDateTime& now, const QLocale& locale);
    // The same for the live values held now, taken at the clock's time.
    std::optional<QString> writeFullRecord(const QDateTime& now, const QLocale& locale);
    std::optional<QString> writePlotRecord(const std::array<int, 2>& channels, const QDateTime& now,
                                           const QLocale& locale);

private:
    std::optional<LogError> write(const LiveSample& sample, const PlotLogLayout* plot,
                                  const QDateTime& now, const QLocale& locale);
    std::optional<LogError> fail(const QFile& file);

    AppState& m_state;
    Clock m_clock;
    QElapsedTimer m_elapsed;
    QFile m_file;
    qint64 m_headerTime = 0;
};
