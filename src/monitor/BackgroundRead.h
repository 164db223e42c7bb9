// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QIODevice;
class QThread;

// A read of files on a worker thread, so that the window that asked keeps
// painting and can show how far it got. The work runs on the worker and
// opens its files with open(), whose reads are counted; the thread that
// started the read polls progress() and is told by finished() once the
// worker has ended, and only then touches what the work filled. One read at
// a time: a new one, cancel() or the object's end stop the read under way
// (its files then end early), and no finished() follows a stopped read.
class BackgroundRead : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(BackgroundRead& read)>;

    explicit BackgroundRead(QObject* parent = nullptr);
    ~BackgroundRead() override;
    BackgroundRead(const BackgroundRead&) = delete;
    BackgroundRead& operator=(const BackgroundRead&) = delete;

    // Starts the work; totalBytes is what its files hold in all.
    void start(qint64 totalBytes, Work work);
    // Stops the read under way and waits for the worker.
    void cancel();
    bool busy() const { return m_thread != nullptr; }
    // The share of the bytes read so far, 0 to 1.
    double progress() const;

    // For the work: the file opened for reading, or null with the reason.
    std::unique_ptr<QIODevice> open(const QString& path, QString* error);

signals:
    void finished();

private:
    QThread* m_thread = nullptr;
    int m_generation = 0;
    qint64 m_size = 0;
    std::atomic<qint64> m_bytesRead{0};
    std::atomic<bool> m_cancel{false};
};
