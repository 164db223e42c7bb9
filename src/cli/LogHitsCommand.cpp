// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TuningCommands.h"
#include "monitor/LiveSample.h"
#include "monitor/SampleLogReader.h"
#include "monitor/SampleSeries.h"
#include "record/SettingCodes.h"
#include "tables/CellHits.h"

#include <array>
#include <climits>
#include <cmath>
#include <vector>

// log hits: how many records of data logs fall in each cell of a tune's
// tables, or the mean of a channel there.

namespace {

const QString kStatusTitle = QStringLiteral("Status");

// The column titles of the full record.
QStringList fullRecordTitles() {
    QStringList titles;
    for (int c = 0; c < kLiveChannelCount; ++c) {
        titles.append(liveChannelName(static_cast<LiveChannel>(c)));
    }
    titles.append(kStatusTitle);
    return titles;
}

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
        value.fill(LoggedPoint::kNone);
        for (const ChannelValue& v : values) {
            const auto& roles = m_roles[static_cast<size_t>(v.channel)];
            for (size_t r = 0; r < kRoles; ++r) {
                if (roles[r]) {
                    value[r] = v.value;
                }
            }
        }
        if (m_minWater && value[Water] < *m_minWater) {
            return true; // a record without water is kept; NaN compares false
        }
        m_hits.add(m_settings, {value[Rpm], value[Map], value[Tps]}, value[Value]);
        return true;
    }

    qint64 withoutLoad() const { return m_hits.leftOut(); }

    QByteArray grid(bool means) const {
        QByteArray text;
        for (int row = 1; row <= CellHits::kCells; ++row) {
            QStringList fields;
            for (int column = 1; column <= CellHits::kCells; ++column) {
                const GridCell cell{row, column};
                if (!means) {
                    fields.append(QString::number(m_hits.count(cell)));
                } else if (const std::optional<double> mean = m_hits.mean(cell)) {
                    fields.append(QString::number(*mean, 'f', 3));
                } else {
                    fields.append(QString());
                }
            }
            text += fields.join(QLatin1Char('\t')).toUtf8() + '\n';
        }
        return text;
    }

private:
    enum Role : size_t { Rpm, Map, Tps, Water, Value, kRoles };

    const EcuSettings& m_settings;
    std::array<QString, kRoles> m_names;
    std::optional<double> m_minWater;
    std::vector<QString> m_channels;
    std::vector<std::array<bool, kRoles>> m_roles; // by channel number
    CellHits m_hits;
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
        water = parseNumber(parser.value(minWater));
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
        context.ui.message(QStringLiteral("log hits: %1 record(s) without rpm or %2 left out")
                               .arg(sink.withoutLoad())
                               .arg(loadControl(*tune) == LoadControl::Tps ? QStringLiteral("TPS")
                                                                           : QStringLiteral("Map")),
                           UserInteraction::Icon::Warning);
    }
    return writeCommandOutput(QString(), sink.grid(!channel.isEmpty()), context) ? kExitOk
                                                                                 : kExitFailure;
}

} // namespace

CliCommand logCommand() {
    return {QStringLiteral("log"),
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
            &runLog};
}
