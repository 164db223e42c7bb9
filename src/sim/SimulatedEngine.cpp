// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated ECU's engine: a small model of an engine driven by the
// injectable clock, and the live values it reports.
//
// The engine drives a repeating cycle of idle, cruise at many speeds and
// loads, pulls and lifts. Its manifold pressure follows from the throttle and
// the rpm; its mixture from the fuel the ECU delivers (the fuel table
// interpolated at the operating point, with warm-up and acceleration
// enrichment, cut on a closed throttle above idle) against the fuel its
// volumetric efficiency needs. An exhaust oxygen sensor reports that mixture
// one transport lag later, through a first-order response, on every user
// input in EGO mode. Everything is a function of the clock's time and the
// settings, so a test gets the same values whatever order it asks in.

#include "comm/CommandTable.h"
#include "record/LoadPercent.h"
#include "record/SensorConversions.h"
#include "record/SettingCodes.h"
#include "sim/SimulatedEcu.h"
#include "tables/HitRule.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Live value commands.
constexpr uint8_t kCmdPeriod = commandCode(EcuCommand::EnginePeriod);
constexpr uint8_t kCmdInjector = commandCode(EcuCommand::InjectorTime);
constexpr uint8_t kCmdIgnition = commandCode(EcuCommand::IgnitionRaw);
constexpr uint8_t kCmdMap = commandCode(EcuCommand::MapRaw);
constexpr uint8_t kCmdTps = commandCode(EcuCommand::TpsRaw);
constexpr uint8_t kCmdWater = commandCode(EcuCommand::WaterRaw);
constexpr uint8_t kCmdAir = commandCode(EcuCommand::AirRaw);
constexpr uint8_t kCmdBattery = commandCode(EcuCommand::BatteryRaw);
constexpr uint8_t kCmdUser1 = commandCode(EcuCommand::UserInput1Raw);
constexpr uint8_t kCmdUser3 = commandCode(EcuCommand::UserInput3Raw);
constexpr uint8_t kCmdStatus2 = commandCode(EcuCommand::EngineStatus2);
constexpr uint8_t kCmdStatus1 = commandCode(EcuCommand::EngineStatus1);
constexpr uint8_t kCmdStatus3 = commandCode(EcuCommand::EngineStatus3);
constexpr uint8_t kCmdStatus4 = commandCode(EcuCommand::EngineStatus4);

// Engine model constants. Temperatures are modelled directly as sensor
// counts of the falling temperature curve (cold = high count).
constexpr double kWaterColdCount = 207; // about 60 F
constexpr double kWaterHotCount = 56;   // about 185 F
constexpr double kAirColdCount = 197;   // about 70 F
constexpr double kAirHotCount = 164;    // about 95 F
constexpr double kWarmUpSeconds = 240;
constexpr double kTopRpm = 6500;

// Manifold pressure: at rest, cranking, and running from a closed throttle
// (idle) towards wide open.
constexpr double kRestPsi = 14.7;
constexpr double kCrankingPsi = 13.2;
constexpr double kClosedThrottlePsi = 4.24;
constexpr double kOpenThrottleGainPsi = 10.2;
constexpr double kThrottleBreath = 8.0;

// Warm-up enrichment fades out as the water warms to 160 F; a throttle
// opening faster than 40 %/s adds fuel for a moment; a closed throttle well
// above idle cuts the fuel.
constexpr double kWarmUpEnrichment = 0.35;
constexpr double kEnrichedBelowF = 160.0;
constexpr double kEnrichmentSpanF = 100.0;
constexpr double kAccelRatePerSecond = 40.0;
constexpr double kAccelEnrichment = 0.25;
constexpr double kFuelCutAboveIdle = 400.0;

// The sensor: its response is summed over this many steps back in time.
constexpr int kSensorSteps = 50;
constexpr double kSensorStepMs = 10.0;
constexpr double kSensorNoiseVolts = 0.04;
constexpr double kSensorTopVolts = 5.0;

