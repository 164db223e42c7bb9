// SPDX-License-Identifier: GPL-3.0-or-later
// The whole loop a tuner runs: drive the simulated engine with a fuel table
// that is wrong by a known pattern, log it as the program does, run
// "vantrelctl autotune" on the log, send the corrected cells to the ECU, and
// again. The engine needs a known fuel time in every cell, so the table can
// be held against it. Time is the simulated clock's: minutes of driving take
// the program's work only.

#include "RecordingInteraction.h"
#include "app/Initialise.h"
#include "autotune/Autotune.h"
#include "cli/Commands.h"
#include "comm/Discovery.h"
#include "comm/EcuLine.h"
#include "comm/Transfers.h"
#include "files/EcuFile.h"
#include "monitor/Acquisition.h"
#include "monitor/DataLog.h"
#include "record/AppState.h"
#include "record/SensorConversions.h"
#include "record/SettingsStore.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Ten records a second, as "vantrelctl monitor --interval-ms 100" writes.
constexpr qint64 kRecordMs = 100;
constexpr qint64 kRoundMs = 3 * 60 * 1000;
// The first log starts while the water is still below 160 F.
constexpr qint64 kFirstLogMs = 6 * 60 * 1000;
constexpr int kRounds = 3;
constexpr double kPatternPercent = 15.0;

size_t at(int i) {
    return static_cast<size_t>(i);
}

int rawOf(double ms) {
    return std::clamp(static_cast<int>(std::lround(ms / 0.0625 - 1)), 0, 255);
}

double msOf(int raw) {
    return (raw + 1) * 0.0625;
}

// A bigger engine than the default tune's: its fuel times sit in the middle
// of the table's range, where a count is a small step.
EngineModel engineModel() {
    EngineModel model;
    model.fuelMsPerPsi = 1.0;
    return model;
}

// What the engine needs at a cell's breakpoints: rpm by MaxRpm, MAP by the
// row's count of the sensor's span.
double neededMs(const EcuSettings& s, const EngineModel& model, int row, int column) {
    const double rpm = s.MaxRpm / 15.0 * column;
    const int count = s.MapMinBits + (s.MapMaxBits - s.MapMinBits) * (15 - row) / 15;
    return model.fuelNeededMs(rpm, mapCountsToPsi(s.MapSensorType, count));
}

// The known error: up to 15 % either way, changing from cell to cell.
double pattern(int row, int column) {
    return kPatternPercent / 100.0 * std::sin(1.7 * row + 2.9 * column);
}

EcuSettings wrongTune(const EngineModel& model) {
    EcuSettings s = SimulatedEcu::defaultImage();
    s.LoadControl = 1;
    s.UserInputAnalogMode[0] = 3; // the wideband controller's output
    // It idles on a breakpoint, as it cruises on them.
    s.IacColdRpm = 1200;
    s.IacHotRpm = 1200;
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column) {
            s.FuelTable[at(row)][at(column)] = static_cast<int16_t>(
                rawOf(neededMs(s, model, row, column) * (1 + pattern(row, column))));
        }
    }
    return s;
}

struct Outcome {
    int exitCode = -1;
    QString err;
};

Outcome vantrelctl(const QStringList& arguments) {
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int code = runVantrelctl(QStringList{QStringLiteral("vantrelctl")} + arguments, out, err);
    return {code, QString::fromUtf8(err.data())};
}

// The program's side: the line to the ECU, the poll, the settings store.
class Tuner {
public:
    explicit Tuner(const EcuSettings& image)
        : m_ecu(image, [this] { return m_nowMs; }), m_link(&m_ecu),
          m_store(initialiseSettings(m_state)), m_line(m_state, m_store, m_link, m_ui),
          m_acquisition(m_state, m_line, [this] { return m_nowMs; }) {
        m_ecu.setEngineModel(engineModel());
        m_state.AskBeforeSearch = false;
        bool found = false;
        m_line.run([&](EcuProtocol& protocol) {
            m_store.modify(ChangeOrigin::Ecu, [&](EcuSettings& record) {
                found = findEcu(protocol, {}) == FindResult::Found &&
                        getAllDataFromEcu(protocol, record, {});
            });
        });
        EXPECT_TRUE(found);
        m_store.setSender(m_line.sender());
        m_ecu.startEngine();
    }

    SimulatedEcu& ecu() { return m_ecu; }
    const EcuSettings& settings() const { return m_store.settings(); }

