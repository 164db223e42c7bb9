// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/DataLog.h"

#include "RecordingInteraction.h"
#include "monitor/Acquisition.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "monitor/LoggingController.h"
#include "record/AppState.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

const QLocale kLocale(QLocale::German, QLocale::Germany);
const QDateTime kEvening(QDate(2026, 3, 14), QTime(23, 59, 50));
const QString kRule(110, QLatin1Char('-'));

QStringList linesOf(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    EXPECT_TRUE(data.endsWith("\r\n"));
    QStringList lines = QString::fromLatin1(data).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

// The log of samples taken at m_ms; the logging switch of an online ECU
// with the data window open, whose file chooser gives m_chosen.
class DataLogTest : public ::testing::Test {
protected:
    DataLogTest() {
        m_state.EcuOnline = true;
        m_settings.LoadControl = 1;
        m_engine.RpmChannel.Value = 1200;
        m_engine.MapChannel.Value = 5.5f;
        m_logging.setFileChooser([this] { return m_chosen; });
        m_logging.setViews([] { return true; }, [] { return false; });
    }
    QString path() const { return m_dir.filePath("run.log"); }
    LiveSample sample() const { return LiveSample::fromEngineData(m_engine, m_ms); }
    std::optional<QString> full(const QDateTime& now = kEvening) {
        return m_log.writeFullRecord(sample(), now, kLocale);
    }
    std::optional<QString> plot(const QDateTime& now = kEvening) {
        return m_log.writePlotRecord(sample(), plotLogLayout(m_state, m_settings, {0, 11}), now,
                                     kLocale);
    }

    QTemporaryDir m_dir;
    AppState m_state;
    EcuSettings m_settings;
    EngineData m_engine;
    qint64 m_ms = 5000;
    DataLog m_log;
    RecordingInteraction m_ui;
    LoggingController m_logging{m_state, m_settings, m_ui};
    QString m_chosen;
};

TEST_F(DataLogTest, FirstRecordBringsTheHeaderBlock) {
    ASSERT_FALSE(m_log.open(path()));
    EXPECT_TRUE(m_log.headerPending());
    EXPECT_EQ(m_log.fileName(), "run.log");
    EXPECT_EQ(m_log.filePath(), path());

    EXPECT_FALSE(full());
    EXPECT_FALSE(m_log.headerPending());
    m_ms += 1500;
    EXPECT_FALSE(full());

    const QStringList lines = linesOf(path());
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], kRule);
    EXPECT_EQ(lines[1], "14.03.26      23:59:50");
    EXPECT_TRUE(lines[2].startsWith("    Time       Rpm       Map"));
    EXPECT_TRUE(lines[3].startsWith("   0.000      1200      5.50")) << lines[3].toStdString();
    EXPECT_TRUE(lines[4].startsWith("   1.500      1200")) << lines[4].toStdString();
}

TEST_F(DataLogTest, NewHeaderRestartsTheTimeBase) {
    ASSERT_FALSE(m_log.open(path()));
    EXPECT_FALSE(full());
    m_ms += 60000;
    m_log.requestHeader();
    EXPECT_FALSE(plot());
    m_ms += 50;
    EXPECT_FALSE(plot());

    const QStringList lines = linesOf(path());
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[4], kRule);
    EXPECT_EQ(lines[6], "    Time     Rpm        Map (psi)     Fuel (ms)                    ");
    EXPECT_EQ(lines[7], "   0.000    1200            5.5                0.00");
    EXPECT_TRUE(lines[8].startsWith("   0.050")) << lines[8].toStdString();
}