uint8_t toByte(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

double smoothStep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

// One stretch of the drive cycle: the rpm (0 = idle) and manifold pressure
// it moves to, over how long, and how long the moves take.
struct Segment {
    double seconds;
    double rpm;
    double psi;
    double rpmRamp;
    double psiRamp;
};

// Idle, cruise at several speeds and loads, two pulls and the lifts after
// them (a closed throttle: fuel cut), lugging, idle again. Cruise holds at
// the breakpoints of the default tables, rpm a multiple of 600 and the
// pressure that of a MAP count 17 k of the default sensor, as a tuner holds
// an engine on the breakpoints he tunes.
constexpr Segment kDriveCycle[] = {
    {10, 0, 4.24, 3, 2},       {6, 1200, 5.15, 2, 2},    {6, 1800, 6.06, 2, 2},
    {5, 1800, 6.98, 1, 1.5},   {6, 2400, 6.98, 2, 1.5},  {5, 2400, 7.89, 1, 1.5},
    {5, 2400, 8.80, 1, 1.5},   {6, 3000, 8.80, 2, 1.5},  {5, 3000, 9.72, 1, 1.5},
    {9, 6000, 13.37, 8, 0.3},  {6, 2400, 4.24, 4, 0.2},  {6, 3600, 9.72, 3, 3},
    {5, 3600, 10.63, 1, 1.5},  {6, 4200, 10.63, 2, 1.5}, {5, 4200, 11.54, 1, 1.5},
    {6, 4800, 11.54, 2, 1.5},  {5, 4800, 12.45, 1, 1.5}, {6, 5400, 12.45, 2, 1.5},
    {5, 5400, 13.37, 1, 1.5},  {7, 1800, 4.24, 5, 0.2},  {5, 1800, 8.80, 1, 2.5},
    {5, 1200, 6.98, 2, 1.5},   {8, 0, 4.24, 2, 1.5},     {8, 4800, 14.28, 7, 1},
    {5, 4800, 9.72, 1, 2},     {6, 3000, 6.98, 2, 2},    {5, 3600, 7.89, 1.5, 1.5},
    {5, 4200, 8.80, 1.5, 1.5}, {6, 0, 4.24, 4, 0.3},
};

constexpr double cycleSeconds() {
    double total = 0;
    for (const Segment& s : kDriveCycle) {
        total += s.seconds;
    }
    return total;
}

struct Drive {
    double rpm = 0;
    double psi = 0;
};

// Where the cycle is after runSeconds of running.
Drive driveAt(double runSeconds, double idleRpm) {
    const auto rpmOf = [idleRpm](const Segment& s) { return s.rpm > 0 ? s.rpm : idleRpm; };
    if (runSeconds < 0) {
        return {idleRpm, kClosedThrottlePsi};
    }
    double t = std::fmod(runSeconds, cycleSeconds());
    const Segment* previous = &kDriveCycle[std::size(kDriveCycle) - 1];
    for (const Segment& s : kDriveCycle) {
        if (t < s.seconds) {
            const double rpm0 = rpmOf(*previous);
            const double psi0 = previous->psi;
            return {rpm0 + (rpmOf(s) - rpm0) * smoothStep(t / s.rpmRamp),
                    psi0 + (s.psi - psi0) * smoothStep(t / s.psiRamp)};
        }
        t -= s.seconds;
        previous = &s;
    }
    return {idleRpm, kClosedThrottlePsi};
}

// The throttle per cent that holds a manifold pressure at an rpm: the
// pressure rises from the closed throttle's towards the open one's the
// sooner, the slower the engine turns.
double throttleFor(double psi, double rpm) {
    const double share = std::clamp((psi - kClosedThrottlePsi) / kOpenThrottleGainPsi, 0.0, 0.999);
    const double open =
        -std::log(1 - share) * std::sqrt(std::max(rpm, 500.0) / 1000) / kThrottleBreath;
    return std::clamp(open, 0.0, 1.0) * 100;
}

// Sensor noise: -1..1, the same for the same 20 ms.
double noise(qint64 ms) {
    const auto slot = static_cast<uint32_t>(ms / 20);
    const uint32_t hash = slot * 2654435761u;
    return static_cast<double>(hash >> 8) / static_cast<double>(1u << 23) - 1.0;
}

} // namespace

