// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LogFormat.h"

#include "monitor/LiveSample.h"
#include "record/AppState.h"
#include "record/NumberFormat.h"

#include <QStringList>

namespace {

const QChar kDegree(0xB0);

// Plot channel list entries.
enum Channel {
    Fuel = 0,
    Ignition = 1,
    Tps = 2,
    Rpm = 3,
    Air = 4,
    Water = 5,
    Battery = 6,
    Map = 7,
    User1 = 8,
    User3 = 10,
};

QString field(float value, const char* pattern, int width) {
    return rightAlign(formatNumber(value, QString::fromLatin1(pattern)), width);
}

QString timeField(double seconds) {
    return rightAlign(formatNumber(seconds, QStringLiteral("####0.000")), 8);
}

// The second trace shows a channel only when its entry is a live one.
bool shown(int channel) {
    return channel >= Fuel && channel <= User3;
}

QString plotTitle(const PlotLogLayout& layout, int channel) {
    switch (channel) {
    case Fuel:
        return QStringLiteral(" Fuel (ms)                    ");
    case Ignition:
        return QStringLiteral(" Ignition                     ");
    case Air:
        return QStringLiteral(" Air Temp (") + kDegree + QStringLiteral("F)  ");
    case Water:
        return QStringLiteral(" Water Temp (") + kDegree + QStringLiteral("F)");
    case Battery:
        return QStringLiteral(" Battery Volt                  ");
    default:
        break;
    }
    if (channel < User1 || channel > User3) {
        return {}; // rpm, throttle and MAP are in the fixed columns already
    }
    const int user = channel - User1;
    switch (layout.userModes[static_cast<size_t>(user)]) {
    case AnalogInputMode::Off:
        return QStringLiteral(" User %1                       ").arg(user + 1);
    case AnalogInputMode::FuelPercent:
        return user == 2 ? QStringLiteral(" Fuel Compesnation (%)        ")
                         : QStringLiteral(" Fuel Compensation (%)        ");
    case AnalogInputMode::IgnitionDegrees:
        return QStringLiteral(" Ignition Compensation (DBTDC)");
    case AnalogInputMode::Ego:
        return QStringLiteral(" EGO (volt)                   ");
    default:
        return {};
    }
}

QString plotValue(const LiveSample& sample, const PlotLogLayout& layout, int channel) {
    constexpr int kWidth = 20;
    switch (channel) {
    case Fuel:
        return field(sample.value(LiveChannel::Fuel), "#0.00", kWidth);
    case Ignition:
        return field(sample.value(LiveChannel::Ignition), "##0.0", kWidth);
    case Air:
        return field(sample.value(LiveChannel::Air), "##0", kWidth);
    case Water:
        return field(sample.value(LiveChannel::Water), "##0", kWidth);
    case Battery:
        return field(sample.value(LiveChannel::Battery), "##0.0", kWidth);
    default:
        break;
    }
    if (channel < User1 || channel > User3) {
        return QString(kWidth, QLatin1Char(' '));
    }
    const int user = channel - User1;
    const float value =
        sample.value(static_cast<LiveChannel>(static_cast<int>(LiveChannel::User1) + user));
    switch (layout.userModes[static_cast<size_t>(user)]) {
    case AnalogInputMode::Off:
        return field(value, user == 0 ? "##0.00" : "##0.0", kWidth);
    case AnalogInputMode::FuelPercent:
    case AnalogInputMode::Ego:
        return field(value, "##0.0", kWidth);
    case AnalogInputMode::IgnitionDegrees:
        return field(value, "##0", kWidth);
    default:
        return QString(kWidth, QLatin1Char(' '));
    }
}

} // namespace

QString logTimeOfDayFormat(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (!quoted && c == QLatin1Char('t')) {
            while (i + 1 < format.size() && format[i + 1] == QLatin1Char('t')) {
                ++i;
            }
            continue;
        }
        out.append(c);
    }
    return out.trimmed();
}

