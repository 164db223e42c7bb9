// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogSessionScript.h"
#include "TestData.h"
#include "monitor/DataLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

TEST(LogWriter, SessionMatchesTheGoldenLog) {
    QTemporaryDir dir;
    const QString path = dir.filePath("session.log");
    AppState state;
    qint64 now = 0;
    DataLog log(state, [&now] { return now; });
    ASSERT_FALSE(log.open(path).has_value());
    int k = 0;
    for (const logscript::Run& run : logscript::runs()) {
        logscript::applyRun(run, state);
        for (int r = 0; r < run.records; ++r, ++k) {
            now = run.startMs + r * run.stepMs;
            logscript::liveValues(k, state.engine);
            const QDateTime clock = run.clock.addMSecs(r * run.stepMs);
            const auto error =
                run.layout == logscript::Layout::Full
                    ? log.writeFullRecord(clock, logscript::kLocale)
                    : log.writePlotRecord(run.plotChannels, clock, logscript::kLocale);
            ASSERT_FALSE(error.has_value());
        }
    }
    log.close();
    EXPECT_EQ(readAll(path), testDataBytes("monitor/session.log"));
}

} // namespace
