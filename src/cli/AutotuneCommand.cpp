// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/Autotune.h"
#include "autotune/AutotuneFeed.h"
#include "cli/TuningCommands.h"
#include "files/EcuFile.h"
#include "record/SettingCodes.h"

#include <array>
#include <climits>
#include <cmath>

// autotune: the fuel table corrected from the EGO sensor's readings in data
// logs.

namespace {

// "V0:A0,V1:A1"
std::optional<EgoTransfer> parseTransfer(const QString& text) {
    const QStringList points = text.split(QLatin1Char(','));
    if (points.size() != 2) {
        return std::nullopt;
    }
    std::array<double, 4> values{};
    for (int p = 0; p < 2; ++p) {
        const QStringList pair = points[p].split(QLatin1Char(':'));
        if (pair.size() != 2) {
            return std::nullopt;
        }
        const auto volts = parseNumber(pair[0]);
        const auto afr = parseNumber(pair[1]);
        if (!volts || !afr) {
            return std::nullopt;
        }
        values[static_cast<size_t>(2 * p)] = *volts;
        values[static_cast<size_t>(2 * p + 1)] = *afr;
    }
    const EgoTransfer transfer{values[0], values[1], values[2], values[3]};
    if (!transfer.valid() || transfer.afr0 == transfer.afr1) {
        return std::nullopt;
    }
    return transfer;
}

// "ROW,COL", each 1..16.
std::optional<std::pair<int, int>> parseCell(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2) {
        return std::nullopt;
    }
    bool rowOk = false;
    bool columnOk = false;
    const int row = parts[0].trimmed().toInt(&rowOk);
    const int column = parts[1].trimmed().toInt(&columnOk);
    if (!rowOk || !columnOk || row < 1 || row > kGridSize || column < 1 || column > kGridSize) {
        return std::nullopt;
    }
    return std::pair(row, column);
}

QByteArray reportText(const AutotuneProposal& proposal) {
    QByteArray text;
    for (int row = 0; row < kGridSize; ++row) {
        for (int column = 0; column < kGridSize; ++column) {
            const AutotuneCell& cell =
                proposal.cells[static_cast<size_t>(row)][static_cast<size_t>(column)];
            text += QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\n")
                        .arg(row + 1)
                        .arg(column + 1)
                        .arg(cell.hits)
                        .arg(cell.weight, 0, 'f', 2)
                        .arg(cell.oldMs(), 0, 'f', 3)
                        .arg(cell.newMs(), 0, 'f', 3)
                        .arg(cell.changePercent(), 0, 'f', 2)
                        .toUtf8();
        }
    }
    return text;
}

QString summary(const AutotuneCounts& counts, const AutotuneFilters& filters, int logs) {
    qint64 rejected = 0;
    for (const qint64 count : counts.rejected) {
        rejected += count;
    }
    QString text = QStringLiteral("autotune: %1 record(s) read from %2 log(s): %3 used, %4 "
                                  "rejected")
                       .arg(counts.records)
                       .arg(logs)
                       .arg(counts.used)
                       .arg(rejected);
    qsizetype width = 1;
    for (const qint64 count : counts.rejected) {
        width = std::max(width, QString::number(count).size());
    }
    for (int f = 0; f < kAutotuneFilterCount; ++f) {
        const auto filter = static_cast<AutotuneFilter>(f);
        text += QStringLiteral("\n  %1  %2")
                    .arg(counts.rejectedBy(filter), static_cast<int>(width))
                    .arg(autotuneFilterText(filter, filters));
    }
    return text;
}

