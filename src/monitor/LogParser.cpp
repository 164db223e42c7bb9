// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LogParser.h"

#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"

#include <charconv>
#include <map>
#include <utility>

namespace {

const QString kDegreesF = QString(QChar(0xB0)) + QLatin1Char('F');
const QString kDegreesBtdc = QString(QChar(0xB0)) + QStringLiteral("BTDC");

LogChannel live(LiveChannel channel) {
    return {liveChannelName(channel), liveChannelUnit(channel)};
}

// The column titles of both record layouts and the channel each stands for.
const std::vector<std::pair<QString, LogChannel>>& knownTitles() {
    static const std::vector<std::pair<QString, LogChannel>> titles = [] {
        std::vector<std::pair<QString, LogChannel>> t;
        // The full record's titles are the channels' names.
        for (int c = 0; c < kLiveChannelCount; ++c) {
            const LogChannel channel = live(static_cast<LiveChannel>(c));
            t.emplace_back(channel.name, channel);
        }
        t.emplace_back(QStringLiteral("Status"), LogChannel{QStringLiteral("Status"), {}});
        // The plot record's load column holds the throttle per cent under
        // load control 2 and the MAP psi under every other, whatever its
        // title says.
        t.emplace_back(QStringLiteral("Map (psi)"), live(LiveChannel::Map));
        t.emplace_back(QStringLiteral("Load (volt)"), live(LiveChannel::Map));
        t.emplace_back(QStringLiteral("TPS (%)"), live(LiveChannel::Tps));
        t.emplace_back(QStringLiteral("Air Temp (") + kDegreesF + QLatin1Char(')'),
                       live(LiveChannel::Air));
        t.emplace_back(QStringLiteral("Water Temp (") + kDegreesF + QLatin1Char(')'),
                       live(LiveChannel::Water));
        t.emplace_back(QStringLiteral("Battery Volt"), live(LiveChannel::Battery));
        t.emplace_back(QStringLiteral("Fuel (ms)"), live(LiveChannel::Fuel));
        t.emplace_back(QStringLiteral("Fuel Compensation (%)"),
                       LogChannel{QStringLiteral("Fuel Compensation"), QStringLiteral("%")});
        // The plot names user input 3's fuel compensation so.
        t.emplace_back(QStringLiteral("Fuel Compesnation (%)"),
                       LogChannel{QStringLiteral("User 3 Fuel Compensation"), QStringLiteral("%")});
        t.emplace_back(QStringLiteral("Ignition Compensation (DBTDC)"),
                       LogChannel{QStringLiteral("Ignition Compensation"), kDegreesBtdc});
        t.emplace_back(QStringLiteral("EGO (volt)"),
                       LogChannel{QStringLiteral("EGO"), QStringLiteral("V")});
        for (const char* extra : {"UC_Extra", "UI_Extra"}) {
            for (int i = 0; i < 5; ++i) {
                const QString name = QStringLiteral("%1(%2)").arg(QLatin1String(extra)).arg(i);
                t.emplace_back(name, LogChannel{name, {}});
            }
        }
        return t;
    }();
    return titles;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool isRule(QByteArrayView line) {
    qsizetype dashes = 0;
    while (dashes < line.size() && line[dashes] == '-') {
        ++dashes;
    }
    for (qsizetype i = dashes; i < line.size(); ++i) {
        if (!isBlank(line[i])) {
            return false;
        }
    }
    return dashes >= 10;
}

QDate readDate(const QString& text, const QString& format, const QLocale& locale) {
    QDate date = locale.toDate(text, format);
    // A two-digit year is read as 19xx; logs are of this century.
    if (date.isValid() && format.contains(QLatin1String("yy")) &&
        !format.contains(QLatin1String("yyyy")) && date.year() < 2000) {
        date = date.addYears(100);
    }
    return date;
}

QDateTime readClock(const QString& dateText, const QString& timeText, const QLocale& locale) {
    const QDate date = readDate(dateText, locale.dateFormat(QLocale::ShortFormat), locale);
    if (!date.isValid()) {
        return {};
    }
    for (const QString& format :
         {logTimeOfDayFormat(locale), locale.timeFormat(QLocale::LongFormat),
          locale.timeFormat(QLocale::ShortFormat)}) {
        const QTime time = locale.toTime(timeText, format);
        if (time.isValid()) {
            return QDateTime(date, time);
        }
    }
    return {};
}

} // namespace

std::optional<std::vector<LogChannel>> parseLogTitles(const QString& line) {
    const QString text = line.trimmed();
    if (!text.startsWith(QLatin1String("Time"))) {
        return std::nullopt;
    }
    std::vector<LogChannel> channels;
    std::map<QString, int> times;
    qsizetype at = 4;
    for (;;) {
        while (at < text.size() && text[at].isSpace()) {
            ++at;
        }
        if (at >= text.size()) {
            break;
        }
        const LogChannel* match = nullptr;
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
        LogChannel channel = *match;
        if (const int seen = ++times[channel.name]; seen > 1) {
            channel.name += QStringLiteral(" %1").arg(seen);
        }
        channels.push_back(channel);
        at += length;
    }
    return channels;
}

QDateTime parseLogClock(const QString& line, const QLocale& locale) {
    constexpr int kZone = 14;
    const QLocale locales[] = {locale, QLocale::system(),
                               QLocale(QLocale::English, QLocale::UnitedStates),
                               QLocale(QLocale::English, QLocale::UnitedKingdom),
                               QLocale(QLocale::German, QLocale::Germany)};
    for (qsizetype zone = kZone; zone < line.size(); zone += kZone) {
        if (line[zone - 1] != QLatin1Char(' ') || line[zone] == QLatin1Char(' ')) {
            continue;
        }
        const QString date = line.left(zone).trimmed();
        const QString time = line.mid(zone).trimmed();
        for (const QLocale& l : locales) {
            const QDateTime clock = readClock(date, time, l);
            if (clock.isValid()) {
                return clock;
            }
        }
    }
    return {};
}

std::optional<double> parseLogNumber(QByteArrayView text) {
    qsizetype i = text.startsWith('-') ? 1 : 0;
    int digits = 0;
    int points = 0;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            ++digits;
        } else if (text[i] == '.') {
            ++points;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || points > 1) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

LogParser::LogParser(const QLocale& locale) : m_locale(locale) {}

LogParser::Line LogParser::parse(QByteArrayView line) {
    if (line.startsWith('#')) {
        m_marker = QString::fromLatin1(line.sliced(1)).trimmed();
        return Line::Marker;
    }
    if (isRule(line)) {
        m_expect = Expect::Clock;
        m_inRun = false;
        return Line::Rule;
    }
    switch (m_expect) {
    case Expect::Clock:
        m_expect = Expect::Titles;
        m_clock = parseLogClock(QString::fromLatin1(line), m_locale);
        return Line::Clock;
    case Expect::Titles: {
        m_expect = Expect::Record;
        auto channels = parseLogTitles(QString::fromLatin1(line));
        m_inRun = channels.has_value();
        if (!m_inRun) {
            return Line::NotARecord;
        }
        m_channels = std::move(*channels);
        return Line::Titles;
    }
    case Expect::Record:
        break;
    }
    return parseRecord(line);
}

LogParser::Line LogParser::parseRecord(QByteArrayView line) {
    m_fields.clear();
    m_values.clear();
    if (!m_inRun) {
        return Line::NotARecord;
    }
    const size_t wanted = m_channels.size() + 1;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i])) {
            ++i;
        }
        const qsizetype start = i;
        while (i < line.size() && !isBlank(line[i])) {
            ++i;
        }
        if (i == start) {
            break;
        }
        const QByteArrayView field = line.sliced(start, i - start);
        const auto value = parseLogNumber(field);
        if (!value || m_fields.size() == wanted) {
            return Line::NotARecord;
        }
        m_fields.push_back(field);
        m_values.push_back(*value);
    }
    return m_fields.size() == wanted ? Line::Record : Line::NotARecord;
}
