// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/Autotune.h"
#include "autotune/AutotuneFeed.h"
#include "cli/Commands.h"
#include "files/EcuFile.h"
#include "monitor/LiveSample.h"
#include "monitor/SampleLogReader.h"
#include "monitor/SampleSeries.h"
#include "record/AppState.h"
#include "tables/HitRule.h"

#include <QFile>
#include <array>
#include <climits>
#include <cmath>

// Commands that read data logs against a tune: the cells the records fall
// in, and the fuel table corrected from the EGO sensor's readings.

namespace {

constexpr int kGridSize = 16;
const QString kStatusTitle = QStringLiteral("Status");

using Fail = std::function<int(const QString&)>;

Fail failWith(CliContext& context) {
    return [&context](const QString& text) {
        context.ui.message(text, UserInteraction::Icon::Critical);
        return kExitFailure;
    };
}

std::optional<EcuSettings> loadTune(const QString& path, CliContext& context) {
    EcuFileReadResult result = loadEcuFile(path, context.state.settings);
    if (!result.ok()) {
        context.ui.message(QStringLiteral("%1: %2").arg(path, result.error),
                           UserInteraction::Icon::Critical);
        return std::nullopt;
    }
    return std::move(result.settings);
}

std::optional<double> number(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

// The column titles of the full record.
QStringList fullRecordTitles() {
    QStringList titles;
    for (int c = 0; c < kLiveChannelCount; ++c) {
        titles.append(liveChannelName(static_cast<LiveChannel>(c)));
    }
    titles.append(kStatusTitle);
    return titles;
}

// Streams every log through sink. Tells of lines skipped; on a log that
// cannot be read, tells why and returns false.
bool readLogs(const QString& command, const QStringList& paths, LogRecordSink& sink,
              CliContext& context, qint64* records) {
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            context.ui.message(QStringLiteral("%1: %2: %3").arg(command, path, file.errorString()),
                               UserInteraction::Icon::Critical);
            return false;
        }
        const LogReadResult result = readLogRecords(file, sink);
        if (!result.error.isEmpty()) {
            context.ui.message(QStringLiteral("%1: %2: %3").arg(command, path, result.error),
                               UserInteraction::Icon::Critical);
            return false;
        }
        if (result.skippedLines > 0) {
            context.ui.message(QStringLiteral("%1: %2: skipped %3 line(s) that are not records")
                                   .arg(command, path)
                                   .arg(result.skippedLines),
                               UserInteraction::Icon::Warning);
        }
        *records += result.records;
    }
    return true;
}

// log hits -------------------------------------------------------------------

// Counts the records of each cell and, when a channel is named, sums its
// values; a record needs its rpm and the load of the load control.
class HitsSink : public LogRecordSink {
public:
    HitsSink(const EcuSettings& settings, const QString& valueChannel,
             std::optional<double> minWater)
        : m_settings(settings), m_names{liveChannelName(LiveChannel::Rpm),
                                        liveChannelName(LiveChannel::Map),
                                        liveChannelName(LiveChannel::Tps),
                                        liveChannelName(LiveChannel::Water), valueChannel},
          m_minWater(minWater) {}

    int addChannel(const QString& name, const QString&) override {
        const auto known = std::find(m_channels.begin(), m_channels.end(), name);
        if (known != m_channels.end()) {
            return static_cast<int>(known - m_channels.begin());
        }
        m_channels.push_back(name);
        std::array<bool, kRoles> roles{};
        for (size_t r = 0; r < kRoles; ++r) {
            roles[r] = !m_names[r].isEmpty() && m_names[r] == name;
        }
        m_roles.push_back(roles);
        return static_cast<int>(m_channels.size()) - 1;
    }
    void startRun(qint64, const QDateTime&) override {}
    void addMarker(qint64, const QString&) override {}

