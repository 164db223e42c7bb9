// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LogCsv.h"

#include "monitor/DataLog.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "record/AppState.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct LogCsv {
    QByteArray csv;
    qint64 records = 0;
    QList<qint64> skippedLines;
};

LogCsv convertLogToCsv(QByteArray log) {
    QBuffer in(&log);
    in.open(QIODevice::ReadOnly);
    LogCsvConverter converter;
    EXPECT_TRUE(converter.read(in));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    EXPECT_TRUE(converter.write(out));
    return {out.data(), converter.records(), converter.firstSkippedLines()};
}

const QLocale kLocale(QLocale::German, QLocale::Germany);
const QDateTime kStart(QDate(2026, 5, 2), QTime(14, 30, 0));
const QString kDegF = QString(QChar(0xB0)) + QStringLiteral("F");
const QString kDegBtdc = QString(QChar(0xB0)) + QStringLiteral("BTDC");

// Logs written by the program's own writer, converted and split into cells.
class LogCsvTest : public ::testing::Test {
protected:
    LiveSample sample() const { return LiveSample::fromEngineData(m_engine, m_ms); }
    void fullRecord() {
        ASSERT_FALSE(m_log.writeFullRecord(sample(), kStart, kLocale).has_value());
    }
    void plotRecord(const std::array<int, 2>& channels) {
        ASSERT_FALSE(m_log
                         .writePlotRecord(sample(), plotLogLayout(m_state, m_settings, channels),
                                          kStart, kLocale)
                         .has_value());
    }
    QByteArray logText() {
        m_log.close();
        QFile file(m_path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    // The CSV's lines, each split into its cells.
    static QList<QStringList> table(const LogCsv& csv) {
        QList<QStringList> rows;
        QStringList lines = QString::fromUtf8(csv.csv).split(QStringLiteral("\r\n"));
        EXPECT_TRUE(lines.last().isEmpty());
        lines.removeLast();
        for (const QString& line : lines) {
            rows.append(line.split(QLatin1Char(',')));
        }
        return rows;
    }

    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_FALSE(m_log.open(m_path).has_value());
        EngineData& e = m_engine;
        e.RpmChannel.Value = 2450;
        e.MapChannel.Value = 9.87f;
        e.TpsChannel.Value = 37;
        e.AirChannel.Value = 81;
        e.WaterChannel.Value = 190;
        e.BatteryChannel.Value = 13.6f;
        e.DutyChannel.Value = 12.5f;
        e.FuelChannel.Value = 3.25f;
        e.IgnitionChannel.Value = 24.5f;
        e.UserChannel[0].Value = 1.5f;
        e.UserChannel[1].Value = 2.5f;
        e.UserChannel[2].Value = -4;
        e.EngineStatus1 = 6;
    }

    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("run.log"));
    AppState m_state;
    EcuSettings m_settings;
    EngineData m_engine;
    qint64 m_ms = 0;
    DataLog m_log;
};

TEST_F(LogCsvTest, FullAndPlotRunsOfOneLogShareOneHeaderRow) {
    fullRecord();
    m_ms = 500;
    m_engine.RpmChannel.Value = 2500;
    fullRecord();
    // The plot starts: a run of its own records, MAP as load, fuel and user
    // input 3 as an ignition correction.
    m_settings.LoadControl = 1;
    m_settings.UserInputAnalogMode = {0, 0, 2};
    m_log.requestHeader();
    m_ms = 1000;
    plotRecord({0, 10});
    m_ms = 1050;
    m_engine.FuelChannel.Value = 3.5f;
    plotRecord({0, 10});

    const LogCsv csv = convertLogToCsv(logText());
    EXPECT_EQ(csv.records, 4);
    EXPECT_TRUE(csv.skippedLines.isEmpty());
    const QList<QStringList> rows = table(csv);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0],
              (QStringList{"Time (s)", "Rpm (rpm)", "Map (psi)", "TPS (%)", "Air (" + kDegF + ")",
                           "Water (" + kDegF + ")", "Battery (V)", "Duty (%)", "Fuel (ms)",
                           "Ignition (" + kDegBtdc + ")", "User 1", "User 2", "User 3", "Status",
                           "Ignition Compensation (" + kDegBtdc + ")"}));
    EXPECT_EQ(rows[1], (QStringList{"0.000", "2450", "9.87", "37", "81", "190", "13.6", "12.5",
                                    "3.25", "24.5", "1.5", "2.5", "-4.0", "6", ""}));
    EXPECT_EQ(rows[2][0], "0.500");
    EXPECT_EQ(rows[2][1], "2500");
    // Plot records fill time, rpm, load and their channels; times count from
    // their own header.
    EXPECT_EQ(rows[3], (QStringList{"0.000", "2500", "9.9", "", "", "", "", "", "3.25", "", "", "",
                                    "", "", "-4"}));
    EXPECT_EQ(rows[4][0], "0.050");
    EXPECT_EQ(rows[4][8], "3.50");
}

TEST_F(LogCsvTest, DeveloperColumnsRepeatedTitlesAndStrayLines) {
    m_state.DeveloperMode = true;
    m_state.LogExtra = true;
    m_settings.LoadControl = 2;
    m_settings.UserInputAnalogMode = {1, 1, 0};
    m_engine.UserChannel[0].Value = 104;
    m_engine.UserChannel[1].Value = 97;
    plotRecord({8, 9});

    const QByteArray log = "notes from the dyno day\r\n" + logText() + "  12.000  2500\r\n";
    const LogCsv csv = convertLogToCsv(log);
    EXPECT_EQ(csv.records, 1);
    EXPECT_EQ(csv.skippedLines, (QList<qint64>{1, 6}));
    const QList<QStringList> rows = table(csv);
    ASSERT_EQ(rows.size(), 2);
    QStringList header{"Time (s)", "Rpm (rpm)", "TPS (%)", "Fuel Compensation (%)",
                       "Fuel Compensation 2 (%)"};
    QStringList values{"0.000", "2450", "37.0", "104.0", "97.0"};
    for (int i = 0; i < 5; ++i) {
        header.append(QStringLiteral("UC_Extra(%1)").arg(i));
        values.append(QString::number(m_settings.UC_Extra[i]));
    }
    for (int i = 0; i < 5; ++i) {
        header.append(QStringLiteral("UI_Extra(%1)").arg(i));
        values.append(QString::number(m_settings.UI_Extra[i]));
    }
    EXPECT_EQ(rows[0], header);
    EXPECT_EQ(rows[1], values);
}

TEST(LogCsv, TextThatIsNoLogHasNoRecords) {
    const LogCsv csv = convertLogToCsv("Rpm,Map\r\n1200,5.5\r\n");
    EXPECT_EQ(csv.records, 0);
    EXPECT_EQ(csv.skippedLines, (QList<qint64>{1, 2}));
}

} // namespace
