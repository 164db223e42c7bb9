#include "sim/SimulatedEcu.h"

#include "app/Initialise.h"
#include "comm/CommandTable.h"
#include "record/AppState.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace {

// Live value commands and the other codes the ECU answers besides settings.
constexpr uint8_t kCmdFuelBlock = 14;
constexpr uint8_t kCmdIgnitionBlock = 15;
constexpr uint8_t kCmdOtherBlock = 16;
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
constexpr uint8_t kCmdClearWarnings = 53;
constexpr int kWriteOffset = 128;

constexpr uint8_t kWarningBits = 16 | 128; // communication error, invalid interrupt

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

// How the value of a settings command travels after the command byte.
enum class FieldKind { None, Byte, Word, Indexed, Cell };

FieldKind fieldKind(const CommandEntry& entry) {
    switch (entry.form) {
    case WireForm::Byte:
    case WireForm::Thousands:
    case WireForm::NibbleHigh:
    case WireForm::NibbleLow:
        return FieldKind::Byte;
    case WireForm::TwoByte:
        return FieldKind::Word;
    case WireForm::Indexed:
        return FieldKind::Indexed;
    case WireForm::Cell:
        return FieldKind::Cell;
    default:
        return FieldKind::None;
    }
}

// The ECU holds curve slots 0..16 and table cells 0..16 by 0..16.
bool heldByEcu(const CommandEntry& entry, int index1, int index2) {
    switch (entry.form) {
    case WireForm::Indexed:
        return index1 >= 0 && index1 < EcuSettings::kCurveSent;
    case WireForm::Cell:
        return index1 >= 0 && index1 < EcuSettings::kTableSize && index2 >= 0 &&
               index2 < EcuSettings::kTableSize;
    default:
        return true;
    }
}