    bool append(qint64, std::span<const ChannelValue> values) override {
        std::array<double, kRoles> value{};
        value.fill(std::nan(""));
        for (const ChannelValue& v : values) {
            const auto& roles = m_roles[static_cast<size_t>(v.channel)];
            for (size_t r = 0; r < kRoles; ++r) {
                if (roles[r]) {
                    value[r] = v.value;
                }
            }
        }
        const double load = m_settings.LoadControl == 2 ? value[Tps] : value[Map];
        if (std::isnan(value[Rpm]) || std::isnan(load)) {
            ++m_withoutLoad;
            return true;
        }
        if (m_minWater && value[Water] < *m_minWater) {
            return true; // a record without water is kept; NaN compares false
        }
        const GridCell cell = hitCell(m_settings, value[Rpm], value[Map], value[Tps]);
        const auto row = static_cast<size_t>(cell.row - 1);
        const auto column = static_cast<size_t>(cell.column - 1);
        ++m_hits[row][column];
        if (!std::isnan(value[Value])) {
            m_sum[row][column] += value[Value];
            ++m_values[row][column];
        }
        return true;
    }

    qint64 withoutLoad() const { return m_withoutLoad; }

    QByteArray grid(bool means) const {
        QByteArray text;
        for (size_t row = 0; row < kGridSize; ++row) {
            QStringList fields;
            for (size_t column = 0; column < kGridSize; ++column) {
                if (!means) {
                    fields.append(QString::number(m_hits[row][column]));
                } else if (m_values[row][column] == 0) {
                    fields.append(QString());
                } else {
                    fields.append(QString::number(
                        m_sum[row][column] / static_cast<double>(m_values[row][column]), 'f', 3));
                }
            }
            text += fields.join(QLatin1Char('\t')).toUtf8() + '\n';
        }
        return text;
    }

private:
    enum Role : size_t { Rpm, Map, Tps, Water, Value, kRoles };
    template <typename T> using Grid = std::array<std::array<T, kGridSize>, kGridSize>;

    const EcuSettings& m_settings;
    std::array<QString, kRoles> m_names;
    std::optional<double> m_minWater;
    std::vector<QString> m_channels;
    std::vector<std::array<bool, kRoles>> m_roles; // by channel number
    Grid<qint64> m_hits{};
    Grid<double> m_sum{};
    Grid<qint64> m_values{};
    qint64 m_withoutLoad = 0;
};

int runLog(const QStringList& arguments, CliContext& context) {
    const QString name = QStringLiteral("log");
    const Fail fail = failWith(context);
    QCommandLineParser parser;
    const QCommandLineOption ecuFile(QStringLiteral("ecu-file"), QString(),
                                     QStringLiteral("TUNE.ecu"));
    const QCommandLineOption value(QStringLiteral("value"), QString(), QStringLiteral("CHANNEL"));
    const QCommandLineOption minWater(QStringLiteral("min-water"), QString(), QStringLiteral("F"));
    parser.addOptions({ecuFile, value, minWater});
    if (const auto exit = parseCommandLine(parser, name, arguments, context, 1, INT_MAX)) {
        return *exit;
    }
    QStringList logs = parser.positionalArguments();
    if (const QString sub = logs.takeFirst(); sub != QLatin1String("hits")) {
        return fail(QStringLiteral("log: unknown subcommand \"%1\"; the subcommand is hits. "
                                   "Try \"vantrelctl log --help\".")
                        .arg(sub));
    }
    const QString command = QStringLiteral("log hits");
    if (logs.isEmpty()) {
        return fail(QStringLiteral("log hits: no data log given. Try \"vantrelctl log --help\"."));
    }
    if (!parser.isSet(ecuFile)) {
        return fail(QStringLiteral("log hits: --ecu-file TUNE.ecu is missing: the tune whose "
                                   "axes place the records"));
    }
    QString channel;
    if (parser.isSet(value)) {
        const QStringList titles = fullRecordTitles();
        for (const QString& title : titles) {
            if (title.compare(parser.value(value), Qt::CaseInsensitive) == 0) {
                channel = title;
            }
        }
        if (channel.isEmpty()) {
            return fail(QStringLiteral("log hits: --value takes a column of the full record (%1), "
                                       "not \"%2\"")
                            .arg(titles.join(QStringLiteral(", ")), parser.value(value)));
        }
    }
    std::optional<double> water;
    if (parser.isSet(minWater)) {
        water = number(parser.value(minWater));
        if (!water) {
            return fail(QStringLiteral("log hits: --min-water takes degrees F, not \"%1\"")
                            .arg(parser.value(minWater)));
        }
    }
    const std::optional<EcuSettings> tune = loadTune(parser.value(ecuFile), context);
    if (!tune) {
        return kExitFailure;
    }
    HitsSink sink(*tune, channel, water);
    qint64 records = 0;
    if (!readLogs(command, logs, sink, context, &records)) {
        return kExitFailure;
    }
    if (records == 0) {
        return fail(QStringLiteral("log hits: no data log records found"));
    }
    if (sink.withoutLoad() > 0) {
        context.ui.message(
            QStringLiteral("log hits: %1 record(s) without rpm or %2 left out")
                .arg(sink.withoutLoad())
                .arg(tune->LoadControl == 2 ? QStringLiteral("TPS") : QStringLiteral("Map")),
            UserInteraction::Icon::Warning);
    }
    return writeCommandOutput(QString(), sink.grid(!channel.isEmpty()), context) ? kExitOk
                                                                                 : kExitFailure;
}