    // Logs full records from the poll while the clock runs from startMs.
    void drive(const QString& logPath, qint64 startMs, qint64 lengthMs) {
        DataLog log;
        ASSERT_FALSE(log.open(logPath).has_value());
        const QDateTime clock(QDate(2026, 5, 2), QTime(9, 0));
        for (m_nowMs = startMs; m_nowMs < startMs + lengthMs; m_nowMs += kRecordMs) {
            ASSERT_TRUE(m_acquisition.tick());
            ASSERT_FALSE(
                log.writeFullRecord(m_acquisition.latest(), clock, QLocale::c()).has_value());
            m_link.clearWritten();
        }
        log.close();
    }

    // Sends the fuel cells of a data file that differ, as one change.
    void apply(const QString& path) {
        const EcuFileReadResult read = loadEcuFile(path, m_store.settings());
        ASSERT_TRUE(read.ok()) << read.error.toStdString();
        std::vector<FieldCell> cells;
        for (int row = 0; row < 16; ++row) {
            for (int column = 0; column < 16; ++column) {
                const int16_t raw = read.settings->FuelTable[at(row)][at(column)];
                if (raw != m_store.settings().FuelTable[at(row)][at(column)]) {
                    cells.push_back({row, column, raw});
                }
            }
        }
        m_store.setCells(FieldId::FuelTable, cells, SettingsStore::Send::IfChanged);
    }

private:
    qint64 m_nowMs = 0;
    SimulatedEcu m_ecu;
    SimulatedLink m_link;
    RecordingInteraction m_ui;
    AppState m_state;
    SettingsStore m_store;
    EcuLine m_line;
    Acquisition m_acquisition;
};

// The report's weight of each cell (row and column from 0).
AutotuneGrid<double> reportedWeights(const QString& path) {
    AutotuneGrid<double> weights{};
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    EXPECT_EQ(lines.size(), 257);
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() == 7) {
            weights[at(fields[0].toInt() - 1)][at(fields[1].toInt() - 1)] = fields[3].toDouble();
        }
    }
    return weights;
}

// Three rounds of a few minutes' driving, each logged, tuned and sent: every
// cell that the last round weighed fully ends within 2 % of what the engine
// needs, and no cell the logs never reached has changed.
TEST(ClosedLoop, ThreeRoundsBringEveryWeighedCellWithinTwoPercentOfItsNeed) {
    const EngineModel model = engineModel();
    const EcuSettings start = wrongTune(model);
    Tuner tuner(start);
    QTemporaryDir dir;
    AutotuneGrid<double> weight{};
    AutotuneGrid<bool> reached{};

    for (int round = 1; round <= kRounds; ++round) {
        const QString base = dir.filePath(QStringLiteral("round%1.ecu").arg(round));
        const QString log = dir.filePath(QStringLiteral("round%1.log").arg(round));
        const QString tuned = dir.filePath(QStringLiteral("tuned%1.ecu").arg(round));
        const QString report = dir.filePath(QStringLiteral("report%1.txt").arg(round));
        ASSERT_TRUE(saveEcuFile(base, tuner.settings()).ok());
        tuner.drive(log, kFirstLogMs + (round - 1) * kRoundMs, kRoundMs);
        const Outcome outcome = vantrelctl({"autotune", "--ecu-file", base, "--target", "14.7",
                                            "--report", report, "-o", tuned, log});
        ASSERT_EQ(outcome.exitCode, kExitOk) << outcome.err.toStdString();
        if (round == 1) {
            // The engine was still warming up when the first log started.
            EXPECT_TRUE(outcome.err.contains(QRegularExpression("\\n +[1-9][0-9]*  water below")))
                << outcome.err.toStdString();
        }
        tuner.apply(tuned);
        ASSERT_EQ(tuner.ecu().settings().FuelTable, tuner.settings().FuelTable);
        weight = reportedWeights(report);
        for (int row = 0; row < 16; ++row) {
            for (int column = 0; column < 16; ++column) {
                reached[at(row)][at(column)] =
                    reached[at(row)][at(column)] || weight[at(row)][at(column)] > 0;
            }
        }
    }

    int weighed = 0;
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column) {
            const int raw = tuner.settings().FuelTable[at(row)][at(column)];
            if (!reached[at(row)][at(column)]) {
                EXPECT_EQ(raw, start.FuelTable[at(row)][at(column)]) << row << "," << column;
            } else if (weight[at(row)][at(column)] >= AutotuneOptions().fullWeight) {
                ++weighed;
                EXPECT_NEAR(msOf(raw) / neededMs(start, model, row, column), 1.0, 0.02)
                    << "row " << row << " column " << column;
            }
        }
    }
    // The drive reaches a good part of the table, not a corner of it.
    EXPECT_GE(weighed, 20);
}

} // namespace
