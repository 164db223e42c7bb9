// SPDX-License-Identifier: GPL-3.0-or-later
#include "gauges/GaugeLayout.h"

#include "record/EcuSettings.h"
#include "record/FileAccess.h"
#include "record/ListStyle.h"
#include "record/NumberFormat.h"
#include "record/SettingCodes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr float kVersion = 1.0f;
const QString kTitle = QStringLiteral("Gauges Layout");
const QString kEnd = QStringLiteral("End Of File");

constexpr std::array<const char*, kGaugeKindCount> kKindNames{"Dial", "Bar", "Number"};

const QString kDegree = QString(QChar(176));

// The digits each channel is printed with.
QString pattern(LiveChannel channel, const EcuSettings& settings) {
    switch (channel) {
    case LiveChannel::Rpm:
    case LiveChannel::Tps:
    case LiveChannel::Air:
    case LiveChannel::Water:
    case LiveChannel::Duty:
        return QStringLiteral("##0");
    case LiveChannel::Map:
    case LiveChannel::Battery:
    case LiveChannel::Ignition:
        return QStringLiteral("#0.0");
    case LiveChannel::Fuel:
        return QStringLiteral("#0.00");
    case LiveChannel::User1:
    case LiveChannel::User2:
    case LiveChannel::User3:
        break;
    }
    const int input = static_cast<int>(channel) - static_cast<int>(LiveChannel::User1);
    switch (analogInputMode(settings, input)) {
    case AnalogInputMode::FuelPercent:
    case AnalogInputMode::IgnitionDegrees:
        return QStringLiteral("##0");
    case AnalogInputMode::Off:
    case AnalogInputMode::Ego:
        break;
    }
    return QStringLiteral("#0.00");
}

std::optional<LiveChannel> channelNamed(const QString& name) {
    for (int c = 0; c < kLiveChannelCount; ++c) {
        const auto channel = static_cast<LiveChannel>(c);
        if (liveChannelName(channel).compare(name, Qt::CaseInsensitive) == 0) {
            return channel;
        }
    }
    return std::nullopt;
}

void writeLimit(ListWriter& out, const std::optional<float>& limit) {
    out.writeBool(limit.has_value());
    out.writeSingle(limit.value_or(0.0f));
}

std::optional<float> readLimit(ListReader& in) {
    const std::optional<bool> set = in.readBool();
    const std::optional<float> value = in.readSingle();
    return set.value_or(false) ? value : std::nullopt;
}

} // namespace

QString gaugeKindName(GaugeKind kind) {
    return QString::fromLatin1(kKindNames[static_cast<size_t>(kind)]);
}

std::optional<GaugeKind> gaugeKindNamed(const QString& name) {
    for (size_t k = 0; k < kKindNames.size(); ++k) {
        if (name.compare(QLatin1String(kKindNames[k]), Qt::CaseInsensitive) == 0) {
            return static_cast<GaugeKind>(k);
        }
    }
    return std::nullopt;
}

GaugeZone gaugeZone(const Gauge& g, float value) {
    if (std::isnan(value)) {
        return GaugeZone::Normal;
    }
    if ((g.dangerBelow && value < *g.dangerBelow) || (g.dangerAbove && value >= *g.dangerAbove)) {
        return GaugeZone::Danger;
    }
    if ((g.warningBelow && value < *g.warningBelow) ||
        (g.warningAbove && value >= *g.warningAbove)) {
        return GaugeZone::Warning;
    }
    return GaugeZone::Normal;
}

std::vector<GaugeBand> gaugeBands(const Gauge& g) {
    std::vector<float> cuts{g.min, g.max};
    for (const auto& limit : {g.dangerBelow, g.warningBelow, g.warningAbove, g.dangerAbove}) {
        if (limit && *limit > g.min && *limit < g.max) {
            cuts.push_back(*limit);
        }
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::vector<GaugeBand> bands;
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        // A stretch is half-open from its start, so its start tells its zone.
        const GaugeZone zone = gaugeZone(g, cuts[i]);
        if (!bands.empty() && bands.back().zone == zone) {
            bands.back().to = cuts[i + 1];
        } else {
            bands.push_back({cuts[i], cuts[i + 1], zone});
        }
    }
    return bands;
}

