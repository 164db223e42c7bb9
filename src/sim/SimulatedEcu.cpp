// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimulatedEcu.h"

#include "comm/CommandTable.h"
#include "generators/DefaultSettings.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace {

// The live values (37 to 52) and the other codes the ECU answers besides
// settings.
constexpr uint8_t kCmdFuelBlock = commandCode(EcuCommand::FuelBlock);
constexpr uint8_t kCmdIgnitionBlock = commandCode(EcuCommand::IgnitionBlock);
constexpr uint8_t kCmdOtherBlock = commandCode(EcuCommand::OtherBlock);
constexpr uint8_t kCmdPeriod = commandCode(EcuCommand::EnginePeriod);
constexpr uint8_t kCmdStatus4 = commandCode(EcuCommand::EngineStatus4);
constexpr uint8_t kCmdClearWarnings = commandCode(EcuCommand::ClearWarnings);
constexpr int kWriteOffset = 128;

constexpr uint8_t kWarningBits = 16 | 128; // communication error, invalid interrupt

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

} // namespace

EcuSettings SimulatedEcu::defaultImage() {
    return settingsWithDefaultTables();
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
        // The write that uses up the count is still confirmed; the line
        // goes quiet after it.
        if (m_writesLeft > 0 && --m_writesLeft == 0)
            m_silent = true;
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
                             : entry.source(m_image.identity);
    *value = static_cast<int>(held & mask);
    return true;
}

bool SimulatedEcu::writeField(const CommandEntry& entry, int index1, int index2, int value) {
    if (!heldByEcu(entry, index1, index2))
        return false;
    if (!entry.setting)
        entry.target(m_image.unused, m_image.identity, value);
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
