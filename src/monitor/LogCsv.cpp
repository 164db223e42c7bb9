#include "monitor/LogCsv.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace {

const QString kDegreesF = QString(QChar(0xB0)) + QLatin1Char('F');
const QString kDegreesBtdc = QString(QChar(0xB0)) + QStringLiteral("BTDC");

struct Channel {
    QString name;
    QString unit;
};

// The column titles of both record layouts and the channel each stands for.
const std::vector<std::pair<QString, Channel>>& knownTitles() {
    static const std::vector<std::pair<QString, Channel>> titles = [] {
        std::vector<std::pair<QString, Channel>> t{
            {QStringLiteral("Rpm"), {QStringLiteral("Rpm"), QStringLiteral("rpm")}},
            {QStringLiteral("Map"), {QStringLiteral("Map"), QStringLiteral("psi")}},
            {QStringLiteral("Map (psi)"), {QStringLiteral("Map"), QStringLiteral("psi")}},
            {QStringLiteral("TPS"), {QStringLiteral("TPS"), QStringLiteral("%")}},
            {QStringLiteral("TPS (%)"), {QStringLiteral("TPS"), QStringLiteral("%")}},
            {QStringLiteral("Load (volt)"), {QStringLiteral("Load"), QStringLiteral("V")}},
            {QStringLiteral("Air"), {QStringLiteral("Air"), kDegreesF}},
            {QStringLiteral("Air Temp (") + kDegreesF + QLatin1Char(')'),
             {QStringLiteral("Air"), kDegreesF}},
            {QStringLiteral("Water"), {QStringLiteral("Water"), kDegreesF}},
            {QStringLiteral("Water Temp (") + kDegreesF + QLatin1Char(')'),
             {QStringLiteral("Water"), kDegreesF}},
            {QStringLiteral("Battery"), {QStringLiteral("Battery"), QStringLiteral("V")}},
            {QStringLiteral("Battery Volt"), {QStringLiteral("Battery"), QStringLiteral("V")}},
            {QStringLiteral("Duty"), {QStringLiteral("Duty"), QStringLiteral("%")}},
            {QStringLiteral("Fuel"), {QStringLiteral("Fuel"), QStringLiteral("ms")}},
            {QStringLiteral("Fuel (ms)"), {QStringLiteral("Fuel"), QStringLiteral("ms")}},
            {QStringLiteral("Ignition"), {QStringLiteral("Ignition"), kDegreesBtdc}},
            {QStringLiteral("Status"), {QStringLiteral("Status"), {}}},
            {QStringLiteral("Fuel Compensation (%)"),
             {QStringLiteral("Fuel Compensation"), QStringLiteral("%")}},
            // The plot names user input 3's fuel compensation so.
            {QStringLiteral("Fuel Compesnation (%)"),
             {QStringLiteral("User 3 Fuel Compensation"), QStringLiteral("%")}},
            {QStringLiteral("Ignition Compensation (DBTDC)"),
             {QStringLiteral("Ignition Compensation"), kDegreesBtdc}},
            {QStringLiteral("EGO (volt)"), {QStringLiteral("EGO"), QStringLiteral("V")}},
        };
        for (int n = 1; n <= 3; ++n) {
            const QString user = QStringLiteral("User %1").arg(n);
            t.push_back({user, {user, {}}});
        }
        for (const char* extra : {"UC_Extra", "UI_Extra"}) {
            for (int i = 0; i < 5; ++i) {
                const QString name = QStringLiteral("%1(%2)").arg(QLatin1String(extra)).arg(i);
                t.push_back({name, {name, {}}});
            }
        }
        return t;
    }();
    return titles;
}

bool isRule(const QString& line) {
    static const QRegularExpression rule(QStringLiteral("^-{10,}\\s*$"));
    return rule.match(line).hasMatch();
}

// The channels of a title line after its leading "Time", or nothing when the
// line holds a title of neither layout. A channel named twice in one line
// (two user inputs in the same mode) gets a number the second time.
std::optional<std::vector<Channel>> parseTitles(const QString& line) {
    const QString text = line.trimmed();
    if (!text.startsWith(QLatin1String("Time"))) {
        return std::nullopt;
    }
    std::vector<Channel> channels;
    std::map<QString, int> times;
    qsizetype at = 4;
    for (;;) {
        while (at < text.size() && text[at].isSpace()) {
            ++at;
        }
        if (at >= text.size()) {
            break;
        }
        const Channel* match = nullptr;
        qsizetype length = 0;
        for (const auto& [title, channel] : knownTitles()) {
            const qsizetype end = at + title.size();
            if (title.size() > length && QStringView(text).mid(at).startsWith(title) &&
                (end == text.size() || text[end].isSpace())) {
                match = &channel;
                length = title.size();
            }
        }
        if (match == nullptr) {
            return std::nullopt;
        }
        Channel channel = *match;
        if (const int seen = ++times[channel.name]; seen > 1) {
            channel.name += QStringLiteral(" %1").arg(seen);
        }
        channels.push_back(channel);
        at += length;
    }
    return channels;
}

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

LogCsv convertLogToCsv(const QByteArray& log) {
    LogCsv result;
    QStringList lines = QString::fromLatin1(log).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }

    std::vector<QString> columns; // "Name (unit)" of every channel met so far
    std::map<QString, int> columnOf;
    std::vector<int> runColumns; // the CSV columns of the current run's values
    bool inRun = false;
    enum class Expect { Record, DateLine, TitleLine } expect = Expect::Record;
    std::vector<std::vector<std::pair<int, QString>>> rows; // (column, text)

    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (isRule(line)) {
            expect = Expect::DateLine;
            continue;
        }
        if (expect == Expect::DateLine) {
            expect = Expect::TitleLine;
            continue;
        }
        if (expect == Expect::TitleLine) {
            expect = Expect::Record;
            const auto channels = parseTitles(line);
            inRun = channels.has_value();
            if (!inRun) {
                result.skippedLines.append(static_cast<int>(i + 1));
                continue;
            }
            runColumns.clear();
            for (const Channel& channel : *channels) {
                const QString column =
                    channel.unit.isEmpty()
                        ? channel.name
                        : QStringLiteral("%1 (%2)").arg(channel.name, channel.unit);
                const auto [it, added] =
                    columnOf.try_emplace(column, static_cast<int>(columns.size()) + 1);
                if (added) {
                    columns.push_back(column);
                }
                runColumns.push_back(it->second);
            }
            continue;
        }
        const QStringList values = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool numbers = inRun && values.size() == static_cast<qsizetype>(runColumns.size()) + 1;
        for (qsizetype v = 0; numbers && v < values.size(); ++v) {
            values[v].toDouble(&numbers);
        }
        if (!numbers) {
            result.skippedLines.append(static_cast<int>(i + 1));
            continue;
        }
        std::vector<std::pair<int, QString>> row{{0, values[0]}};
        for (size_t c = 0; c < runColumns.size(); ++c) {
            row.emplace_back(runColumns[c], values[static_cast<qsizetype>(c) + 1]);
        }
        rows.push_back(std::move(row));
    }

    QStringList header{QStringLiteral("Time (s)")};
    for (const QString& column : columns) {
        header.append(csvField(column));
    }
    QString csv = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const auto& row : rows) {
        QStringList cells(static_cast<qsizetype>(columns.size()) + 1);
        for (const auto& [column, text] : row) {
            cells[column] = text;
        }
        csv += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    result.csv = csv.toUtf8();
    result.records = static_cast<int>(rows.size());
    return result;
}
