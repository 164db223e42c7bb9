// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BackgroundRead.h"

#include <QFile>
#include <QThread>
#include <algorithm>

namespace {

// A file read through a counter the window may look at while the worker
// reads, and that ends the input early when the read is cancelled.
class CountingFile : public QIODevice {
public:
    CountingFile(const QString& path, std::atomic<qint64>& read, const std::atomic<bool>& cancel)
        : m_file(path), m_read(read), m_cancel(cancel) {}

    bool open() {
        if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            setErrorString(m_file.errorString());
            return false;
        }
        return QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (m_cancel.load(std::memory_order_relaxed)) {
            return 0;
        }
        const qint64 got = m_file.read(data, maxSize);
        if (got < 0) {
            setErrorString(m_file.errorString());
        } else {
            m_read.fetch_add(got, std::memory_order_relaxed);
        }
        return got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QFile m_file;
    std::atomic<qint64>& m_read;
    const std::atomic<bool>& m_cancel;
};

} // namespace

BackgroundRead::BackgroundRead(QObject* parent) : QObject(parent) {}

BackgroundRead::~BackgroundRead() {
    cancel();
}

void BackgroundRead::start(qint64 totalBytes, Work work) {
    cancel();
    m_size = totalBytes;
    m_bytesRead = 0;
    m_cancel = false;
    m_thread = QThread::create([this, work = std::move(work)] { work(*this); });
    // A read cancelled or replaced may still have its end on its way.
    const int generation = ++m_generation;
    connect(m_thread, &QThread::finished, this, [this, generation] {
        if (generation != m_generation) {
            return;
        }
        m_thread->wait();
        m_thread->deleteLater();
        m_thread = nullptr;
        emit finished();
    });
    m_thread->start();
}

void BackgroundRead::cancel() {
    if (m_thread == nullptr) {
        return;
    }
    m_cancel = true;
    ++m_generation;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}

double BackgroundRead::progress() const {
    if (m_size <= 0) {
        return 0.0;
    }
    return std::min(1.0, static_cast<double>(m_bytesRead.load()) / static_cast<double>(m_size));
}

std::unique_ptr<QIODevice> BackgroundRead::open(const QString& path, QString* error) {
    auto file = std::make_unique<CountingFile>(path, m_bytesRead, m_cancel);
    if (!file->open()) {
        *error = file->errorString();
        return nullptr;
    }
    return file;
}
