#include "sim/SimulatedEcu.h"

#include "app/AppState.h"
#include "app/Initialise.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace {

// How a settings command moves its field.
enum class FieldKind { None, Byte, Word, Indexed, Cell };

// Live value commands and the other codes the ECU answers besides settings.
constexpr uint8_t kCmdUnused9 = 9;
constexpr uint8_t kCmdFuelBlock = 14;
constexpr uint8_t kCmdIgnitionBlock = 15;
constexpr uint8_t kCmdOtherBlock = 16;
constexpr uint8_t kCmdOutputTest = 17;
constexpr uint8_t kCmdBuild = 29;
constexpr uint8_t kCmdVersionMajor = 34;
constexpr uint8_t kCmdVersionMinor = 35;
constexpr uint8_t kCmdStore = 36;
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
constexpr uint8_t kCmdSerial1 = 124;
constexpr uint8_t kCmdSerial3 = 126;
constexpr uint8_t kCmdStopEngine = 127;
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

FieldKind fieldKind(int readCode) {
    switch (readCode) {
    case 66:  // RevLimit
    case 101: // CrankRpm
    case 106: // AccelRpm
    case 109: // LaunchControlRpm
    case 110: // DecelMaxRpm
    case 119:
    case 120:
    case 121: // UI_Extra
    case 23:  // IacColdRpm (write 151)
    case 24:  // IacHotRpm (write 152)
        return FieldKind::Word;
    case 89:
    case 90:
    case 91:
    case 95:
    case 96:
    case 97:
    case 98:
        return FieldKind::Indexed;
    case 112:
    case 113:
        return FieldKind::Cell;
    default:
        break;
    }
    if ((readCode >= 1 && readCode <= 4) || (readCode >= 6 && readCode <= 8) ||
        (readCode >= 18 && readCode <= 28) || (readCode >= 54 && readCode <= 84) ||
        (readCode >= 86 && readCode <= 117) || (readCode >= kCmdSerial1 && readCode <= kCmdSerial3))
        return FieldKind::Byte;
    return FieldKind::None;
}

// Settings that only have a write command (idle air control).
bool writeOnly(int readCode) {
    return readCode >= 22 && readCode <= 28;
}

// Get and set one field in its wire form.
struct FieldAccess {
    std::function<int()> get;
    std::function<void(int)> set;
};

template <typename T> FieldAccess plain(T& field) {
    return {[&field] { return static_cast<int>(field); },
            [&field](int v) { field = static_cast<T>(v); }};
}

FieldAccess nibbles(int16_t& high, int16_t& low) {
    return {[&high, &low] { return (high & 15) * 16 + (low & 15); },
            [&high, &low](int v) {
                high = static_cast<int16_t>(v / 16);
                low = static_cast<int16_t>(v % 16);
            }};
}

