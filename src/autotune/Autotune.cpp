// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/Autotune.h"

#include "record/Rounding.h"
#include "record/SettingCodes.h"
#include "tables/HitRule.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMsPerCount = 0.0625;
constexpr int kLastStep = kAutotuneSize - 1;
constexpr int kMaxRaw = 255;
// The EGO setpoint array holds a point for every 17 MAP counts, or every 7
// per cent of throttle.
constexpr double kSetpointCounts = 17.0;
constexpr double kSetpointPercent = 7.0;
constexpr double kSetpointVolts = 5.0 / 255.0;

double msOf(int raw) {
    return (raw + 1) * kMsPerCount;
}

size_t at(int index) {
    return static_cast<size_t>(index);
}

double lerp(double a, double b, double share) {
    return a + (b - a) * share;
}

} // namespace

QString autotuneFilterText(AutotuneFilter filter, const AutotuneFilters& f) {
    switch (filter) {
    case AutotuneFilter::ColdEngine:
        return QStringLiteral("water below %1 \u00B0F").arg(f.minWaterF);
    case AutotuneFilter::EngineStopped:
        return QStringLiteral("rpm below %1").arg(f.minRpm);
    case AutotuneFilter::ThrottleMoving:
        return QStringLiteral("throttle moving faster than %1 %/s, or less than %2 s after")
            .arg(f.maxTpsPercentPerSecond)
            .arg(f.throttleSettleMs / 1000.0);
    case AutotuneFilter::FuelCut:
        return QStringLiteral("fuel cut (no injector time), or less than %1 s after")
            .arg(f.fuelCutSettleMs / 1000.0);
    case AutotuneFilter::EgoOutOfRange:
        return QStringLiteral("EGO volts outside %1 to %2 V").arg(f.minEgoVolts).arg(f.maxEgoVolts);
    case AutotuneFilter::OutsideTable:
        return QStringLiteral("rpm or load outside the table");
    case AutotuneFilter::LockedCell:
        return QStringLiteral("locked cells only");
    }
    return {};
}

double AutotuneCell::oldMs() const {
    return msOf(oldRaw);
}

double AutotuneCell::newMs() const {
    return msOf(newRaw);
}

double AutotuneCell::changePercent() const {
    return (newMs() - oldMs()) / oldMs() * 100.0;
}

int AutotuneProposal::changedCells() const {
    int changed = 0;
    for (const auto& row : cells) {
        changed += static_cast<int>(std::count_if(
            row.begin(), row.end(), [](const AutotuneCell& c) { return c.changed(); }));
    }
    return changed;
}

EcuSettings::Table AutotuneProposal::appliedTo(EcuSettings::Table table) const {
    for (int row = 0; row < kAutotuneSize; ++row) {
        for (int column = 0; column < kAutotuneSize; ++column) {
            table[at(row)][at(column)] = static_cast<int16_t>(cells[at(row)][at(column)].newRaw);
        }
    }
    return table;
}

Autotune::Autotune(const EcuSettings& settings, const AutotuneOptions& options)
    : Autotune(settings, options, settings.FuelTable) {}

Autotune::Autotune(const EcuSettings& settings, const AutotuneOptions& options,
                   const EcuSettings::Table& startTable)
    : m_settings(settings), m_start(startTable), m_options(options) {}

void Autotune::setLocked(int row, int column, bool locked) {
    m_options.locked[at(row)][at(column)] = locked;
}

void Autotune::setLimits(const AutotuneOptions& options) {
    m_options.minWeight = options.minWeight;
    m_options.fullWeight = options.fullWeight;
    m_options.maxChangePercent = options.maxChangePercent;
}

void Autotune::startRun() {
    m_history.clear();
    m_previous.reset();
    m_throttleSettledMs = 0.0;
    m_fuelSettledMs = 0.0;
}

