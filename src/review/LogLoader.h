// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BackgroundRead.h"
#include "monitor/SampleLogReader.h"

#include <QObject>
#include <QString>
#include <memory>

class SampleSeries;

// Reads a log into a new series on a worker thread, so that the window
// that asked keeps painting and can show how far it got. The series is
// touched by the worker alone until finished() is emitted; then the window
// takes it whole. One read at a time; a new one, cancel() or the loader's
// end stop the read under way.
class LogLoader : public QObject {
    Q_OBJECT
public:
    explicit LogLoader(QObject* parent = nullptr);
    ~LogLoader() override;
    LogLoader(const LogLoader&) = delete;
    LogLoader& operator=(const LogLoader&) = delete;

    // Starts reading the file; finished() follows, also when it could not
    // be opened (openError()).
    void start(const QString& path);
    // Stops the read under way and waits for the worker; no finished() follows.
    void cancel();
    bool busy() const { return m_read.busy(); }

    const QString& path() const { return m_path; }
    // The share of the file read so far, 0 to 1.
    double progress() const { return m_read.progress(); }

    // After finished(): what was read, the series (once), and why the file
    // could not be opened (empty when it was).
    const LogReadResult& result() const { return m_result; }
    std::unique_ptr<SampleSeries> takeSeries();
    const QString& openError() const { return m_openError; }

signals:
    void finished();

private:
    QString m_path;
    BackgroundRead m_read;
    std::unique_ptr<SampleSeries> m_series;
    LogReadResult m_result;
    QString m_openError;
};
