// The simulated ECU's engine: a small model of an engine driven by the
// injectable clock, and the live values it reports.

#include "sim/SimulatedEcu.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Live value commands.
constexpr uint8_t kCmdPeriod = 37;
constexpr uint8_t kCmdInjector = 38;
constexpr uint8_t kCmdIgnition = 39;
constexpr uint8_t kCmdMap = 40;
constexpr uint8_t kCmdTps = 41;
constexpr uint8_t kCmdWater = 43;
constexpr uint8_t kCmdAir = 44;
constexpr uint8_t kCmdBattery = 45;
constexpr uint8_t kCmdUser1 = 46;
constexpr uint8_t kCmdUser3 = 48;
constexpr uint8_t kCmdStatus2 = 49;
constexpr uint8_t kCmdStatus1 = 50;
constexpr uint8_t kCmdStatus3 = 51;
constexpr uint8_t kCmdStatus4 = 52;

// Engine model constants. Temperatures are modelled directly as sensor
// counts of the falling temperature curve (cold = high count).
constexpr double kWaterColdCount = 207; // about 60 F
constexpr double kWaterHotCount = 56;   // about 185 F
constexpr double kAirColdCount = 197;   // about 70 F
constexpr double kAirHotCount = 164;    // about 95 F
constexpr double kWarmUpSeconds = 240;
constexpr double kDriveCycleSeconds = 30;
constexpr double kRpmLagSeconds = 0.5;
constexpr double kTopRpm = 6500;

uint8_t toByte(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// Percentage of the throttle over the repeating drive cycle: idle, a pull,
// a lift, a cruise and idle again.
double throttleCycle(double runSeconds) {
    if (runSeconds < 0)
        return 0;
    const double c = std::fmod(runSeconds, kDriveCycleSeconds);
    double pct = 0;
    if (c < 8)
        pct = 0;
    else if (c < 11)
        pct = (c - 8) / 3 * 70;
    else if (c < 15)
        pct = 70;
    else if (c < 17)
        pct = 70 - (c - 15) / 2 * 60;
    else if (c < 18)
        pct = 10 + (c - 17) * 15;
    else if (c < 24)
        pct = 25;
    else if (c < 25)
        pct = 25 - (c - 24) * 25;
    if (pct > 0)
        pct = std::max(0.0, pct + 1.5 * std::sin(2 * std::numbers::pi * runSeconds / 2.3));
    return pct;
}

} // namespace

QByteArray SimulatedEcu::liveReply(uint8_t code) {
    const SimulatedLiveValues v = liveValues();
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
    if (m_engineStopped)
        return EnginePhase::Stopped;
    const qint64 sinceKeyOn = now() - m_keyOnMs;
    if (sinceKeyOn < 0)
        return EnginePhase::Stopped;
    if (sinceKeyOn < kPrimeMs)
        return EnginePhase::Priming;
    if (sinceKeyOn < kPrimeMs + kCrankMs)
        return EnginePhase::Cranking;
    return EnginePhase::Running;
}