void Autotune::add(const AutotuneSample& sample) {
    const AutotuneFilters& f = m_options.filters;
    const auto now = static_cast<double>(sample.timeMs);
    ++m_counts.records;
    if (m_previous && (sample.timeMs < m_previous->timeMs ||
                       now - static_cast<double>(m_previous->timeMs) > m_options.maxRecordGapMs)) {
        startRun();
    }

    // Every record moves the operating point and the throttle, whether or
    // not it is used itself.
    Point point{sample.timeMs, sample.rpm, 0.0, 0.0, true};
    if (const std::optional<RecordLoad> load =
            recordLoad(m_settings, sample.mapPsi, sample.tpsPercent)) {
        point.load = load->value;
        point.outside = tablePoint(m_settings, sample.rpm, *load).outside;
        point.setpoint = loadControl(m_settings) == LoadControl::Tps
                             ? load->value / kSetpointPercent
                             : load->mapCount / kSetpointCounts;
    }
    m_history.push_back(point);
    const double keepFrom = now - m_options.lag.longestMs();
    while (m_history.size() > 2 && static_cast<double>(m_history[1].timeMs) <= keepFrom) {
        m_history.pop_front();
    }

    bool throttleMoving = false;
    if (m_previous && sample.timeMs > m_previous->timeMs) {
        const double seconds = (now - static_cast<double>(m_previous->timeMs)) / 1000.0;
        if (std::abs(sample.tpsPercent - m_previous->tpsPercent) / seconds >
            f.maxTpsPercentPerSecond) {
            throttleMoving = true;
            m_throttleSettledMs = now + f.throttleSettleMs;
        }
    }
    throttleMoving = throttleMoving || now < m_throttleSettledMs;
    bool fuelCut = !(sample.fuelMs > 0.0);
    if (fuelCut) {
        m_fuelSettledMs = now + f.fuelCutSettleMs;
    }
    fuelCut = fuelCut || now < m_fuelSettledMs;
    m_previous = sample;

    std::optional<AutotuneFilter> rejected;
    bool spreadRecord = false;
    if (!(sample.waterF >= f.minWaterF)) {
        rejected = AutotuneFilter::ColdEngine;
    } else if (!(sample.rpm >= f.minRpm)) {
        rejected = AutotuneFilter::EngineStopped;
    } else if (throttleMoving) {
        rejected = AutotuneFilter::ThrottleMoving;
    } else if (fuelCut) {
        rejected = AutotuneFilter::FuelCut;
    } else if (!(sample.egoVolts >= f.minEgoVolts && sample.egoVolts <= f.maxEgoVolts)) {
        rejected = AutotuneFilter::EgoOutOfRange;
    } else {
        const Point burnt = pointAt(now - m_options.lag.ms(sample.rpm));
        spreadRecord = spread(burnt, m_options.transfer.afr(sample.egoVolts));
        rejected = spreadRecord ? std::nullopt : std::optional(AutotuneFilter::OutsideTable);
    }
    if (rejected) {
        ++m_counts.rejected[static_cast<size_t>(*rejected)];
    }
}

AutotuneCounts Autotune::counts() const {
    AutotuneCounts counts = m_counts;
    for (int block = 0; block < kBlocks; ++block) {
        const int row = block / (kAutotuneSize - 1);
        const int column = block % (kAutotuneSize - 1);
        const auto locked = [&](int bit) {
            return m_options.locked[at(row + bit / 2)][at(column + bit % 2)];
        };
        for (int set = 1; set < kCellSets; ++set) {
            const qint64 records = m_spread[at(block)][at(set)];
            if (records == 0) {
                continue;
            }
            bool allLocked = true;
            for (int bit = 0; bit < 4 && allLocked; ++bit) {
                allLocked = (set & (1 << bit)) == 0 || locked(bit);
            }
            if (allLocked) {
                counts.rejected[static_cast<size_t>(AutotuneFilter::LockedCell)] += records;
            } else {
                counts.used += records;
            }
        }
    }
    return counts;
}

Autotune::Point Autotune::pointAt(double timeMs) const {
    // The history ends with the record in hand; before its first point the
    // run holds still.
    auto after = std::find_if(m_history.begin(), m_history.end(), [timeMs](const Point& p) {
        return static_cast<double>(p.timeMs) >= timeMs;
    });
    if (after == m_history.begin()) {
        return m_history.front();
    }
    if (after == m_history.end()) {
        return m_history.back();
    }
    const Point& a = *(after - 1);
    const Point& b = *after;
    const double share =
        (timeMs - static_cast<double>(a.timeMs)) / static_cast<double>(b.timeMs - a.timeMs);
    return {a.timeMs, lerp(a.rpm, b.rpm, share), lerp(a.load, b.load, share),
            lerp(a.setpoint, b.setpoint, share), a.outside || b.outside};
}

