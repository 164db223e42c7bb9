// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveSample.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct EcuSettings;

// How a gauge shows its channel: a needle on a round scale, a bar along a
// straight one, or the number alone.
enum class GaugeKind : uint8_t { Dial, Bar, Number };
inline constexpr int kGaugeKindCount = 3;

// "Dial", "Bar", "Number"; nothing for any other text.
QString gaugeKindName(GaugeKind kind);
std::optional<GaugeKind> gaugeKindNamed(const QString& name);

// Where a value stands against a gauge's limits.
enum class GaugeZone : uint8_t { Normal, Warning, Danger };

// One gauge: a live channel, its kind, its scale and four optional limits.
// The limits make half-open ranges: below dangerBelow is danger, from there
// below warningBelow is warning, from warningAbove on warning, and from
// dangerAbove on danger. So with warningAbove 210 and dangerAbove 230, 209.9
// is normal, 210 a warning and 230 danger; with warningBelow 12 and
// dangerBelow 11, 12 is normal, 11.9 a warning and 10.9 danger.
struct Gauge {
    LiveChannel channel = LiveChannel::Rpm;
    GaugeKind kind = GaugeKind::Dial;
    float min = 0.0f;
    float max = 100.0f;
    std::optional<float> dangerBelow;
    std::optional<float> warningBelow;
    std::optional<float> warningAbove;
    std::optional<float> dangerAbove;

    bool operator==(const Gauge&) const = default;
};

// The zone of a value; danger wins over warning where limits overlap. A
// value that is no number is normal.
GaugeZone gaugeZone(const Gauge& gauge, float value);

// A stretch of the scale in one zone.
struct GaugeBand {
    float from = 0.0f;
    float to = 0.0f;
    GaugeZone zone = GaugeZone::Normal;

    bool operator==(const GaugeBand&) const = default;
};

// The scale from min to max cut at the limits that lie inside it, each
// stretch with its zone, in order; neighbours of the same zone are joined.
std::vector<GaugeBand> gaugeBands(const Gauge& gauge);

// Where a value lies along the scale: 0 at min, 1 at max, held to 0..1.
double gaugeFraction(const Gauge& gauge, float value);

// The value as the gauge prints it: the channel's usual digits (rpm whole,
// MAP to a tenth, injector time to a hundredth ...; a user input by its
// mode), "--" for a channel the sample does not hold.
QString gaugeValueText(LiveChannel channel, float value, const EcuSettings& settings);
QString gaugeValueText(const Gauge& gauge, const LiveSample& sample, const EcuSettings& settings);
// The unit printed under a gauge's name; a user input's follows its mode.
QString gaugeUnit(LiveChannel channel, const EcuSettings& settings);

// The gauges of the window, in order.
struct GaugeLayout {
    static constexpr int kMaxGauges = 12;

    std::vector<Gauge> gauges = defaultGauges();

    // Rpm, MAP and water on dials, the throttle on a bar, battery and
    // ignition as numbers; water warns from 210 °F and is in danger from
    // 230 °F as on the data window, the battery below 12 V and above 15 V.
    static std::vector<Gauge> defaultGauges();

    bool operator==(const GaugeLayout&) const = default;
};

// A new gauge for the layout: the first channel no gauge shows yet (rpm
// again when all are shown), as a dial on that channel's usual scale.
Gauge newGauge(const GaugeLayout& layout);
// A channel's usual scale and limits (those of the defaults for the
// channels they show).
Gauge usualGauge(LiveChannel channel, GaugeKind kind);

// Editing, each true when it changed the layout: a new gauge inserted after
// `after` (or at the end when out of range, and not past kMaxGauges);
// removing one; moving one to another place.
bool insertGauge(GaugeLayout& layout, int after);
bool removeGauge(GaugeLayout& layout, int index);
bool moveGauge(GaugeLayout& layout, int from, int to);

// A scale the tuner sets: false when the bottom does not lie below the top
// (the gauge is then left as it was).
bool setGaugeScale(Gauge& gauge, float min, float max);

// The layout as text in the settings files' list style, and back; nothing
// when the text is not a layout (a channel or kind unknown, too many gauges).
QByteArray gaugeLayoutBytes(const GaugeLayout& layout);
std::optional<GaugeLayout> parseGaugeLayout(const QByteArray& bytes);

// The file beside the settings file at settingsPath.
QString gaugeLayoutPath(const QString& settingsPath);
// The stored layout, or the default one when the file is missing or unusable.
GaugeLayout loadGaugeLayout(const QString& path);
// Saves atomically; an empty text on success, else what went wrong.
QString saveGaugeLayout(const QString& path, const GaugeLayout& layout);
