#include "monitor/LogFormat.h"

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

bool extrasLogged(const AppState& state) {
    return state.LogExtra && state.DeveloperMode;
}

// The second trace shows a channel only when its entry is a live one.
bool shown(int channel) {
    return channel >= Fuel && channel <= User3;
}

// The time of day format of the locale with any time-zone name left out.
QString timeOfDayFormat(const QLocale& locale) {
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

QString plotTitle(const AppState& state, int channel) {
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
    switch (state.settings.UserInputAnalogMode[user]) {
    case 0:
        return QStringLiteral(" User %1                       ").arg(user + 1);
    case 1:
        return user == 2 ? QStringLiteral(" Fuel Compesnation (%)        ")
                         : QStringLiteral(" Fuel Compensation (%)        ");
    case 2:
        return QStringLiteral(" Ignition Compensation (DBTDC)");
    case 3:
        return QStringLiteral(" EGO (volt)                   ");
    default:
        return {};
    }
}

QString plotValue(const AppState& state, int channel) {
    constexpr int kWidth = 20;
    const EngineData& e = state.engine;
    switch (channel) {
    case Fuel:
        return field(e.FuelChannel.Value, "#0.00", kWidth);
    case Ignition:
        return field(e.IgnitionChannel.Value, "##0.0", kWidth);
    case Air:
        return field(e.AirChannel.Value, "##0", kWidth);
    case Water:
        return field(e.WaterChannel.Value, "##0", kWidth);
    case Battery:
        return field(e.BatteryChannel.Value, "##0.0", kWidth);
    default:
        break;
    }
    if (channel < User1 || channel > User3) {
        return QString(kWidth, QLatin1Char(' '));
    }
    const int user = channel - User1;
    const float value = e.UserChannel[user].Value;
    switch (state.settings.UserInputAnalogMode[user]) {
    case 0:
        return field(value, user == 0 ? "##0.00" : "##0.0", kWidth);
    case 1:
    case 3:
        return field(value, "##0.0", kWidth);
    case 2:
        return field(value, "##0", kWidth);
    default:
        return QString(kWidth, QLatin1Char(' '));
    }
}

} // namespace

QString logRuleLine() {
    return QString(110, QLatin1Char('-'));
}

QString logDateTimeLine(const QDateTime& now, const QLocale& locale) {
    constexpr int kZone = 14;
    QString line = locale.toString(now.date(), QLocale::ShortFormat);
    const int zoneStart = (static_cast<int>(line.size()) / kZone + 1) * kZone;
    line = line.leftJustified(zoneStart, QLatin1Char(' '));
    line += locale.toString(now.time(), timeOfDayFormat(locale));
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

QString fullRecordLine(const AppState& state, double secondsSinceHeader) {
    const EngineData& e = state.engine;
    QString line = timeField(secondsSinceHeader);
    line += field(e.RpmChannel.Value, "#####0", 10);
    line += field(e.MapChannel.Value, "##.00", 10);
    line += field(e.TpsChannel.Value, "##0", 10);
    line += field(e.AirChannel.Value, "###0", 10);
    line += field(e.WaterChannel.Value, "###0", 10);
    line += field(e.BatteryChannel.Value, "##0.0", 10);
    line += field(e.DutyChannel.Value, "##0.0", 10);
    line += field(e.FuelChannel.Value, "#0.00", 10);
    line += field(e.IgnitionChannel.Value, "##0.0", 10);
    for (const EngineChannel& user : e.UserChannel) {
        line += field(user.Value, "##0.0", 10);
    }
    line += rightAlign(formatNumber(e.EngineStatus1, QStringLiteral("##0")), 10);
    return line;
}

QString plotRecordTitleLine(const AppState& state, const std::array<int, 2>& channels) {
    QString line = QStringLiteral("    Time") + QStringLiteral("     Rpm        ");
    switch (state.settings.LoadControl) {
    case 1:
        line += QStringLiteral("Map (psi)    ");
        break;
    case 2:
        line += QStringLiteral("TPS (%)      ");
        break;
    case 3:
        line += QStringLiteral("Load (volt)  ");
        break;
    default:
        break;
    }
    line += plotTitle(state, channels[0]);
    if (shown(channels[1])) {
        line += plotTitle(state, channels[1]);
    }
    if (extrasLogged(state)) {
        for (const char* name : {"UC_Extra", "UI_Extra"}) {
            for (int i = 0; i < 5; ++i) {
                line += QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i).leftJustified(20);
            }
        }
    }
    return line;
}

QString plotRecordLine(const AppState& state, const std::array<int, 2>& channels,
                       double secondsSinceHeader) {
    const EngineData& e = state.engine;
    QString line = timeField(secondsSinceHeader);
    line += field(e.RpmChannel.Value, "####0", 8);
    const float load = state.settings.LoadControl == 2 ? e.TpsChannel.Value : e.MapChannel.Value;
    line += field(load, "#0.0", 15);
    line += plotValue(state, channels[0]);
    if (shown(channels[1])) {
        line += plotValue(state, channels[1]);
    }
    if (extrasLogged(state)) {
        for (const int16_t v : state.settings.UC_Extra) {
            line += rightAlign(formatNumber(v, QStringLiteral("##0")), 20);
        }
        for (const int32_t v : state.settings.UI_Extra) {
            line += rightAlign(formatNumber(v, QStringLiteral("####0")), 20);
        }
    }
    return line;
}