QString logRuleLine() {
    return QString(110, QLatin1Char('-'));
}

QString logDateTimeLine(const QDateTime& now, const QLocale& locale) {
    constexpr int kZone = 14;
    QString line = locale.toString(now.date(), QLocale::ShortFormat);
    const int zoneStart = (static_cast<int>(line.size()) / kZone + 1) * kZone;
    line = line.leftJustified(zoneStart, QLatin1Char(' '));
    line += locale.toString(now.time(), logTimeOfDayFormat(locale));
    return line;
}

QString fullRecordTitleLine() {
    static const char* const kTitles[] = {"Rpm",     "Map",    "TPS",   "Air",      "Water",
                                          "Battery", "Duty",   "Fuel",  "Ignition", "User 1",
                                          "User 2",  "User 3", "Status"};
    QString line = QStringLiteral("    Time");
    for (const char* title : kTitles) {
        line += rightAlign(QString::fromLatin1(title), 10);
    }
    return line;
}

QString fullRecordLine(const LiveSample& sample, double secondsSinceHeader) {
    static const char* const kPatterns[kLiveChannelCount] = {"#####0", "##.00", "##0",   "###0",
                                                             "###0",   "##0.0", "##0.0", "#0.00",
                                                             "##0.0",  "##0.0", "##0.0", "##0.0"};
    QString line = timeField(secondsSinceHeader);
    for (int c = 0; c < kLiveChannelCount; ++c) {
        line += field(sample.value(static_cast<LiveChannel>(c)), kPatterns[c], 10);
    }
    line += rightAlign(formatNumber(sample.status(1), QStringLiteral("##0")), 10);
    return line;
}

PlotLogLayout plotLogLayout(const AppState& state, const EcuSettings& s,
                            const std::array<int, 2>& channels) {
    return {loadControl(s), {analogInputMode(s, 0), analogInputMode(s, 1), analogInputMode(s, 2)},
            channels,       state.LogExtra && state.DeveloperMode,
            s.UC_Extra,     s.UI_Extra};
}

QString plotRecordTitleLine(const PlotLogLayout& layout) {
    const std::array<int, 2>& channels = layout.channels;
    QString line = QStringLiteral("    Time") + QStringLiteral("     Rpm        ");
    switch (layout.loadControl) {
    case LoadControl::Map:
        line += QStringLiteral("Map (psi)    ");
        break;
    case LoadControl::Tps:
        line += QStringLiteral("TPS (%)      ");
        break;
    case LoadControl::Volts:
        line += QStringLiteral("Load (volt)  ");
        break;
    default:
        break;
    }
    line += plotTitle(layout, channels[0]);
    if (shown(channels[1])) {
        line += plotTitle(layout, channels[1]);
    }
    if (layout.developerColumns) {
        for (const char* name : {"UC_Extra", "UI_Extra"}) {
            for (int i = 0; i < 5; ++i) {
                line += QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i).leftJustified(20);
            }
        }
    }
    return line;
}

QString plotRecordLine(const LiveSample& sample, const PlotLogLayout& layout,
                       double secondsSinceHeader) {
    const std::array<int, 2>& channels = layout.channels;
    QString line = timeField(secondsSinceHeader);
    line += field(sample.value(LiveChannel::Rpm), "####0", 8);
    // Under load control 3 the column is titled as volts but holds MAP psi.
    const float load =
        sample.value(layout.loadControl == LoadControl::Tps ? LiveChannel::Tps : LiveChannel::Map);
    line += field(load, "#0.0", 15);
    line += plotValue(sample, layout, channels[0]);
    if (shown(channels[1])) {
        line += plotValue(sample, layout, channels[1]);
    }
    if (layout.developerColumns) {
        for (const int16_t v : layout.ucExtra) {
            line += rightAlign(formatNumber(v, QStringLiteral("##0")), 20);
        }
        for (const int32_t v : layout.uiExtra) {
            line += rightAlign(formatNumber(v, QStringLiteral("####0")), 20);
        }
    }
    return line;
}
