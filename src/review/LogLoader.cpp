// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/LogLoader.h"

#include "monitor/SampleSeries.h"

#include <QFileInfo>
#include <QIODevice>

LogLoader::LogLoader(QObject* parent) : QObject(parent) {
    connect(&m_read, &BackgroundRead::finished, this, &LogLoader::finished);
}

LogLoader::~LogLoader() {
    cancel();
}

void LogLoader::start(const QString& path) {
    cancel();
    m_path = path;
    m_result = {};
    m_openError.clear();
    m_series = std::make_unique<SampleSeries>();
    // The worker owns nothing: it fills the members the window reads only
    // after it has ended.
    m_read.start(QFileInfo(path).size(), [this, path](BackgroundRead& read) {
        const std::unique_ptr<QIODevice> file = read.open(path, &m_openError);
        if (file) {
            m_result = readSampleLog(*file, *m_series);
        }
    });
}

void LogLoader::cancel() {
    if (m_read.busy()) {
        m_read.cancel();
        m_series.reset();
    }
}

std::unique_ptr<SampleSeries> LogLoader::takeSeries() {
    return std::move(m_series);
}