QByteArray SimulatedEcu::liveReply(uint8_t code) {
    const SimulatedLiveValues v = liveValues(code >= kCmdUser1 && code <= kCmdUser3);
    auto word = [this](uint16_t w) {
        m_pendingLow = w & 0xFF;
        m_stage = 1;
        return QByteArray(1, static_cast<char>(w >> 8));
    };
    uint8_t b = 0;
    switch (code) {
    case kCmdPeriod:
        return word(v.enginePeriod);
    case kCmdInjector:
        return word(v.injectorTime);
    case kCmdIgnition:
        b = v.ignition;
        break;
    case kCmdMap:
        b = v.map;
        break;
    case kCmdTps:
        b = v.tps;
        break;
    case kCmdWater:
        b = v.water;
        break;
    case kCmdAir:
        b = v.air;
        break;
    case kCmdBattery:
        b = v.battery;
        break;
    case kCmdStatus2:
        b = v.status2;
        break;
    case kCmdStatus1:
        b = v.status1;
        break;
    case kCmdStatus3:
        b = v.status3;
        break;
    case kCmdStatus4:
        b = v.status4;
        break;
    default:
        b = v.userInput[static_cast<size_t>(
            std::clamp(code - kCmdUser1, 0, kCmdUser3 - kCmdUser1))];
        break;
    }
    return QByteArray(1, static_cast<char>(b));
}

void SimulatedEcu::startEngine() {
    m_engineStopped = false;
    m_keyOnMs = now();
}

void SimulatedEcu::stopEngine(qint64 restartDelayMs) {
    m_engineStopped = restartDelayMs < 0;
    m_keyOnMs = now() + std::max<qint64>(restartDelayMs, 0);
}

SimulatedEcu::EnginePhase SimulatedEcu::enginePhase() {
    return phaseAt(now());
}

SimulatedEcu::EnginePhase SimulatedEcu::phaseAt(qint64 ms) const {
    if (m_engineStopped)
        return EnginePhase::Stopped;
    const qint64 sinceKeyOn = ms - m_keyOnMs;
    if (sinceKeyOn < 0)
        return EnginePhase::Stopped;
    if (sinceKeyOn < kPrimeMs)
        return EnginePhase::Priming;
    if (sinceKeyOn < kPrimeMs + kCrankMs)
        return EnginePhase::Cranking;
    return EnginePhase::Running;
}

double SimulatedEcu::warmth(qint64 ms) const {
    const double sincePowerOn = std::max<qint64>(ms - m_powerOnMs, 0) / 1000.0;
    return 1 - std::exp(-sincePowerOn / kWarmUpSeconds);
}

double SimulatedEcu::idleRpm(qint64 ms) const {
    const EcuSettings& s = m_image.settings;
    return std::clamp(s.IacHotRpm + (s.IacColdRpm - s.IacHotRpm) * (1 - warmth(ms)), 400.0, 2500.0);
}

double SimulatedEcu::throttleAt(qint64 ms) const {
    if (phaseAt(ms) != EnginePhase::Running)
        return 0;
    const double runSeconds = (ms - m_keyOnMs - kPrimeMs - kCrankMs) / 1000.0;
    const Drive drive = driveAt(runSeconds, idleRpm(ms));
    return throttleFor(drive.psi, drive.rpm);
}