int runAutotune(const QStringList& arguments, CliContext& context) {
    const QString name = QStringLiteral("autotune");
    const Fail fail = failWith(context);
    QCommandLineParser parser;
    const QCommandLineOption ecuFile(QStringLiteral("ecu-file"), QString(),
                                     QStringLiteral("BASE.ecu"));
    const QCommandLineOption target(QStringLiteral("target"), QString(), QStringLiteral("AFR"));
    const QCommandLineOption transferOption(QStringLiteral("ego-volts-afr"), QString(),
                                            QStringLiteral("V0:A0,V1:A1"));
    const QCommandLineOption inputOption(QStringLiteral("ego-input"), QString(),
                                         QStringLiteral("N"));
    const QCommandLineOption minWater(QStringLiteral("min-water"), QString(), QStringLiteral("F"));
    const QCommandLineOption minWeight(QStringLiteral("min-weight"), QString(),
                                       QStringLiteral("W"));
    const QCommandLineOption maxChange(QStringLiteral("max-change"), QString(),
                                       QStringLiteral("PCT"));
    const QCommandLineOption lock(QStringLiteral("lock"), QString(), QStringLiteral("ROW,COL"));
    const QCommandLineOption report(QStringLiteral("report"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QString(), QStringLiteral("OUT.ecu"));
    parser.addOptions({ecuFile, target, transferOption, inputOption, minWater, minWeight, maxChange,
                       lock, report, output});
    if (const auto exit = parseCommandLine(parser, name, arguments, context, 1, INT_MAX)) {
        return *exit;
    }
    const QStringList logs = parser.positionalArguments();
    if (!parser.isSet(ecuFile)) {
        return fail(QStringLiteral("autotune: --ecu-file BASE.ecu is missing: the tune the logs "
                                   "were taken with"));
    }
    if (!parser.isSet(output)) {
        return fail(QStringLiteral("autotune: -o OUT.ecu is missing: where the corrected tune "
                                   "goes"));
    }

    AutotuneOptions options;
    // A number option within [low, high]; false after telling why.
    const auto numberOption = [&](const QCommandLineOption& option, double low, double high,
                                  const QString& what, double* value) {
        if (!parser.isSet(option)) {
            return true;
        }
        const std::optional<double> n = parseNumber(parser.value(option));
        if (!n || *n < low || *n > high) {
            fail(QStringLiteral("autotune: --%1 takes %2, not \"%3\"")
                     .arg(option.names().constFirst(), what, parser.value(option)));
            return false;
        }
        *value = *n;
        return true;
    };
    double targetAfr = 0.0;
    double input = 0.0;
    if (!numberOption(target, 1.0, 100.0, QStringLiteral("an air/fuel ratio from 1 to 100"),
                      &targetAfr) ||
        !numberOption(inputOption, 1, 3, QStringLiteral("a user input 1, 2 or 3"), &input) ||
        !numberOption(minWater, -100.0, 500.0, QStringLiteral("degrees F"),
                      &options.filters.minWaterF) ||
        !numberOption(minWeight, 0.0, 1e9, QStringLiteral("a weight from 0 up"),
                      &options.minWeight) ||
        !numberOption(maxChange, 0.0, 100.0, QStringLiteral("a per cent from 0 to 100"),
                      &options.maxChangePercent)) {
        return kExitFailure;
    }
    if (parser.isSet(inputOption) && input != std::floor(input)) {
        return fail(QStringLiteral("autotune: --ego-input takes a user input 1, 2 or 3, not \"%1\"")
                        .arg(parser.value(inputOption)));
    }
    if (parser.isSet(target)) {
        options.targetAfr = targetAfr;
    }
    if (parser.isSet(transferOption)) {
        const std::optional<EgoTransfer> transfer = parseTransfer(parser.value(transferOption));
        if (!transfer) {
            return fail(QStringLiteral("autotune: --ego-volts-afr takes two points of the "
                                       "sensor's line, volts and AFR, as V0:A0,V1:A1 (such as "
                                       "0:10,5:20), not \"%1\"")
                            .arg(parser.value(transferOption)));
        }
        options.transfer = *transfer;
    }
    for (const QString& text : parser.values(lock)) {
        const auto cell = parseCell(text);
        if (!cell) {
            return fail(QStringLiteral("autotune: --lock takes ROW,COL of the grid, each 1 to 16, "
                                       "not \"%1\"")
                            .arg(text));
        }
        options
            .locked[static_cast<size_t>(cell->first - 1)][static_cast<size_t>(cell->second - 1)] =
            true;
    }

    const QString basePath = parser.value(ecuFile);
    const std::optional<EcuSettings> base = loadTune(basePath, context);
    if (!base) {
        return kExitFailure;
    }
    if (loadControl(*base) < LoadControl::Map || loadControl(*base) > LoadControl::Volts) {
        return fail(QStringLiteral("autotune: %1: LoadControl %2 gives the table no load axis")
                        .arg(basePath)
                        .arg(base->LoadControl));
    }
    const std::optional<int> ego =
        egoInput(*base, parser.isSet(inputOption) ? std::optional(static_cast<int>(input) - 1)
                                                  : std::nullopt);
    if (!ego) {
        return fail(QStringLiteral("autotune: %1: no user input is in EGO mode; name the input "
                                   "the sensor is on with --ego-input N")
                        .arg(basePath));
    }
    if (const AnalogInputMode mode = analogInputMode(*base, *ego);
        mode != AnalogInputMode::Off && mode != AnalogInputMode::Ego) {
        return fail(QStringLiteral("autotune: %1: user input %2 scales %3, so its log column does "
                                   "not hold volts")
                        .arg(basePath)
                        .arg(*ego + 1)
                        .arg(mode == AnalogInputMode::FuelPercent ? QStringLiteral("fuel")
                                                                  : QStringLiteral("ignition")));
    }
    if (!options.targetAfr) {
        for (int k = 0; k < kGridSize; ++k) {
            const double volts =
                base->UserInputAnalogTable[0][static_cast<size_t>(k)] * 5.0 / 255.0;
            if (!(options.transfer.afr(volts) > 0.0)) {
                return fail(QStringLiteral("autotune: the EGO setpoint %1 V gives no air/fuel "
                                           "ratio through the sensor's line; give --target AFR")
                                .arg(volts, 0, 'f', 2));
            }
        }
    }

    Autotune autotune(*base, options);
    AutotuneLogFeed feed(autotune, *ego);
    qint64 records = 0;
    if (!readLogs(name, logs, feed, context, &records)) {
        return kExitFailure;
    }
    if (autotune.counts().records == 0) {
        return fail(QStringLiteral("autotune: no full data log records found (the records "
                                   "written after each poll hold every value autotune reads)"));
    }
    context.ui.message(summary(autotune.counts(), options.filters, static_cast<int>(logs.size())),
                       UserInteraction::Icon::Information);
    if (feed.incompleteRecords() > 0) {
        context.ui.message(QStringLiteral("autotune: %1 time history plot record(s) left out: they "
                                          "lack the water and injector columns")
                               .arg(feed.incompleteRecords()),
                           UserInteraction::Icon::Information);
    }

    const AutotuneProposal proposal = autotune.proposal();
    EcuSettings tuned = *base;
    tuned.FuelTable = proposal.appliedTo(tuned.FuelTable);
    const QString outputPath = parser.value(output);
    if (const EcuFileSaveResult saved = saveEcuFile(outputPath, tuned); !saved.ok()) {
        return fail(QStringLiteral("autotune: %1: %2").arg(outputPath, saved.error));
    }
    if (parser.isSet(report) &&
        !writeCommandOutput(parser.value(report), reportText(proposal), context)) {
        return kExitFailure;
    }
    const int changed = proposal.changedCells();
    context.ui.message(changed == 0
                           ? QStringLiteral("autotune: the proposal changes no fuel cell; %1 "
                                            "holds the fuel table of %2")
                                 .arg(outputPath, basePath)
                           : QStringLiteral("autotune: %1 of 256 fuel cells changed").arg(changed),
                       UserInteraction::Icon::Information);
    return kExitOk;
}

} // namespace

