// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingInteraction.h"
#include "app/Initialise.h"
#include "cli/Commands.h"
#include "files/EcuDiff.h"
#include "files/EcuFile.h"
#include "history/TuneHistory.h"
#include "monitor/DataLog.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "record/AppState.h"
#include "record/EngineData.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome vantrelctl(const QStringList& arguments) {
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int code = runVantrelctl(QStringList{"vantrelctl"} + arguments, out, err);
    return {code, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
}

// One logged record: rpm, MAP psi, throttle %, water F, fuel ms, user 1 V.
struct Record {
    float rpm;
    float psi;
    float tps;
    float water;
    float fuel;
    float user1;
};

// A log as the program writes it, 100 ms a record: a run of full records,
// then, when given, a run of time history plot records (rpm, the throttle
// as the load of load control 2, fuel).
void writeLog(const QString& path, const std::vector<Record>& full,
              const std::vector<Record>& plot = {}) {
    AppState state;
    const EcuSettings settings = initialiseSettings(state);
    EngineData engine = EngineData::withChannelLayout();
    qint64 ms = 0;
    DataLog log;
    ASSERT_FALSE(log.open(path).has_value());
    const QDateTime now(QDate(2026, 5, 2), QTime(9, 0));
    const auto set = [&engine](const Record& r) {
        engine.RpmChannel.Value = r.rpm;
        engine.MapChannel.Value = r.psi;
        engine.TpsChannel.Value = r.tps;
        engine.WaterChannel.Value = r.water;
        engine.FuelChannel.Value = r.fuel;
        engine.UserChannel[0].Value = r.user1;
        engine.EngineStatus1 = 6;
    };
    for (const Record& r : full) {
        set(r);
        ASSERT_FALSE(log.writeFullRecord(LiveSample::fromEngineData(engine, ms), now, QLocale::c())
                         .has_value());
        ms += 100;
    }
    log.requestHeader();
    for (const Record& r : plot) {
        set(r);
        ASSERT_FALSE(log.writePlotRecord(LiveSample::fromEngineData(engine, ms),
                                         plotLogLayout(state, settings, {0, 11}), now, QLocale::c())
                         .has_value());
        ms += 100;
    }
}

// A tune on the throttle axis, 600 rpm a column, every fuel cell 10 ms, the
// wideband controller on user input 1.
EcuSettings tune() {
    AppState state;
    EcuSettings s = initialiseSettings(state);
    s.LoadControl = 2;
    s.MaxRpm = 9000;
    s.MapSensorType = 1;
    s.MapMinBits = 0;
    s.MapMaxBits = 255;
    s.UserInputAnalogMode = {3, 0, 1};
    for (auto& row : s.FuelTable) {
        row.fill(159);
    }
    return s;
}

QString saveTune(const QTemporaryDir& dir, const QString& name, const EcuSettings& s) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(saveEcuFile(path, s).ok());
    return path;
}

// 16 lines of 16 tab-separated fields: empty, or "0", but for the cells
// given (grid row and column from 1).
QString grid(const std::map<std::pair<int, int>, QString>& cells, const QString& otherwise) {
    QString text;
    for (int row = 1; row <= 16; ++row) {
        QStringList fields;
        for (int column = 1; column <= 16; ++column) {
            const auto it = cells.find({row, column});
            fields.append(it == cells.end() ? otherwise : it->second);
        }
        text += fields.join('\t') + '\n';
    }
    return text;
}

class LogHits : public ::testing::Test {
protected:
    void SetUp() override {
        m_tune = saveTune(m_dir, "tune.ecu", tune());
        EcuSettings map = tune();
        map.LoadControl = 1;
        m_mapTune = saveTune(m_dir, "map.ecu", map);
        writeLog(m_log,
                 {
                     {900, 15.19, 100, 150, 3, 1}, // 900 rpm, throttle 100 %: row 1, column 2
                     {900, 15.19, 100, 170, 3, 1},
                     {900, 15.19, 100, 190, 3, 1},
                     {9000, 1.5, 0, 180, 3, 1}, // row 16, column 16
                     {9000, 1.5, 0, 180, 3, 1},
                     {3000, 8.80, 50, 200, 3, 1}, // row 8, column 6; MAP count 136: row 8
                 },
                 {{3000, 8.80, 50, 0, 3, 1}});
    }

    QTemporaryDir m_dir;
    QString m_tune;
    QString m_mapTune;
    QString m_log = m_dir.filePath("drive.log");
};