SimulatedEcu::EngineMoment SimulatedEcu::momentAt(qint64 ms) const {
    using std::numbers::pi;
    const EcuSettings& s = m_image.settings;
    const EnginePhase phase = phaseAt(ms);
    EngineMoment m;
    m.phase = phase;
    m.psi = kRestPsi;
    switch (phase) {
    case EnginePhase::Stopped:
    case EnginePhase::Priming:
        break;
    case EnginePhase::Cranking: {
        const double t = (ms - m_keyOnMs) / 1000.0;
        m.rpm = 200 + 25 * std::sin(2 * pi * t / 0.35);
        m.psi = kCrankingPsi;
        break;
    }
    case EnginePhase::Running: {
        const double runSeconds = (ms - m_keyOnMs - kPrimeMs - kCrankMs) / 1000.0;
        const double idle = idleRpm(ms);
        const Drive drive = driveAt(runSeconds, idle);
        const double top = std::max(idle, std::min<double>(s.RevLimit, kTopRpm));
        const double flare = 400 * std::exp(-runSeconds / 1.5); // the catch after starting
        m.throttle = throttleFor(drive.psi, drive.rpm);
        m.rpm = std::min(drive.rpm, top) + flare + 15 * std::sin(2 * pi * runSeconds / 1.7);
        if (s.RevLimit > 0)
            m.rpm = std::min<double>(m.rpm, s.RevLimit);
        m.psi = drive.psi;
        m.fuelCut = m.throttle < 0.5 && m.rpm > idle + kFuelCutAboveIdle;
        break;
    }
    }
    m.map = toByte(psiToMapCounts(s.MapSensorType, static_cast<float>(m.psi)));
    m.tps = toByte(s.TpsMinBits + m.throttle * (s.TpsMaxBits - s.TpsMinBits) / 100);
    const double warm = warmth(ms);
    m.water = toByte(kWaterColdCount - (kWaterColdCount - kWaterHotCount) * warm);

    // The ECU's operating point on the tables, from its own sensor readings:
    // the fuel table is interpolated there, the ignition taken at the
    // nearest cell.
    RecordLoad load;
    load.mapCount = m.map;
    load.value = loadControl(s) == LoadControl::Map   ? mapPercent(s, m.map)
                 : loadControl(s) == LoadControl::Tps ? throttlePercent(s, m.tps)
                                                      : m.map;
    const TablePoint point = tablePoint(s, m.rpm, load);
    const int c0 = std::min(static_cast<int>(point.rpmStep), 14);
    const int s0 = std::min(static_cast<int>(point.loadStep), 14);
    const double fx = point.rpmStep - c0;
    const double fy = point.loadStep - s0;
    const auto raw = [&s](int step, int column) {
        return static_cast<double>(
            s.FuelTable[static_cast<size_t>(15 - step)][static_cast<size_t>(column)] & 0xFF);
    };
    const double fuelRaw = raw(s0, c0) * (1 - fx) * (1 - fy) + raw(s0, c0 + 1) * fx * (1 - fy) +
                           raw(s0 + 1, c0) * (1 - fx) * fy + raw(s0 + 1, c0 + 1) * fx * fy;
    const double cellMs = (fuelRaw + 1) * 0.0625;
    m.ignitionRow = static_cast<size_t>(15 - std::nearbyint(point.loadStep));
    m.ignitionColumn = static_cast<size_t>(std::nearbyint(point.rpmStep));

    const double minMs = s.MinOpenTime * 0.0625;
    if (phase == EnginePhase::Cranking) {
        m.openMs = cellMs * (1 + s.CrankPercent[0] / 100.0);
    } else if (phase == EnginePhase::Running && !m.fuelCut) {
        const double waterF = tempCountsToDegrees(m.water);
        const double warmUp =
            kWarmUpEnrichment * std::clamp((kEnrichedBelowF - waterF) / kEnrichmentSpanF, 0.0, 1.0);
        // The quickest opening of the last 0.3 s, fading with its age.
        double accel = 0;
        for (int step = 0; step < 3; ++step) {
            const qint64 at = ms - 100 * step;
            const double rate = (throttleAt(at) - throttleAt(at - 100)) * 10;
            accel = std::max(accel, std::clamp((rate - kAccelRatePerSecond) / 100, 0.0, 1.0) *
                                        (1 - step / 3.0));
        }
        m.openMs = cellMs * (1 + warmUp) * (1 + kAccelEnrichment * accel);
    }
    if (m.openMs > 0)
        m.openMs = std::max(m.openMs, minMs);
    return m;
}

double SimulatedEcu::egoVolts(qint64 ms) const {
    const EngineModel& model = m_engineModel;
    const double decay = std::exp(-kSensorStepMs / model.sensorResponseMs);
    double weight = 1 - decay;
    double sum = 0;
    double weights = 0;
    for (int step = 0; step < kSensorSteps; ++step, weight *= decay) {
        const auto at = static_cast<qint64>(ms - step * kSensorStepMs);
        const EngineMoment now = momentAt(at);
        const EngineMoment burnt =
            momentAt(at - static_cast<qint64>(std::lround(model.lag.ms(now.rpm))));
        const double afr =
            burnt.phase == EnginePhase::Running || burnt.phase == EnginePhase::Cranking
                ? model.afr(burnt.openMs, burnt.rpm, burnt.psi)
                : model.afr(0, 0, burnt.psi);
        const double volts = std::isfinite(afr)
                                 ? std::clamp(model.transfer.volts(afr), 0.0, kSensorTopVolts)
                                 : kSensorTopVolts;
        sum += weight * volts;
        weights += weight;
    }
    return std::clamp(sum / weights + kSensorNoiseVolts * noise(ms), 0.0, kSensorTopVolts);
}