uint8_t toByte(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// A table block: header, 16 x 16 cells by load then rpm, sum (high, low),
// trailer.
QByteArray tableBlock(const EcuSettings::Table& table, uint8_t header) {
    QByteArray block;
    block.reserve(260);
    block.append(static_cast<char>(header));
    int sum = 0;
    for (int load = 0; load < 16; ++load) {
        for (int rpm = 0; rpm < 16; ++rpm) {
            const int v = table[static_cast<size_t>(load)][static_cast<size_t>(rpm)] & 0xFF;
            block.append(static_cast<char>(v));
            sum += v;
        }
    }
    block.append(static_cast<char>((sum >> 8) & 0xFF));
    block.append(static_cast<char>(sum & 0xFF));
    block.append(static_cast<char>(SimulatedEcu::kAckByte));
    return block;
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

EcuSettings SimulatedEcu::defaultImage() {
    AppState state;
    initialiseSettings(state);
    return state.settings;
}

SimulatedEcu::SimulatedEcu(EcuSettings image, Clock clock) : m_stored(image) {
    m_image.settings = image;
    setVersion(2, 51);
    setBuildNumber(7);
    setSerialBytes(0x67, 0x00, 42);
    setClock(std::move(clock));
}

void SimulatedEcu::setClock(Clock clock) {
    if (clock) {
        m_clock = std::move(clock);
    } else {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return timer->elapsed(); };
    }
    m_powerOnMs = now();
    m_keyOnMs = m_powerOnMs;
    m_lastByteMs = m_powerOnMs;
    m_engineStopped = false;
}

qint64 SimulatedEcu::now() const {
    return m_clock();
}

void SimulatedEcu::setVersion(int major, int minor) {
    m_image.identity.VersionMajor = static_cast<int16_t>(major);
    m_image.identity.VersionMinor = static_cast<int16_t>(minor);
}

void SimulatedEcu::setBuildNumber(int build) {
    m_image.identity.BuildNumber = static_cast<int16_t>(build);
}

void SimulatedEcu::setSerialBytes(uint8_t b1, uint8_t b2, uint8_t b3) {
    m_image.identity.SerialByte1 = b1;
    m_image.identity.SerialByte2 = b2;
    m_image.identity.SerialByte3 = b3;
}

std::array<uint8_t, 3> SimulatedEcu::serialBytes() const {
    const EcuIdentity& id = m_image.identity;
    return {static_cast<uint8_t>(id.SerialByte1), static_cast<uint8_t>(id.SerialByte2),
            static_cast<uint8_t>(id.SerialByte3)};
}

void SimulatedEcu::setSettings(const EcuSettings& image) {
    m_image.settings = image;
    m_stored = image;
}

void SimulatedEcu::setStopAfter(qint64 n) {
    m_answerLimit = n < 0 ? -1 : m_bytesReceived + n;
}

void SimulatedEcu::reset() {
    finish();
}

void SimulatedEcu::powerCycle() {
    finish();
    m_image.settings = m_stored;
}

QByteArray SimulatedEcu::receive(uint8_t byteFromPc) {
    ++m_bytesReceived;
    if (m_silent)
        return {};
    if (m_answerLimit >= 0 && m_bytesReceived > m_answerLimit)
        return {};
    if (m_echo)
        return QByteArray(1, static_cast<char>(byteFromPc));
    return process(byteFromPc);
}

QByteArray SimulatedEcu::process(uint8_t byte) {
    const qint64 t = now();
    if (m_stage != 0 && m_exchangeTimeoutMs > 0 && t - m_lastByteMs > m_exchangeTimeoutMs)
        finish();
    m_lastByteMs = t;
    if (m_stage == 0)
        return startCommand(byte);
    return continueExchange(byte);
}

QByteArray SimulatedEcu::startCommand(uint8_t code) {
    auto one = [](int v) { return QByteArray(1, static_cast<char>(v & 0xFF)); };
    m_command = code;
    m_entry.reset();
    m_index1 = 0;
    m_index2 = 0;

    if (code == kDiscoveryByte)
        return one(kDiscoveryReply);
    if (code == kCmdFuelBlock || code == kCmdIgnitionBlock || code == kCmdOtherBlock)
        return bulkBlock(code);

    m_entry = findCommand(code);
    if (!m_entry)
        return one(kUnknownReply);
    if (m_entry->write) {
        // A write: a reply now, then the indexes and the value.
        m_stage = 1;
        return one(code);
    }

    switch (m_entry->action) {
    case CommandAction::OutputTest:
        m_stage = 1;
        return one(code);
    case CommandAction::Store:
        if (m_storeFails)
            return one(0);
        m_stored = m_image.settings;
        ++m_storeCount;
        return one(1);
    case CommandAction::StopEngine:
        stopEngine();
        ++m_stopCount;
        return one(1);
    case CommandAction::Value:
        break;
    }
    if (!m_entry->setting && !m_entry->source && (code < kCmdPeriod || code > kCmdStatus4)) {
        // Codes that carry nothing.
        if (code == kCmdClearWarnings)
            clearWarnings();
        return one(0);
    }
    if (code >= kCmdPeriod && code <= kCmdStatus4)
        return liveReply(code);

    int v = 0;
    switch (fieldKind(*m_entry)) {
    case FieldKind::Byte:
        readField(*m_entry, 0, 0, &v);
        return one(v);
    case FieldKind::Word:
        readField(*m_entry, 0, 0, &v);
        m_pendingLow = v & 0xFF;
        m_stage = 1;
        return one(v >> 8);
    default:
        // Indexed and cell reads wait for their indexes.
        m_stage = 1;
        return one(code);
    }
}

QByteArray SimulatedEcu::continueExchange(uint8_t byte) {
    auto one = [](int v) { return QByteArray(1, static_cast<char>(v & 0xFF)); };
    const bool write = m_command >= kWriteOffset;

    if (!m_entry || m_entry->action == CommandAction::OutputTest) {
        m_lastOutputTestPort = byte;
        ++m_outputTestCount;
        finish();
        return one(byte);
    }
    const CommandEntry& row = *m_entry;

    if (!write) {
        int v = 0;
        switch (fieldKind(row)) {
        case FieldKind::Indexed:
            finish();
            return one(readField(row, byte, 0, &v) ? v : 0);
        case FieldKind::Cell:
            if (m_stage == 1) {
                m_index1 = byte;
                m_stage = 2;
                return one(byte);
            }
            finish();
            return one(readField(row, m_index1, byte, &v) ? v : 0);
        default:
            // The second byte of a two-byte read is asked for with "!"; any
            // other byte means the PC has moved on to a new command.
            finish();
            if (byte != kAckByte)
                return startCommand(byte);
            return one(m_pendingLow);
        }
    }

    auto confirm = [&](int index1, int index2, int value) {
        finish();
        if (m_refuseWrites || !writeField(row, index1, index2, value))
            return one(kRefuseByte);
        return one(kAckByte);
    };
    switch (fieldKind(row)) {
    case FieldKind::Byte:
        return confirm(0, 0, byte);
    case FieldKind::Word:
        if (m_stage == 1) {
            m_high = byte;
            m_stage = 2;
            return one(byte);
        }
        return confirm(0, 0, m_high * 256 + byte);
    case FieldKind::Indexed:
        if (m_stage == 1) {
            m_index1 = byte;
            m_stage = 2;
            return one(byte);
        }
        return confirm(m_index1, 0, byte);
    case FieldKind::Cell:
        if (m_stage == 1) {
            m_index1 = byte;
            m_stage = 2;
            return one(byte);
        }
        if (m_stage == 2) {
            m_index2 = byte;
            m_stage = 3;
            return one(byte);
        }
        return confirm(m_index1, m_index2, byte);
    case FieldKind::None:
        break;
    }
    finish();
    return {};
}

bool SimulatedEcu::readField(const CommandEntry& entry, int index1, int index2, int* value) {
    if (!heldByEcu(entry, index1, index2))
        return false;
    const int mask = entry.form == WireForm::TwoByte ? 0xFFFF : 0xFF;
    const int64_t held = entry.setting
                             ? encodeForWire(*entry.setting, m_image.settings, index1, index2).value
                             : entry.source(m_image);
    *value = static_cast<int>(held & mask);
    return true;
}

bool SimulatedEcu::writeField(const CommandEntry& entry, int index1, int index2, int value) {
    if (!heldByEcu(entry, index1, index2))
        return false;
    if (!entry.setting)
        entry.target(m_image, value);
    else if (entry.form == WireForm::Thousands) // the ECU keeps the byte as sent
        entry.setting->set(m_image.settings, index1, index2, int64_t{value} * 3000);
    else
        decodeFromWire(*entry.setting, m_image.settings, value, index1, index2);
    return true;
}

void SimulatedEcu::clearWarnings() {
    ++m_clearWarningsCount;
    m_status1Flags &= static_cast<uint8_t>(~kWarningBits);
    m_status3Flags = 0;
    m_status4 = 0;
}

QByteArray SimulatedEcu::bulkBlock(uint8_t code) const {
    const EcuSettings& image = m_image.settings;
    QByteArray block = code == kCmdFuelBlock       ? fuelBlock(image)
                       : code == kCmdIgnitionBlock ? ignitionBlock(image)
                                                   : otherBlock(image);
    if (m_badChecksumCommand == code) {
        const int sumAt = static_cast<int>(block.size()) - 3;
        int sum =
            (static_cast<uint8_t>(block[sumAt]) << 8) | static_cast<uint8_t>(block[sumAt + 1]);
        sum = (sum + 1) & 0xFFFF;
        block[sumAt] = static_cast<char>(sum >> 8);
        block[sumAt + 1] = static_cast<char>(sum & 0xFF);
    }
    if (m_shortBlockCommand == code)
        block.chop(1);
    return block;
}

QByteArray SimulatedEcu::fuelBlock(const EcuSettings& image) {
    return tableBlock(image.FuelTable, kCmdFuelBlock);
}

QByteArray SimulatedEcu::ignitionBlock(const EcuSettings& image) {
    return tableBlock(image.IgnitionTable, kCmdIgnitionBlock);
}

QByteArray SimulatedEcu::otherBlock(const EcuSettings& image) {
    QByteArray data;
    data.reserve(204);
    auto byte = [&data](int v) { data.append(static_cast<char>(v & 0xFF)); };
    auto word = [&](int v) {
        byte((v >> 8) & 0xFF);
        byte(v & 0xFF);
    };
    const EcuSettings& s = image;
    byte(s.NumberOfCylinders);
    byte(s.InjectionLoadIndex);
    byte(s.InjectionRpmIndex);
    byte(s.MinOpenTime);
    byte(s.LoadControl);
    byte(s.MaxRpm / 3000);
    word(s.RevLimit);
    word(s.LaunchControlRpm);
    byte(s.IgnitionType);
    byte(s.AirTempSensorType);
    byte(s.WaterTempSensorType);
    byte(s.MapSensorType);
    byte(s.MapMaxBits);
    byte(s.MapMinBits);
    byte(s.TpsSensorType);
    byte(s.TpsMaxBits);
    byte(s.TpsMinBits);
    byte((s.EgoMaxRpm & 15) * 16 + (s.EgoMinRpm & 15));
    byte((s.EgoMaxLoad & 15) * 16 + (s.EgoMinLoad & 15));
    byte(s.EgoGainP);
    byte(s.EgoGainI);
    byte(s.EgoUpdateRevs);
    byte(s.EgoMinCoolantTemp);
    byte(s.EgoControl);
    byte(s.WheelType);
    for (int k = 0; k < EcuSettings::kUserOutputs; ++k) {
        byte(s.UserOutputType[static_cast<size_t>(k)]);
        byte(s.UserOutputOn[static_cast<size_t>(k)]);
        byte(s.UserOutputOff[static_cast<size_t>(k)]);
    }
    for (int v : s.UserInputAnalogMode)
        byte(v);
    for (int v : s.UserInputDigitalMode)
        byte(v);
    for (int v : s.CrankPercent)
        byte(v);
    byte(s.CrankDuration);
    word(s.CrankRpm);
    byte(s.CrankPrimePulse);
    byte(s.AccelPercent);
    byte(s.AccelDuration);
    word(s.AccelRpm);
    byte(s.AccelMinTpsRate);
    byte(s.AccelMinTps);
    word(s.DecelMaxRpm);
    byte(s.DecelMinTps);
    byte(s.DecelCutRpm);
    byte(s.ChargeTime);
    for (int k = 0; k < 3; ++k)
        byte(s.UC_Extra[static_cast<size_t>(k)]);
    for (int k = 0; k < 3; ++k)
        word(s.UI_Extra[static_cast<size_t>(k)]);
    word(s.IacColdRpm);
    word(s.IacHotRpm);
    byte(s.IacColdPosition);
    byte(s.IacHotPosition);
    byte(s.IacType);
    byte(s.IacTemp);
    byte(s.IacTravel);
    auto curve = [&](const EcuSettings::Curve& c) {
        for (int k = 0; k < EcuSettings::kCurveSent; ++k)
            byte(c[static_cast<size_t>(k)]);
    };
    for (const auto& table : s.UserInputAnalogTable)
        curve(table);
    curve(s.AirTempIgnitionComp);
    curve(s.AirTempFuelComp);
    curve(s.WaterTempFuelComp);
    curve(s.BatteryVoltFuelComp);
    for (int k = 2; k <= 4; ++k)
        byte(s.BankCompensation[static_cast<size_t>(k)]);

    int sum = 0;
    for (char c : data)
        sum += static_cast<uint8_t>(c);
    QByteArray block;
    block.reserve(208);
    block.append(static_cast<char>(kCmdOtherBlock));
    block.append(data);
    block.append(static_cast<char>((sum >> 8) & 0xFF));
    block.append(static_cast<char>(sum & 0xFF));
    block.append(static_cast<char>(kAckByte));
    return block;
}

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