CliCommand autotuneCommand() {
    return {QStringLiteral("autotune"),
            QStringLiteral("Correct the fuel table from the EGO sensor's readings in data logs"),
            QStringLiteral(
                "Usage: vantrelctl autotune --ecu-file BASE.ecu [--target AFR]\n"
                "         [--ego-volts-afr V0:A0,V1:A1] [--ego-input N] [--min-water F]\n"
                "         [--min-weight W] [--max-change PCT] [--lock ROW,COL]...\n"
                "         [--report FILE] -o OUT.ecu LOG...\n"
                "\n"
                "Reads the full records of data logs taken with BASE.ecu and proposes a fuel\n"
                "table that gives the target mixture. The EGO sensor's volts become an\n"
                "air/fuel ratio (AFR) through a straight line given by two points. A record\n"
                "counts for the operating point one lag earlier (200 ms at 800 rpm falling to\n"
                "50 ms at 6000 rpm: the exhaust's way to the sensor), interpolated between\n"
                "records, and is spread over the 4 cells around it with bilinear weights. In\n"
                "each cell, fuel x measured AFR / target AFR is the fuel that would have given\n"
                "the target (a lean reading asks for more fuel); their weighted mean m becomes\n"
                "new = old + (m - old) x min(1, W / 20), W being the cell's weight.\n"
                "\n"
                "Left out, and counted on standard error: records with water below 160 F\n"
                "(warm-up enrichment); rpm below 300 (not running); the throttle moving faster\n"
                "than 20 %/s and the 0.5 s after (acceleration enrichment); no injector time\n"
                "and the 0.5 s after (fuel cut); EGO volts outside 0.1 to 4.9 V (a cold or\n"
                "failed sensor); rpm or load outside the table; locked cells. A cell whose\n"
                "weight is below 5 is left unchanged; no cell moves more than 15 % from its\n"
                "value in BASE.ecu; values are rounded to counts, halves to even, 0 to 255.\n"
                "OUT.ecu equals BASE.ecu but for fuel cells.\n"
                "\n"
                "Options:\n"
                "  --ecu-file BASE.ecu  The tune the logs were taken with (required)\n"
                "  -o, --output OUT.ecu Where the corrected tune goes (required)\n"
                "  --target AFR         One target for every cell (default: the EGO setpoint\n"
                "                       of the record's load, through the sensor's line)\n"
                "  --ego-volts-afr V0:A0,V1:A1\n"
                "                       The sensor's line (default 0:10,5:20)\n"
                "  --ego-input N        The user input (1 to 3) the sensor is on (default: the\n"
                "                       input in EGO mode)\n"
                "  --min-water F        Lowest water temperature in degrees F (default 160)\n"
                "  --min-weight W       Least weight for a cell to change (default 5)\n"
                "  --max-change PCT     Largest change of a cell in per cent (default 15)\n"
                "  --lock ROW,COL       Leave a cell as it is; ROW and COL count from 1 as in\n"
                "                       the grid, row 1 the highest load (may be repeated)\n"
                "  --report FILE        Write a tab-separated line per cell: row, column,\n"
                "                       hits, weight, old ms, new ms, change %\n"
                "  -h, --help           Show this help\n"
                "\n"
                "Exit codes: 0 a proposal was written, even one that changes nothing; 2 a bad\n"
                "option, tune or log.\n"),
            &runAutotune};
}