SimulatedLiveValues SimulatedEcu::liveValues() {
    return liveValues(true);
}

SimulatedLiveValues SimulatedEcu::liveValues(bool withSensor) {
    using std::numbers::pi;
    const EcuSettings& s = m_image.settings;
    const qint64 nowMs = now();
    const double sincePowerOn = std::max<qint64>(nowMs - m_powerOnMs, 0) / 1000.0;
    const double runSeconds = (nowMs - m_keyOnMs - kPrimeMs - kCrankMs) / 1000.0;
    const double warm = warmth(nowMs);
    const EngineMoment m = momentAt(nowMs);
    const EnginePhase phase = m.phase;

    SimulatedLiveValues v;
    v.water = m.water;
    v.air = toByte(kAirColdCount - (kAirColdCount - kAirHotCount) * warm);
    v.userInput[0] = toByte(128 + 100 * std::sin(2 * pi * sincePowerOn / 40));
    v.userInput[1] = 61;
    v.userInput[2] = static_cast<uint8_t>(static_cast<qint64>(sincePowerOn * 255 / 60) % 256);
    if (withSensor) {
        for (size_t input = 0; input < v.userInput.size(); ++input) {
            if (analogInputMode(s, static_cast<int>(input)) == AnalogInputMode::Ego)
                v.userInput[input] = toByte(egoVolts(nowMs) * 255 / kSensorTopVolts);
        }
    }

    double volts = 12.5;
    switch (phase) {
    case EnginePhase::Stopped:
        break;
    case EnginePhase::Priming:
        volts = 12.3;
        break;
    case EnginePhase::Cranking:
        volts = 10.4 + 0.3 * std::sin(2 * pi * ((nowMs - m_keyOnMs) / 1000.0) / 0.35);
        break;
    case EnginePhase::Running:
        volts = 14.1 + 0.05 * std::sin(2 * pi * runSeconds / 3.1);
        break;
    }
    v.rpm = m.rpm;
    v.map = m.map;
    v.tps = m.tps;
    v.battery = toByte(volts * 10 * 255 / 158);
    if (v.rpm > 0)
        v.enginePeriod =
            static_cast<uint16_t>(std::clamp(std::lround(60 / (v.rpm * 0.000024)), 1L, 65535L));
    if (phase == EnginePhase::Cranking) {
        v.ignition = 20;
    } else if (phase == EnginePhase::Running) {
        v.ignition = static_cast<uint8_t>(s.IgnitionTable[m.ignitionRow][m.ignitionColumn] & 0xFF);
    }
    if (m.openMs > 0)
        v.injectorTime = static_cast<uint16_t>(std::min(std::lround(m.openMs * 500), 65535L));

    const bool turning = phase == EnginePhase::Cranking || phase == EnginePhase::Running;
    v.status1 = static_cast<uint8_t>((turning ? 2 : 0) | (phase != EnginePhase::Stopped ? 4 : 0) |
                                     m_status1Flags);

    // User outputs switch on at their on threshold and off at their off
    // threshold; a threshold pair given the other way round works downwards.
    uint8_t outputs = 0;
    for (size_t k = 0; k < m_outputOn.size(); ++k) {
        int source = -1;
        switch (outputSource(s, static_cast<int>(k))) {
        case OutputSource::AirTemp:
            source = v.air;
            break;
        case OutputSource::WaterTemp:
            source = v.water;
            break;
        case OutputSource::Rpm:
            source = std::min(static_cast<int>(v.rpm / 100), 255);
            break;
        case OutputSource::Map:
            source = v.map;
            break;
        case OutputSource::Tps:
            source = v.tps;
            break;
        default:
            break;
        }
        bool& on = m_outputOn[k];
        const int onAt = s.UserOutputOn[k];
        const int offAt = s.UserOutputOff[k];
        if (source < 0)
            on = false;
        else if (onAt >= offAt)
            on = on ? source > offAt : source >= onAt;
        else
            on = on ? source < offAt : source <= onAt;
        if (on)
            outputs = static_cast<uint8_t>(outputs | (1 << k));
    }
    v.status2 = static_cast<uint8_t>(outputs | m_status2Flags);
    v.status3 = m_status3Flags;
    v.status4 = m_status4;
    return v;
}