double Autotune::targetAfr(const Point& point) const {
    if (m_options.targetAfr) {
        return *m_options.targetAfr;
    }
    const EcuSettings::Curve& setpoints = m_settings.UserInputAnalogTable[0];
    const double position = std::clamp(point.setpoint, 0.0, static_cast<double>(kLastStep));
    const int k = std::min(static_cast<int>(position), kLastStep - 1);
    const double volts =
        lerp(setpoints[at(k)], setpoints[at(k + 1)], position - k) * kSetpointVolts;
    return m_options.transfer.afr(volts);
}

bool Autotune::spread(const Point& point, double measuredAfr) {
    if (point.outside || loadControl(m_settings) < LoadControl::Map ||
        loadControl(m_settings) > LoadControl::Volts) {
        return false;
    }
    RecordLoad load;
    load.value = point.load;
    const TablePoint p = tablePoint(m_settings, point.rpm, load);
    const int c0 = std::min(static_cast<int>(p.rpmStep), kLastStep - 1);
    const int s0 = std::min(static_cast<int>(p.loadStep), kLastStep - 1);
    const double fx = p.rpmStep - c0;
    const double fy = p.loadStep - s0;
    // The block's cells from its top left (the higher load), as the bits of
    // its cell set.
    const int top = kLastStep - s0 - 1;
    const double weights[] = {(1 - fx) * fy, fx * fy, (1 - fx) * (1 - fy), fx * (1 - fy)};
    const double ratio = measuredAfr / targetAfr(point);
    int set = 0;
    for (int bit = 0; bit < 4; ++bit) {
        const double weight = weights[bit];
        if (weight <= 0.0) {
            continue;
        }
        const int row = top + bit / 2;
        const int column = c0 + bit % 2;
        Totals& totals = m_totals[at(row)][at(column)];
        ++totals.hits;
        totals.weight += weight;
        totals.corrected += weight * msOf(m_settings.FuelTable[at(row)][at(column)]) * ratio;
        set |= 1 << bit;
    }
    ++m_spread[at(top * (kAutotuneSize - 1) + c0)][at(set)];
    return true;
}

AutotuneProposal Autotune::proposal() const {
    AutotuneProposal proposal;
    const double limit = m_options.maxChangePercent / 100.0;
    for (int row = 0; row < kAutotuneSize; ++row) {
        for (int column = 0; column < kAutotuneSize; ++column) {
            AutotuneCell& cell = proposal.cells[at(row)][at(column)];
            cell.locked = m_options.locked[at(row)][at(column)];
            cell.oldRaw = m_settings.FuelTable[at(row)][at(column)];
            cell.newRaw = cell.oldRaw;
            if (cell.locked) {
                continue;
            }
            const Totals& totals = m_totals[at(row)][at(column)];
            cell.hits = totals.hits;
            cell.weight = totals.weight;
            if (totals.weight > 0.0) {
                cell.meanMs = totals.corrected / totals.weight;
            }
            if (totals.weight < m_options.minWeight || totals.weight <= 0.0) {
                continue;
            }
            const double pull = std::min(1.0, totals.weight / m_options.fullWeight);
            const double wanted = cell.oldMs() + (cell.meanMs - cell.oldMs()) * pull;
            // The counts within the limit around the value at the start: a
            // count on the far side of a limit is never taken, so applying
            // proposal after proposal stays within it.
            const double startMs = msOf(m_start[at(row)][at(column)]);
            const double lowest = std::ceil(startMs * (1.0 - limit) / kMsPerCount - 1.0 - 1e-9);
            const double highest = std::floor(startMs * (1.0 + limit) / kMsPerCount - 1.0 + 1e-9);
            const double raw = static_cast<double>(roundHalfEven(wanted / kMsPerCount - 1.0));
            cell.newRaw = static_cast<int>(
                std::clamp(std::clamp(raw, lowest, highest), 0.0, static_cast<double>(kMaxRaw)));
        }
    }
    return proposal;
}

void Autotune::apply(const AutotuneProposal& proposal) {
    m_settings.FuelTable = proposal.appliedTo(m_settings.FuelTable);
    clearData();
}

void Autotune::clearData() {
    m_totals = {};
    m_counts = {};
    m_spread = {};
}

void Autotune::setTable(const EcuSettings::Table& table) {
    m_settings.FuelTable = table;
}