TEST_F(LogHits, CountsTheRecordsOfEachCellTopLoadFirst) {
    const Outcome counts = vantrelctl({"log", "hits", "--ecu-file", m_tune, m_log});
    EXPECT_EQ(counts.exitCode, kExitOk) << counts.err.toStdString();
    EXPECT_EQ(counts.out, grid({{{1, 2}, "3"}, {{16, 16}, "2"}, {{8, 6}, "2"}}, "0"));
    EXPECT_EQ(counts.err, "");

    // Full records below 160 F are dropped; the plot's record has no water.
    const Outcome warm =
        vantrelctl({"log", "hits", "--ecu-file", m_tune, "--min-water", "160", m_log});
    EXPECT_EQ(warm.out, grid({{{1, 2}, "2"}, {{16, 16}, "2"}, {{8, 6}, "2"}}, "0"));

    // By MAP: 15.19 psi is count 255, 1.5 psi count 0. Two logs add up.
    const Outcome map = vantrelctl({"log", "hits", "--ecu-file", m_mapTune, m_log, m_log});
    EXPECT_EQ(map.out, grid({{{1, 2}, "6"}, {{16, 16}, "4"}, {{8, 6}, "2"}}, "0"));
}

TEST_F(LogHits, MeansOfAChannelWithEmptyFieldsWhereNoRecordFell) {
    const Outcome water =
        vantrelctl({"log", "hits", "--ecu-file", m_tune, "--value", "WATER", m_log});
    EXPECT_EQ(water.exitCode, kExitOk);
    // The plot's record adds no water to the mean of its cell.
    EXPECT_EQ(water.out,
              grid({{{1, 2}, "170.000"}, {{16, 16}, "180.000"}, {{8, 6}, "200.000"}}, ""));
    const Outcome fuel =
        vantrelctl({"log", "hits", "--ecu-file", m_tune, "--value", "fuel", m_log});
    EXPECT_EQ(fuel.out, grid({{{1, 2}, "3.000"}, {{16, 16}, "3.000"}, {{8, 6}, "3.000"}}, ""));
    const Outcome user = vantrelctl(
        {"log", "hits", "--ecu-file", m_tune, "--value", "user 1", "--min-water", "175", m_log});
    EXPECT_EQ(user.out, grid({{{1, 2}, "1.000"}, {{16, 16}, "1.000"}, {{8, 6}, "1.000"}}, ""));
}

