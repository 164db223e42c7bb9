#include "monitor/DataLog.h"

#include "record/AppState.h"

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

class DataLogTest : public ::testing::Test {
protected:
    DataLogTest() {
        m_state.LogActive = true;
        m_state.engine.RpmChannel.Value = 1200;
        m_state.engine.MapChannel.Value = 5.5f;
        m_state.settings.LoadControl = 1;
    }
    QString path() const { return m_dir.filePath("run.log"); }

    QTemporaryDir m_dir;
    AppState m_state;
    qint64 m_ms = 5000;
    DataLog m_log{m_state, [this] { return m_ms; }};
};

TEST_F(DataLogTest, FirstRecordBringsTheHeaderBlock) {
    ASSERT_FALSE(m_log.open(path()));
    EXPECT_TRUE(m_state.LogHeaderPending);
    EXPECT_EQ(m_log.fileName(), "run.log");
    EXPECT_EQ(m_log.filePath(), path());

    EXPECT_FALSE(m_log.writeFullRecord(kEvening, kLocale));
    EXPECT_FALSE(m_state.LogHeaderPending);
    m_ms += 1500;
    EXPECT_FALSE(m_log.writeFullRecord(kEvening, kLocale));

    const QStringList lines = linesOf(path());
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], kRule);
    EXPECT_EQ(lines[1], "14.03.26      23:59:50");
    EXPECT_TRUE(lines[2].startsWith("    Time       Rpm       Map"));
    EXPECT_TRUE(lines[3].startsWith("   0.000      1200      5.50")) << lines[3].toStdString();
    EXPECT_TRUE(lines[4].startsWith("   1.500      1200")) << lines[4].toStdString();
    EXPECT_TRUE(m_state.LogActive);
}

TEST_F(DataLogTest, NewHeaderRestartsTheTimeBase) {
    ASSERT_FALSE(m_log.open(path()));
    EXPECT_FALSE(m_log.writeFullRecord(kEvening, kLocale));
    m_ms += 60000;
    m_state.LogHeaderPending = true;
    EXPECT_FALSE(m_log.writePlotRecord({0, 11}, kEvening, kLocale));
    m_ms += 50;
    EXPECT_FALSE(m_log.writePlotRecord({0, 11}, kEvening, kLocale));

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
        EXPECT_FALSE(m_log.writeFullRecord(kEvening, kLocale));
        m_ms += c.later;
        EXPECT_FALSE(m_log.writeFullRecord(kEvening.addSecs(20), kLocale));
        EXPECT_TRUE(m_state.LogActive);
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
    EXPECT_FALSE(m_log.writeFullRecord(kEvening, kLocale));
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
    EXPECT_FALSE(m_state.LogActive);
    EXPECT_FALSE(m_log.isOpen());
    EXPECT_TRUE(fullRecordErrorMessage(*error).startsWith(
        QStringLiteral("Error - %1 - ").arg(error->number)));
    EXPECT_FALSE(error->description.isEmpty());
}

TEST_F(DataLogTest, WriteFailureSwitchesLoggingOffWithTheRecordsMessage) {
    if (!QFile::exists("/dev/full")) {
        GTEST_SKIP() << "no device that refuses writes";
    }
    ASSERT_FALSE(m_log.open("/dev/full"));
    auto message = m_log.writeFullRecord(kEvening, kLocale);
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->startsWith("Error - ")) << message->toStdString();
    EXPECT_FALSE(m_state.LogActive);
    EXPECT_TRUE(m_state.LogHeaderPending);

    m_state.LogActive = true;
    ASSERT_FALSE(m_log.open("/dev/full"));
    message = m_log.writePlotRecord({0, 11}, kEvening, kLocale);
    ASSERT_TRUE(message);
    EXPECT_TRUE(message->startsWith("Log File Error!\r\n(")) << message->toStdString();
    EXPECT_TRUE(message->endsWith(")"));
    EXPECT_FALSE(m_state.LogActive);
}

TEST_F(DataLogTest, FullDiskSwitchesLoggingOffAndTheFileEndsOnAWholeRecord) {
    ASSERT_FALSE(m_log.open(path()));
    ASSERT_FALSE(m_log.writeFullRecord(kEvening, kLocale));
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
        message = m_log.writeFullRecord(kEvening, kLocale);
    }
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);

    ASSERT_TRUE(message);
    EXPECT_EQ(written, 3);
    EXPECT_TRUE(message->endsWith(" - File too large")) << message->toStdString();
    EXPECT_FALSE(m_state.LogActive);
    const QStringList lines = linesOf(path());
    ASSERT_EQ(lines.size(), before.size() + 2);
    EXPECT_EQ(QFileInfo(path()).size(), header + 2 * recordBytes);
}

} // namespace