// autotune ---------------------------------------------------------------------

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
        const auto volts = number(pair[0]);
        const auto afr = number(pair[1]);
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
        const std::optional<double> n = number(parser.value(option));
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
    if (base->LoadControl < 1 || base->LoadControl > 3) {
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
    if (const int16_t mode = base->UserInputAnalogMode[static_cast<size_t>(*ego)];
        mode != 0 && mode != 3) {
        return fail(QStringLiteral("autotune: %1: user input %2 scales %3, so its log column does "
                                   "not hold volts")
                        .arg(basePath)
                        .arg(*ego + 1)
                        .arg(mode == 1 ? QStringLiteral("fuel") : QStringLiteral("ignition")));
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

std::vector<CliCommand> tuningCommands() {
    return {
        {QStringLiteral("log"),
         QStringLiteral("Count a data log's records in the cells of a tune's tables (log hits)"),
         QStringLiteral(
             "Usage: vantrelctl log hits --ecu-file TUNE.ecu [--value CHANNEL]\n"
             "                           [--min-water F] LOG...\n"
             "\n"
             "Places every record of the data logs in the cell of the fuel and ignition\n"
             "tables that the table editors paint as the upper-left red cell for it, by\n"
             "the axes of TUNE.ecu: the column by rpm and MaxRpm, the row by the load of\n"
             "its LoadControl. Under LoadControl 1 the load is the MAP count whose psi is\n"
             "nearest the logged MAP, as per cent of the MAP span; under 2 the throttle per\n"
             "cent; under 3 that MAP count. Prints 16 lines, the highest load first as in\n"
             "the editors, each of 16 tab-separated fields: the number of records in each\n"
             "cell, or with --value the mean of that channel there with 3 decimals, and an\n"
             "empty field where a cell has no records. The logs are read a line at a time,\n"
             "so memory stays the same whatever their size. Records of the time history\n"
             "plot count too; they carry no water value.\n"
             "\n"
             "Options:\n"
             "  --ecu-file TUNE.ecu  The tune whose axes place the records (required)\n"
             "  --value CHANNEL      Print the mean of a column of the full record: Rpm,\n"
             "                       Map, TPS, Air, Water, Battery, Duty, Fuel, Ignition,\n"
             "                       User 1, User 2, User 3 or Status (any case)\n"
             "  --min-water F        Leave out full records whose Water is below F degrees\n"
             "  -h, --help           Show this help\n"
             "\n"
             "Exit codes: 0 the grid was printed; 2 a bad option, tune or log.\n"),
         &runLog},
        {QStringLiteral("autotune"),
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
         &runAutotune},
    };
}