TEST_F(LogHits, ABadOptionTuneOrLogExitsWithTwoAndTheReason) {
    const QString empty = m_dir.filePath("empty.log");
    writeLog(empty, {});
    const std::pair<QStringList, QString> cases[] = {
        {{"log", "hits", m_log}, "--ecu-file TUNE.ecu is missing"},
        {{"log", "hits", "--ecu-file", m_tune}, "no data log given"},
        {{"log", "misses", "--ecu-file", m_tune, m_log}, "unknown subcommand \"misses\""},
        {{"log", "hits", "--ecu-file", m_tune, "--value", "Speed", m_log},
         "--value takes a column of the full record (Rpm, Map, TPS, Air, Water, Battery, Duty, "
         "Fuel, Ignition, User 1, User 2, User 3, Status), not \"Speed\""},
        {{"log", "hits", "--ecu-file", m_tune, "--min-water", "warm", m_log},
         "--min-water takes degrees F"},
        {{"log", "hits", "--ecu-file", m_dir.filePath("none.ecu"), m_log}, "none.ecu"},
        {{"log", "hits", "--ecu-file", m_log, m_log}, "drive.log"},
        {{"log", "hits", "--ecu-file", m_tune, m_dir.filePath("none.log")}, "none.log"},
        {{"log", "hits", "--ecu-file", m_tune, empty}, "no data log records found"},
    };
    for (const auto& [arguments, reason] : cases) {
        const Outcome r = vantrelctl(arguments);
        EXPECT_EQ(r.exitCode, kExitFailure) << arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("error: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(reason)) << r.err.toStdString();
        EXPECT_EQ(r.out, "");
    }
}

// Records at 2400 rpm and 14 % throttle, the breakpoint of grid row 14 and
// column 5, reading 3.1 V: 16.2, 10.2 % lean of 14.7.
std::vector<Record> drive() {
    std::vector<Record> records(5, {2400, 8, 14, 150, 3.5, 3.1}); // still cold
    records.insert(records.end(), 30, {2400, 8, 14, 180, 3.5, 3.1});
    records.insert(records.end(), 3, {2400, 8, 14, 180, 0, 5.0}); // a fuel cut
    return records;
}

class Autotune : public ::testing::Test {
protected:
    void SetUp() override {
        m_base = saveTune(m_dir, "base.ecu", tune());
        writeLog(m_log, drive(), {{2400, 8, 14, 0, 3.5, 3.1}});
    }

    QTemporaryDir m_dir;
    QString m_base;
    QString m_log = m_dir.filePath("drive.log");
    QString m_out = m_dir.filePath("out.ecu");
};

TEST_F(Autotune, WritesTheBaseWithItsFuelCellsCorrectedAndReportsEveryCell) {
    const QString report = m_dir.filePath("report.txt");
    const Outcome r = vantrelctl({"autotune", "--ecu-file", m_base, "--target", "14.7", "--report",
                                  report, "-o", m_out, m_log});
    ASSERT_EQ(r.exitCode, kExitOk) << r.err.toStdString();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "autotune: 38 record(s) read from 1 log(s): 30 used, 8 rejected\n"
                     "  5  water below 160 \u00B0F\n"
                     "  0  rpm below 300\n"
                     "  0  throttle moving faster than 20 %/s, or less than 0.5 s after\n"
                     "  3  fuel cut (no injector time), or less than 0.5 s after\n"
                     "  0  EGO volts outside 0.1 to 4.9 V\n"
                     "  0  rpm or load outside the table\n"
                     "  0  locked cells only\n"
                     "autotune: 1 time history plot record(s) left out: they lack the water and "
                     "injector columns\n"
                     "autotune: 1 of 256 fuel cells changed\n");

    // The data files differ in that one fuel cell, and their text in its line.
    const EcuFileReadResult base = loadEcuFile(m_base, tune());
    const EcuFileReadResult out = loadEcuFile(m_out, tune());
    ASSERT_TRUE(out.ok());
    const std::vector<EcuFieldDifference> differences =
        compareEcuSettings(*base.settings, *out.settings);
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0].describe(), "Fuel Table, row 13, column 4: 159 -> 175");
    QFile baseFile(m_base);
    QFile outFile(m_out);
    ASSERT_TRUE(baseFile.open(QIODevice::ReadOnly) && outFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> baseLines = baseFile.readAll().split('\n');
    const QList<QByteArray> outLines = outFile.readAll().split('\n');
    ASSERT_EQ(baseLines.size(), outLines.size());
    int changedLines = 0;
    for (qsizetype i = 0; i < baseLines.size(); ++i) {
        changedLines += baseLines[i] != outLines[i] ? 1 : 0;
    }
    EXPECT_EQ(changedLines, 1);

    // 10.2 % more: 11.020 ms, the nearest count 11.000.
    QFile reportFile(report);
    ASSERT_TRUE(reportFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = reportFile.readAll().split('\n');
    ASSERT_EQ(lines.size(), 257);
    EXPECT_EQ(lines[0], "1\t1\t0\t0.00\t10.000\t10.000\t0.00");
    EXPECT_EQ(lines[13 * 16 + 4], "14\t5\t30\t30.00\t10.000\t11.000\t10.00");
    EXPECT_EQ(lines[255], "16\t16\t0\t0.00\t10.000\t10.000\t0.00");
    EXPECT_EQ(lines[256], "");
}

// Each option changes the cell of the records as it says.
TEST_F(Autotune, OptionsSetTheTargetTheSensorTheFiltersTheLimitsAndTheLocks) {
    struct Case {
        QStringList options;
        int raw; // grid row 14, column 5
    };
    const Case cases[] = {
        {{"--target", "14.7"}, 175},
        {{"--target", "16.2"}, 159}, // on target
        // The tune's EGO setpoints, 0.45 V: 10.9, so 49 % lean, held to 15 %.
        {{}, 183},
        {{"--ego-volts-afr", "0:10,5:19", "--target", "15.58"}, 159},
        {{"--target", "14.7", "--ego-volts-afr", "0:7.35,5:22.05"}, 178}, // 16.46: 12 % lean
        {{"--target", "14.7", "--max-change", "5"}, 167},
        {{"--target", "14.7", "--min-weight", "31"}, 159},
        {{"--target", "14.7", "--min-water", "140"}, 175}, // 35 records of the same reading
        {{"--target", "14.7", "--lock", "14,5"}, 159},
        {{"--target", "14.7", "--lock", "1,1", "--lock", "16,16"}, 175},
        {{"--target", "14.7", "--ego-input", "2"}, 159}, // user 2 reads 0 V: all rejected
    };
    for (const Case& c : cases) {
        const Outcome r = vantrelctl(QStringList{"autotune", "--ecu-file", m_base, "-o", m_out} +
                                     c.options + QStringList{m_log});
        ASSERT_EQ(r.exitCode, kExitOk) << r.err.toStdString();
        const EcuFileReadResult out = loadEcuFile(m_out, tune());
        ASSERT_TRUE(out.ok());
        EXPECT_EQ(out.settings->FuelTable[13][4], c.raw) << c.options.join(' ').toStdString();
    }
}

// The corrected tune is a snapshot of the tune history, unless told not.
TEST_F(Autotune, TheTuneWrittenIsKeptInTheHistoryWithItsFile) {
    // A history of this test's own: the user's data folder is under HOME.
    struct Home {
        QByteArray before = qgetenv("HOME");
        explicit Home(const QString& path) { qputenv("HOME", QFile::encodeName(path)); }
        ~Home() { qputenv("HOME", before); }
    } home(m_dir.path());
    RecordingInteraction ui;
    const auto newest = [&ui] {
        const TuneHistory history(ui);
        const auto snapshots = history.list();
        return snapshots && !snapshots->empty() ? snapshots->front() : SnapshotInfo{};
    };
    const QStringList run{"autotune", "--ecu-file", m_base, "--target", "14.7", m_log, "-o"};
    ASSERT_EQ(vantrelctl(run + QStringList{m_out}).exitCode, kExitOk);
    const SnapshotInfo kept = newest();
    EXPECT_EQ(kept.id, 1);
    EXPECT_EQ(kept.source, SnapshotSource::AutotuneApplied);
    EXPECT_EQ(kept.path, m_out);
    EXPECT_FALSE(kept.ecu.has_value());
    const TuneHistory history(ui);
    EXPECT_EQ(history.settings(kept.id, tune()), loadEcuFile(m_out, tune()).settings);

    ASSERT_EQ(vantrelctl(run + QStringList{m_dir.filePath("quiet.ecu"), "--no-history"}).exitCode,
              kExitOk);
    EXPECT_EQ(newest().id, kept.id);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Autotune, AProposalThatChangesNothingIsWrittenAndSaidSo) {
    const QString cold = m_dir.filePath("cold.log");
    writeLog(cold, std::vector<Record>(10, {2400, 8, 14, 100, 3.5, 3.1}));
    const Outcome r =
        vantrelctl({"autotune", "--ecu-file", m_base, "--target", "14.7", "-o", m_out, cold});
    EXPECT_EQ(r.exitCode, kExitOk);
    EXPECT_TRUE(r.err.endsWith(
        QStringLiteral(
            "autotune: the proposal changes no fuel cell; %1 holds the fuel table of %2\n")
            .arg(m_out, m_base)))
        << r.err.toStdString();
    EXPECT_EQ(loadEcuFile(m_out, tune()).settings->FuelTable, tune().FuelTable);
}

TEST_F(Autotune, BadInputExitsWithTwoAndTheReasonAndWritesNothing) {
    EcuSettings fuelInput = tune();
    fuelInput.UserInputAnalogMode = {1, 0, 0};
    const QString noEgo = saveTune(m_dir, "noego.ecu", fuelInput);
    EcuSettings noAxis = tune();
    noAxis.LoadControl = 0;
    const QString noAxisTune = saveTune(m_dir, "noaxis.ecu", noAxis);
    const QString plotOnly = m_dir.filePath("plot.log");
    writeLog(plotOnly, {}, {{2400, 8, 14, 0, 3.5, 3.1}});
    const QStringList good{"--ecu-file", m_base, "-o", m_out};
    const std::pair<QStringList, QString> cases[] = {
        {{"--ecu-file", m_base, m_log}, "-o OUT.ecu is missing"},
        {{"-o", m_out, m_log}, "--ecu-file BASE.ecu is missing"},
        {good, "an argument is missing"},
        {good + QStringList{"--target", "rich", m_log}, "--target takes an air/fuel ratio"},
        {good + QStringList{"--target", "0", m_log}, "--target takes an air/fuel ratio"},
        {good + QStringList{"--ego-volts-afr", "0:10", m_log}, "--ego-volts-afr takes two points"},
        {good + QStringList{"--ego-volts-afr", "1:10,1:20", m_log}, "--ego-volts-afr takes"},
        {good + QStringList{"--ego-input", "4", m_log}, "--ego-input takes a user input 1, 2 or 3"},
        {good + QStringList{"--ego-input", "1.5", m_log}, "--ego-input takes"},
        {good + QStringList{"--ego-input", "3", m_log}, "user input 3 scales fuel"},
        {good + QStringList{"--min-weight", "-1", m_log}, "--min-weight takes a weight from 0 up"},
        {good + QStringList{"--max-change", "150", m_log}, "--max-change takes a per cent"},
        {good + QStringList{"--lock", "0,5", m_log}, "--lock takes ROW,COL of the grid"},
        {good + QStringList{"--lock", "17", m_log}, "--lock takes"},
        {good + QStringList{m_dir.filePath("none.log")}, "none.log"},
        {good + QStringList{plotOnly}, "no full data log records found"},
        {{"--ecu-file", noEgo, "-o", m_out, m_log}, "no user input is in EGO mode"},
        {{"--ecu-file", noAxisTune, "-o", m_out, m_log}, "LoadControl 0 gives the table no load"},
        {{"--ecu-file", m_log, "-o", m_out, m_log}, "drive.log"},
    };
    for (const auto& [arguments, reason] : cases) {
        const Outcome r = vantrelctl(QStringList{"autotune"} + arguments);
        EXPECT_EQ(r.exitCode, kExitFailure) << arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("error: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(reason)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(m_out));
    }
}

} // namespace