SimulatedLiveValues SimulatedEcu::liveValues() {
    using std::numbers::pi;
    const EcuSettings& s = m_image.settings;
    const qint64 nowMs = now();
    const double sincePowerOn = std::max<qint64>(nowMs - m_powerOnMs, 0) / 1000.0;
    const double runSeconds = (nowMs - m_keyOnMs - kPrimeMs - kCrankMs) / 1000.0;
    const EnginePhase phase = enginePhase();
    const double warm = 1 - std::exp(-sincePowerOn / kWarmUpSeconds);

    SimulatedLiveValues v;
    v.water = toByte(kWaterColdCount - (kWaterColdCount - kWaterHotCount) * warm);
    v.air = toByte(kAirColdCount - (kAirColdCount - kAirHotCount) * warm);
    v.userInput[0] = toByte(128 + 100 * std::sin(2 * pi * sincePowerOn / 40));
    v.userInput[1] = 61;
    v.userInput[2] = static_cast<uint8_t>(static_cast<qint64>(sincePowerOn * 255 / 60) % 256);

    double throttle = 0;
    double laggedThrottle = 0;
    double volts = 12.5;
    double mapShare = 0.97; // engine at rest: atmospheric pressure
    switch (phase) {
    case EnginePhase::Stopped:
        break;
    case EnginePhase::Priming:
        volts = 12.3;
        break;
    case EnginePhase::Cranking: {
        const double t = (nowMs - m_keyOnMs) / 1000.0;
        v.rpm = 200 + 25 * std::sin(2 * pi * t / 0.35);
        volts = 10.4 + 0.3 * std::sin(2 * pi * t / 0.35);
        mapShare = 0.85;
        break;
    }
    case EnginePhase::Running: {
        throttle = throttleCycle(runSeconds);
        laggedThrottle = throttleCycle(runSeconds - kRpmLagSeconds);
        const double idle =
            std::clamp(s.IacHotRpm + (s.IacColdRpm - s.IacHotRpm) * (1 - warm), 400.0, 2500.0);
        const double top = std::max(idle, std::min<double>(s.RevLimit, kTopRpm));
        const double flare = 400 * std::exp(-runSeconds / 1.5); // the catch after starting
        v.rpm = idle + (top - idle) * laggedThrottle / 100 + flare +
                15 * std::sin(2 * pi * runSeconds / 1.7);
        if (s.RevLimit > 0)
            v.rpm = std::min<double>(v.rpm, s.RevLimit);
        volts = 14.1 + 0.05 * std::sin(2 * pi * runSeconds / 3.1);
        mapShare = std::min(0.95, 0.28 + 0.67 * laggedThrottle / 100);
        break;
    }
    }
    v.map = toByte(mapShare * 255);
    v.tps = toByte(s.TpsMinBits + throttle * (s.TpsMaxBits - s.TpsMinBits) / 100);
    v.battery = toByte(volts * 10 * 255 / 158);
    if (v.rpm > 0)
        v.enginePeriod =
            static_cast<uint16_t>(std::clamp(std::lround(60 / (v.rpm * 0.000024)), 1L, 65535L));

    // The operating cell, chosen the way the tables are laid out: rpm columns
    // up to MaxRpm, load rows from the highest load (row 0) down.
    const double maxRpm = s.MaxRpm > 0 ? s.MaxRpm : 9000;
    double loadShare = throttle / 100;
    if (s.LoadControl == 1)
        loadShare = v.map / 255.0;
    else if (s.LoadControl == 3)
        loadShare = v.tps / 255.0;
    const int rpmStep = static_cast<int>(std::nearbyint(std::min(v.rpm / maxRpm * 15, 15.0)));
    const int loadStep = static_cast<int>(std::nearbyint(std::clamp(loadShare * 15, 0.0, 15.0)));
    const auto row = static_cast<size_t>(15 - loadStep);
    const auto column = static_cast<size_t>(std::max(rpmStep, 0));
    const double cellMs = ((s.FuelTable[row][column] & 0xFF) + 1) * 0.0625;
    const double minMs = s.MinOpenTime * 0.0625;

    double openMs = 0;
    if (phase == EnginePhase::Cranking) {
        openMs = cellMs * (1 + s.CrankPercent[0] / 100.0);
        v.ignition = 20;
    } else if (phase == EnginePhase::Running) {
        openMs = cellMs * (1 + 0.35 * (1 - warm)); // warm-up enrichment
        v.ignition = static_cast<uint8_t>(s.IgnitionTable[row][column] & 0xFF);
    }
    if (openMs > 0)
        v.injectorTime =
            static_cast<uint16_t>(std::min(std::lround(std::max(openMs, minMs) * 500), 65535L));

    const bool turning = phase == EnginePhase::Cranking || phase == EnginePhase::Running;
    v.status1 = static_cast<uint8_t>((turning ? 2 : 0) | (phase != EnginePhase::Stopped ? 4 : 0) |
                                     m_status1Flags);

    // User outputs switch on at their on threshold and off at their off
    // threshold; a threshold pair given the other way round works downwards.
    uint8_t outputs = 0;
    for (size_t k = 0; k < m_outputOn.size(); ++k) {
        int source = -1;
        switch (s.UserOutputType[k]) {
        case 1:
            source = v.air;
            break;
        case 2:
            source = v.water;
            break;
        case 3:
            source = std::min(static_cast<int>(v.rpm / 100), 255);
            break;
        case 4:
            source = v.map;
            break;
        case 5:
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