double gaugeFraction(const Gauge& g, float value) {
    const double span = static_cast<double>(g.max) - g.min;
    if (std::isnan(value) || !(span > 0)) {
        return 0.0;
    }
    return std::clamp((static_cast<double>(value) - g.min) / span, 0.0, 1.0);
}

QString gaugeValueText(LiveChannel channel, float value, const EcuSettings& settings) {
    return formatNumber(value, pattern(channel, settings));
}

QString gaugeValueText(const Gauge& gauge, const LiveSample& sample, const EcuSettings& settings) {
    if (!sample.has(gauge.channel)) {
        return QStringLiteral("--");
    }
    return gaugeValueText(gauge.channel, sample.value(gauge.channel), settings);
}

QString gaugeUnit(LiveChannel channel, const EcuSettings& settings) {
    switch (channel) {
    case LiveChannel::User1:
    case LiveChannel::User2:
    case LiveChannel::User3:
        break;
    default:
        return liveChannelUnit(channel);
    }
    const int input = static_cast<int>(channel) - static_cast<int>(LiveChannel::User1);
    switch (analogInputMode(settings, input)) {
    case AnalogInputMode::FuelPercent:
        return QStringLiteral("%");
    case AnalogInputMode::IgnitionDegrees:
        return kDegree;
    case AnalogInputMode::Off:
    case AnalogInputMode::Ego:
        break;
    }
    return QStringLiteral("V");
}

Gauge usualGauge(LiveChannel channel, GaugeKind kind) {
    Gauge g;
    g.channel = channel;
    g.kind = kind;
    switch (channel) {
    case LiveChannel::Rpm:
        g.max = 8000;
        g.warningAbove = 6000;
        g.dangerAbove = 7000;
        break;
    case LiveChannel::Map:
        g.max = 30;
        break;
    case LiveChannel::Tps:
        g.max = 100;
        break;
    case LiveChannel::Duty:
        g.max = 100;
        g.warningAbove = 85;
        g.dangerAbove = 95;
        break;
    case LiveChannel::Air:
        g.min = 0;
        g.max = 200;
        g.warningAbove = 130;
        g.dangerAbove = 160;
        break;
    case LiveChannel::Water:
        g.min = 100;
        g.max = 260;
        g.warningAbove = 210;
        g.dangerAbove = 230;
        break;
    case LiveChannel::Battery:
        g.min = 8;
        g.max = 18;
        g.dangerBelow = 11;
        g.warningBelow = 12;
        g.warningAbove = 15;
        g.dangerAbove = 16;
        break;
    case LiveChannel::Fuel:
        g.max = 20;
        break;
    case LiveChannel::Ignition:
        g.min = -10;
        g.max = 50;
        break;
    case LiveChannel::User1:
    case LiveChannel::User2:
    case LiveChannel::User3:
        g.max = 5;
        break;
    }
    return g;
}

std::vector<Gauge> GaugeLayout::defaultGauges() {
    return {usualGauge(LiveChannel::Rpm, GaugeKind::Dial),
            usualGauge(LiveChannel::Map, GaugeKind::Dial),
            usualGauge(LiveChannel::Water, GaugeKind::Dial),
            usualGauge(LiveChannel::Tps, GaugeKind::Bar),
            usualGauge(LiveChannel::Battery, GaugeKind::Number),
            usualGauge(LiveChannel::Ignition, GaugeKind::Number)};
}

Gauge newGauge(const GaugeLayout& layout) {
    for (int c = 0; c < kLiveChannelCount; ++c) {
        const auto channel = static_cast<LiveChannel>(c);
        if (std::none_of(layout.gauges.begin(), layout.gauges.end(),
                         [channel](const Gauge& g) { return g.channel == channel; })) {
            return usualGauge(channel, GaugeKind::Dial);
        }
    }
    return usualGauge(LiveChannel::Rpm, GaugeKind::Dial);
}