// The time was once taken from the time of day and went negative after
// midnight; a time of 10000 s or more once failed the record and stopped
// logging. It now comes from a steady clock.
TEST_F(DataLogTest, TimeAfterMidnightOrBeyondTenThousandSeconds) {
    const struct {
        qint64 later;
        const char* start;
    } cases[] = {{20000, "  20.000"}, {12345678, "12345.678      1200"}};
    for (const auto& c : cases) {
        ASSERT_FALSE(m_log.open(path()));
        EXPECT_FALSE(full());
        m_ms += c.later;
        EXPECT_FALSE(full(kEvening.addSecs(20)));
        EXPECT_TRUE(linesOf(path()).last().startsWith(c.start)) << c.start;
        m_log.close();
    }
}

TEST_F(DataLogTest, AppendsToAnExistingFile) {
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier run\r\n");
    }
    ASSERT_FALSE(m_log.open(path()));
    EXPECT_FALSE(full());
    m_log.close();
    EXPECT_FALSE(m_log.isOpen());
    EXPECT_EQ(m_log.fileName(), QString());

    const QStringList lines = linesOf(path());
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "earlier run");
    EXPECT_EQ(lines[1], kRule);
}

TEST_F(DataLogTest, FileThatCannotBeOpenedSwitchesLoggingOff) {
    const auto error = m_log.open(m_dir.path()); // a folder, not a file
    ASSERT_TRUE(error);
    EXPECT_FALSE(m_log.isOpen());
    EXPECT_TRUE(fullRecordErrorMessage(*error).startsWith(
        QStringLiteral("Error - %1 - ").arg(error->number)));
    EXPECT_FALSE(error->description.isEmpty());

    m_chosen = m_dir.path();
    m_logging.setupLogData();
    ASSERT_TRUE(m_logging.active());
    m_logging.logSample(sample(), Acquisition::kIntervalMs);
    EXPECT_FALSE(m_logging.active());
    EXPECT_EQ(m_ui.boxes(), QStringList{"Critical|Vantrel|" + fullRecordErrorMessage(*error)});
}

TEST_F(DataLogTest, WriteFailureSwitchesLoggingOffWithTheRecordsMessage) {
    if (!QFile::exists("/dev/full")) {
        GTEST_SKIP() << "no device that refuses writes";
    }
    m_chosen = QStringLiteral("/dev/full");
    m_logging.setupLogData();
    m_logging.logSample(sample(), Acquisition::kIntervalMs);
    EXPECT_FALSE(m_logging.active());
    EXPECT_TRUE(m_logging.log().headerPending());
    ASSERT_EQ(m_ui.texts().size(), 1);
    EXPECT_TRUE(m_ui.texts()[0].startsWith("Error - ")) << m_ui.texts()[0].toStdString();

    m_logging.setupLogData();
    m_logging.logPlotSample(sample(), {0, 11});
    EXPECT_FALSE(m_logging.active());
    ASSERT_EQ(m_ui.texts().size(), 2);
    EXPECT_TRUE(m_ui.texts()[1].startsWith("Log File Error!\r\n("))
        << m_ui.texts()[1].toStdString();
    EXPECT_TRUE(m_ui.texts()[1].endsWith(")"));
}

TEST_F(DataLogTest, FullDiskFailsTheRecordAndTheFileEndsOnAWholeRecord) {
    ASSERT_FALSE(m_log.open(path()));
    ASSERT_FALSE(full());
    const qint64 header = QFileInfo(path()).size();
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const QStringList before = linesOf(path());
    const qint64 recordBytes = before.last().size() + 2;
    // Room for two and a half records more: the third is cut off by the
    // limit, as by a full disk.
    const rlimit small{static_cast<rlim_t>(header + recordBytes * 5 / 2), previous.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::optional<QString> message;
    int written = 0;
    for (; written < 10 && !message; ++written) {
        m_ms += 500;
        message = full();
    }
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);

    ASSERT_TRUE(message);
    EXPECT_EQ(written, 3);
    EXPECT_TRUE(message->endsWith(" - File too large")) << message->toStdString();
    const QStringList lines = linesOf(path());
    ASSERT_EQ(lines.size(), before.size() + 2);
    EXPECT_EQ(QFileInfo(path()).size(), header + 2 * recordBytes);
}

} // namespace