// The field behind a settings command, or nothing when the index is outside
// the slots the ECU holds. Serial number bytes live outside the image.
std::unique_ptr<FieldAccess> settingsField(EcuSettings& s, int code, int i1, int i2) {
    auto make = [](FieldAccess a) { return std::make_unique<FieldAccess>(std::move(a)); };
    auto curve = [&](EcuSettings::Curve& c) -> std::unique_ptr<FieldAccess> {
        if (i1 < 0 || i1 >= EcuSettings::kCurveSent)
            return nullptr;
        return make(plain(c[static_cast<size_t>(i1)]));
    };
    auto cell = [&](EcuSettings::Table& t) -> std::unique_ptr<FieldAccess> {
        if (i1 < 0 || i1 >= EcuSettings::kTableSize || i2 < 0 || i2 >= EcuSettings::kTableSize)
            return nullptr;
        return make(plain(t[static_cast<size_t>(i1)][static_cast<size_t>(i2)]));
    };
    if (code >= 70 && code <= 81) {
        const auto k = static_cast<size_t>((code - 70) / 3);
        switch ((code - 70) % 3) {
        case 0:
            return make(plain(s.UserOutputType[k]));
        case 1:
            return make(plain(s.UserOutputOn[k]));
        default:
            return make(plain(s.UserOutputOff[k]));
        }
    }
    switch (code) {
    case 1:
        return make(nibbles(s.EgoMaxRpm, s.EgoMinRpm));
    case 2:
        return make(nibbles(s.EgoMaxLoad, s.EgoMinLoad));
    case 3:
        return make(plain(s.EgoGainP));
    case 4:
        return make(plain(s.EgoGainI));
    case 6:
        return make(plain(s.EgoUpdateRevs));
    case 7:
        return make(plain(s.EgoMinCoolantTemp));
    case 8:
        return make(plain(s.EgoControl));
    case 18:
    case 19:
    case 20:
        return make(plain(s.BankCompensation[static_cast<size_t>(code - 16)]));
    case 21:
        return make(plain(s.WheelType));
    case 22:
        return make(plain(s.IacType));
    case 23:
        return make(plain(s.IacColdRpm));
    case 24:
        return make(plain(s.IacHotRpm));
    case 25:
        return make(plain(s.IacColdPosition));
    case 26:
        return make(plain(s.IacHotPosition));
    case 27:
        return make(plain(s.IacTemp));
    case 28:
        return make(plain(s.IacTravel));
    case 54:
        return make(plain(s.MapSensorType));
    case 55:
        return make(plain(s.AirTempSensorType));
    case 56:
        return make(plain(s.WaterTempSensorType));
    case 57:
        return make(plain(s.TpsSensorType));
    case 58:
        return make(plain(s.TpsMinBits));
    case 59:
        return make(plain(s.TpsMaxBits));
    case 60:
        return make(plain(s.MapMaxBits));
    case 61:
        return make(plain(s.MapMinBits));
    case 62:
        return make(plain(s.NumberOfCylinders));
    case 63:
        // Held by the ECU in units of 3000 rpm.
        return make({[&s] { return std::min(s.MaxRpm / 3000, 255); },
                     [&s](int v) { s.MaxRpm = v * 3000; }});
    case 64:
        return make(plain(s.LoadControl));
    case 65:
        return make(plain(s.MinOpenTime));
    case 66:
        return make(plain(s.RevLimit));
    case 67:
        return make(plain(s.IgnitionType));
    case 68:
        return make(plain(s.InjectionLoadIndex));
    case 69:
        return make(plain(s.InjectionRpmIndex));
    case 82:
    case 83:
    case 84:
        return make(plain(s.UserInputDigitalMode[static_cast<size_t>(code - 82)]));
    case 86:
    case 87:
    case 88:
        return make(plain(s.UserInputAnalogMode[static_cast<size_t>(code - 86)]));
    case 89:
    case 90:
    case 91:
        return curve(s.UserInputAnalogTable[static_cast<size_t>(code - 89)]);
    case 92:
    case 93:
    case 94:
        return make(plain(s.CrankPercent[static_cast<size_t>(code - 92)]));
    case 95:
        return curve(s.AirTempIgnitionComp);
    case 96:
        return curve(s.AirTempFuelComp);
    case 97:
        return curve(s.WaterTempFuelComp);
    case 98:
        return curve(s.BatteryVoltFuelComp);
    case 99:
        return make(plain(s.ChargeTime));
    case 100:
        return make(plain(s.CrankPercent[3]));
    case 101:
        return make(plain(s.CrankRpm));
    case 102:
        return make(plain(s.CrankDuration));
    case 103:
        return make(plain(s.CrankPrimePulse));
    case 104:
        return make(plain(s.AccelPercent));
    case 105:
        return make(plain(s.AccelDuration));
    case 106:
        return make(plain(s.AccelRpm));
    case 107:
        return make(plain(s.AccelMinTpsRate));
    case 108:
        return make(plain(s.AccelMinTps));
    case 109:
        return make(plain(s.LaunchControlRpm));
    case 110:
        return make(plain(s.DecelMaxRpm));
    case 111:
        return make(plain(s.DecelMinTps));
    case 112:
        return cell(s.FuelTable);
    case 113:
        return cell(s.IgnitionTable);
    case 114:
    case 115:
    case 116:
        return make(plain(s.UC_Extra[static_cast<size_t>(code - 114)]));
    case 117:
        return make(plain(s.DecelCutRpm));
    case 119:
    case 120:
    case 121:
        return make(plain(s.UI_Extra[static_cast<size_t>(code - 119)]));
    default:
        return nullptr;
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

SimulatedEcu::SimulatedEcu(EcuSettings image, Clock clock) : m_working(image), m_stored(image) {
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
    m_versionMajor = major;
    m_versionMinor = minor;
}

void SimulatedEcu::setBuildNumber(int build) {
    m_buildNumber = build;
}

void SimulatedEcu::setSerialBytes(uint8_t b1, uint8_t b2, uint8_t b3) {
    m_serial = {b1, b2, b3};
}

void SimulatedEcu::setSettings(const EcuSettings& image) {
    m_working = image;
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
    m_working = m_stored;
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
    m_index1 = 0;
    m_index2 = 0;

    if (code == kDiscoveryByte)
        return one(kDiscoveryReply);
    if (code == kCmdFuelBlock || code == kCmdIgnitionBlock || code == kCmdOtherBlock)
        return bulkBlock(code);

    if (code < kWriteOffset) {
        switch (code) {
        case kCmdUnused9:
            return one(0);
        case kCmdOutputTest:
            m_stage = 1;
            return one(code);
        case kCmdBuild:
            return one(m_buildNumber);
        case kCmdVersionMajor:
            return one(m_versionMajor);
        case kCmdVersionMinor:
            return one(m_versionMinor);
        case kCmdStore:
            if (m_storeFails)
                return one(0);
            m_stored = m_working;
            ++m_storeCount;
            return one(1);
        case kCmdClearWarnings:
            clearWarnings();
            return one(0);
        case kCmdStopEngine:
            stopEngine();
            ++m_stopCount;
            return one(1);
        default:
            break;
        }
        if (code >= kCmdPeriod && code <= kCmdStatus4 && code != 42)
            return liveReply(code);
        if (code >= kCmdSerial1 && code <= kCmdSerial3)
            return one(m_serial[static_cast<size_t>(code - kCmdSerial1)]);

        const FieldKind kind = fieldKind(code);
        if (kind == FieldKind::None || writeOnly(code))
            return one(kUnknownReply);
        if (kind == FieldKind::Byte) {
            int v = 0;
            readField(code, 0, 0, &v);
            return one(v);
        }
        if (kind == FieldKind::Word) {
            int v = 0;
            readField(code, 0, 0, &v);
            m_pendingLow = v & 0xFF;
            m_stage = 1;
            return one((v >> 8) & 0xFF);
        }
        // Indexed and cell reads wait for their indexes.
        m_stage = 1;
        return one(code);
    }

    if (code != 255 && fieldKind(code - kWriteOffset) != FieldKind::None) {
        m_stage = 1;
        return one(code);
    }
    return one(kUnknownReply);
}

QByteArray SimulatedEcu::continueExchange(uint8_t byte) {
    auto one = [](int v) { return QByteArray(1, static_cast<char>(v & 0xFF)); };
    const int code = m_command;

    if (code == kCmdOutputTest) {
        m_lastOutputTestPort = byte;
        ++m_outputTestCount;
        finish();
        return one(byte);
    }

    if (code < kWriteOffset) {
        switch (fieldKind(code)) {
        case FieldKind::Indexed: {
            int v = 0;
            finish();
            return one(readField(code, byte, 0, &v) ? v : 0);
        }
        case FieldKind::Cell:
            if (m_stage == 1) {
                m_index1 = byte;
                m_stage = 2;
                return one(byte);
            } else {
                int v = 0;
                finish();
                return one(readField(code, m_index1, byte, &v) ? v : 0);
            }
        default:
            // The second byte of a two-byte read is asked for with "!"; any
            // other byte means the PC has moved on to a new command.
            finish();
            if (byte != kAckByte)
                return startCommand(byte);
            return one(m_pendingLow);
        }
    }

    const int readCode = code - kWriteOffset;
    auto confirm = [&](int index1, int index2, int value) {
        finish();
        if (m_refuseWrites || !writeField(readCode, index1, index2, value))
            return one(kRefuseByte);
        return one(kAckByte);
    };
    switch (fieldKind(readCode)) {
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

bool SimulatedEcu::readField(int readCode, int index1, int index2, int* value) const {
    if (readCode >= kCmdSerial1 && readCode <= kCmdSerial3) {
        *value = m_serial[static_cast<size_t>(readCode - kCmdSerial1)];
        return true;
    }
    // The accessors only read here; they are built on the working image.
    auto field = settingsField(const_cast<EcuSettings&>(m_working), readCode, index1, index2);
    if (!field)
        return false;
    const int mask = fieldKind(readCode) == FieldKind::Word ? 0xFFFF : 0xFF;
    *value = field->get() & mask;
    return true;
}

bool SimulatedEcu::writeField(int readCode, int index1, int index2, int value) {
    if (readCode >= kCmdSerial1 && readCode <= kCmdSerial3) {
        m_serial[static_cast<size_t>(readCode - kCmdSerial1)] = static_cast<uint8_t>(value);
        return true;
    }
    auto field = settingsField(m_working, readCode, index1, index2);
    if (!field)
        return false;
    field->set(value);
    return true;
}

void SimulatedEcu::clearWarnings() {
    ++m_clearWarningsCount;
    m_status1Flags &= static_cast<uint8_t>(~kWarningBits);
    m_status3Flags = 0;
    m_status4 = 0;
}

QByteArray SimulatedEcu::bulkBlock(uint8_t code) const {
    QByteArray block = code == kCmdFuelBlock       ? fuelBlock(m_working)
                       : code == kCmdIgnitionBlock ? ignitionBlock(m_working)
                                                   : otherBlock(m_working);
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
    const EcuSettings& s = m_working;
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