bool insertGauge(GaugeLayout& layout, int after) {
    auto& gauges = layout.gauges;
    if (static_cast<int>(gauges.size()) >= GaugeLayout::kMaxGauges) {
        return false;
    }
    const Gauge g = newGauge(layout);
    const int count = static_cast<int>(gauges.size());
    const int at = after >= 0 && after < count ? after + 1 : count;
    gauges.insert(gauges.begin() + at, g);
    return true;
}

bool removeGauge(GaugeLayout& layout, int index) {
    if (index < 0 || index >= static_cast<int>(layout.gauges.size())) {
        return false;
    }
    layout.gauges.erase(layout.gauges.begin() + index);
    return true;
}

bool moveGauge(GaugeLayout& layout, int from, int to) {
    const int count = static_cast<int>(layout.gauges.size());
    if (from < 0 || from >= count || to < 0 || to >= count || from == to) {
        return false;
    }
    const Gauge g = layout.gauges[static_cast<size_t>(from)];
    layout.gauges.erase(layout.gauges.begin() + from);
    layout.gauges.insert(layout.gauges.begin() + to, g);
    return true;
}

bool setGaugeScale(Gauge& gauge, float min, float max) {
    if (!(min < max) || !std::isfinite(min) || !std::isfinite(max)) {
        return false;
    }
    gauge.min = min;
    gauge.max = max;
    return true;
}

QByteArray gaugeLayoutBytes(const GaugeLayout& layout) {
    ListWriter out;
    out.writeString(kTitle);
    out.writeSingle(kVersion);
    out.endLine();
    out.writeString(QStringLiteral("Gauges"));
    out.writeInteger(static_cast<int64_t>(layout.gauges.size()));
    out.endLine();
    for (const Gauge& g : layout.gauges) {
        out.writeString(liveChannelName(g.channel));
        out.writeString(gaugeKindName(g.kind));
        out.writeSingle(g.min);
        out.writeSingle(g.max);
        writeLimit(out, g.dangerBelow);
        writeLimit(out, g.warningBelow);
        writeLimit(out, g.warningAbove);
        writeLimit(out, g.dangerAbove);
        out.endLine();
    }
    out.writeString(kEnd);
    out.endLine();
    return out.data();
}

std::optional<GaugeLayout> parseGaugeLayout(const QByteArray& bytes) {
    ListReader in(bytes);
    if (in.readString() != kTitle || in.readSingle() != kVersion) {
        return std::nullopt;
    }
    in.skip();
    const auto count = in.readInteger(0, GaugeLayout::kMaxGauges);
    GaugeLayout layout;
    layout.gauges.clear();
    for (int64_t i = 0; i < count.value_or(0); ++i) {
        const auto channel = channelNamed(in.readString().value_or(QString()));
        const auto kind = gaugeKindNamed(in.readString().value_or(QString()));
        Gauge g;
        const float min = in.readSingle().value_or(0.0f);
        const float max = in.readSingle().value_or(0.0f);
        g.dangerBelow = readLimit(in);
        g.warningBelow = readLimit(in);
        g.warningAbove = readLimit(in);
        g.dangerAbove = readLimit(in);
        if (!channel || !kind || !setGaugeScale(g, min, max)) {
            return std::nullopt;
        }
        g.channel = *channel;
        g.kind = *kind;
        layout.gauges.push_back(g);
    }
    if (in.readString() != kEnd || in.failed()) {
        return std::nullopt;
    }
    return layout;
}

QString gaugeLayoutPath(const QString& settingsPath) {
    return fileBesideSettings(settingsPath, QStringLiteral("gauges.conf"));
}

GaugeLayout loadGaugeLayout(const QString& path) {
    return parsedFileOr<GaugeLayout>(path, parseGaugeLayout);
}

QString saveGaugeLayout(const QString& path, const GaugeLayout& layout) {
    return saveFileWithFolder(path, gaugeLayoutBytes(layout));
}
