// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/CommandTable.h"
#include "record/EcuIdentity.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"
#include "sim/EngineModel.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

struct CommandEntry;

// The raw live values the simulated ECU reports at one moment, in the units
// it sends them: crank period in 24 microsecond units, injector open time in
// 2 microsecond units, ignition advance in half degrees, sensor counts.
struct SimulatedLiveValues {
    uint16_t enginePeriod = 0;
    uint16_t injectorTime = 0;
    uint8_t ignition = 0;
    uint8_t map = 0;
    uint8_t tps = 0;
    uint8_t water = 0;
    uint8_t air = 0;
    uint8_t battery = 0;
    std::array<uint8_t, 3> userInput{};
    uint8_t status1 = 0;
    uint8_t status2 = 0;
    uint8_t status3 = 0;
    uint8_t status4 = 0;
    double rpm = 0.0; // the engine speed behind enginePeriod
};

// A byte-level stand-in for the engine control unit. Each byte the PC sends
// goes to receive(), which returns the bytes the ECU sends back: one byte for
// most steps of an exchange, none while an exchange waits for more input or
// when a fault mode keeps it silent, a whole block for the bulk reads.
//
// The ECU keeps a working settings image (changed by every write) and a
// stored image (what the store command made permanent). Its live values come
// from a small engine model driven by an injectable millisecond clock, so that
// tests decide how much time passes.
//
// Replies the PC does not examine: the first reply of a write, indexed or
// cell command is the command code, the reply after an index or a high byte
// is that byte. Unknown codes get one "?" and leave no exchange open; 9 and
// 53 answer 0, the store and stop commands 1.
class SimulatedEcu {
public:
    using Clock = std::function<qint64()>; // monotonic milliseconds

    enum class EnginePhase { Stopped, Priming, Cranking, Running };

    // Phases of the model, measured from the moment the key is turned on.
    static constexpr qint64 kPrimeMs = 1000;
    static constexpr qint64 kCrankMs = 1500;
    static constexpr qint64 kRestartDelayMs = 5000; // after the stop command

    static constexpr uint8_t kAckByte = 33;
    static constexpr uint8_t kRefuseByte = 63; // "?": a write that was not taken
    static constexpr uint8_t kUnknownReply = 63;
    static constexpr uint8_t kDiscoveryByte = commandCode(EcuCommand::Search);
    static constexpr uint8_t kDiscoveryReply = 170;

    // The start image: the record defaults with the generated default tables.
    static EcuSettings defaultImage();

    // With no clock a monotonic wall clock is used.
    explicit SimulatedEcu(EcuSettings image = defaultImage(), Clock clock = {});

    // One byte from the PC; returns the ECU's answer to it.
    QByteArray receive(uint8_t byteFromPc);
    // Abandons any exchange in progress; the next byte is a new command.
    void reset();
    // Working image falls back to the stored one, as after switching the ECU
    // off and on; faults and the engine model are kept.
    void powerCycle();

    // Identity
    void setVersion(int major, int minor);
    void setBuildNumber(int build);
    void setSerialBytes(uint8_t b1, uint8_t b2, uint8_t b3);
    int versionMajor() const { return m_image.identity.VersionMajor; }
    int versionMinor() const { return m_image.identity.VersionMinor; }
    int buildNumber() const { return m_image.identity.BuildNumber; }
    std::array<uint8_t, 3> serialBytes() const;

    // Settings images
    const EcuSettings& settings() const { return m_image.settings; }
    const EcuSettings& storedSettings() const { return m_stored; }
    // Replaces both images (a freshly programmed ECU).
    void setSettings(const EcuSettings& image);
    int storeCount() const { return m_storeCount; }

    // Observations for tests and the diagnostics
    int lastOutputTestPort() const { return m_lastOutputTestPort; }
    int outputTestCount() const { return m_outputTestCount; }
    int stopCount() const { return m_stopCount; }
    int clearWarningsCount() const { return m_clearWarningsCount; }
    qint64 bytesReceived() const { return m_bytesReceived; }
    bool exchangeInProgress() const { return m_stage != 0; }

    // Engine model
    void setClock(Clock clock);
    // The engine's physics: how much fuel it needs, how its EGO sensor reads.
    void setEngineModel(const EngineModel& model) { m_engineModel = model; }
    const EngineModel& engineModel() const { return m_engineModel; }
    EnginePhase enginePhase();
    // Turns the key on now: priming, cranking, then running.
    void startEngine();
    // Stops the engine; it starts again after restartDelayMs (never if < 0).
    void stopEngine(qint64 restartDelayMs = kRestartDelayMs);
    // The live values now. The EGO sensor's volts appear on every analog
    // user input in EGO mode.
    SimulatedLiveValues liveValues();
    // An exchange that waits longer than this for its next byte is dropped
    // (0 = never), so a PC that gave up does not stay out of step.
    void setExchangeTimeoutMs(qint64 ms) { m_exchangeTimeoutMs = ms; }

    // Fault modes
    void setSilent(bool on) { m_silent = on; }
    // Takes n more writes, then falls silent (as setSilent(true)) until
    // setSilent(false); 0 = off.
    void setSilentAfterWrites(int n) { m_writesLeft = n; }
    void setEcho(bool on) { m_echo = on; }
    // The bulk read 14, 15 or 16 answers with a wrong sum (0 = none).
    void setBadChecksum(int bulkCommand) { m_badChecksumCommand = bulkCommand; }
    // The bulk read 14, 15 or 16 answers one byte short (0 = none).
    void setShortBlock(int bulkCommand) { m_shortBlockCommand = bulkCommand; }
    // Answers the first n bytes received from now on, then nothing (-1 = off).
    void setStopAfter(qint64 n);
    // Writes end with kRefuseByte instead of "!" and change nothing.
    void setRefuseWrites(bool on) { m_refuseWrites = on; }
    // The store command answers 0 and stores nothing.
    void setStoreFails(bool on) { m_storeFails = on; }
    // Bits OR-ed into the status bytes (errors and warnings of status 1,
    // user digital inputs and reading flags of status 2, checksum and EEPROM
    // errors of status 3, status 4 as is). Command 53 clears the warnings.
    void setStatus1Flags(uint8_t bits) { m_status1Flags = bits; }
    void setStatus2Flags(uint8_t bits) { m_status2Flags = bits; }
    void setStatus3Flags(uint8_t bits) { m_status3Flags = bits; }
    void setStatus4(uint8_t value) { m_status4 = value; }

    // The blocks of the bulk reads, with sum bytes, built from an image.
    static QByteArray fuelBlock(const EcuSettings& image);
    static QByteArray ignitionBlock(const EcuSettings& image);
    static QByteArray otherBlock(const EcuSettings& image);

private:
    QByteArray process(uint8_t byte);
    QByteArray startCommand(uint8_t code);
    QByteArray continueExchange(uint8_t byte);
    QByteArray bulkBlock(uint8_t code) const;
    QByteArray liveReply(uint8_t code);

    // The engine at one moment, as the ECU's sensors and injectors see it.
    struct EngineMoment {
        EnginePhase phase = EnginePhase::Stopped;
        double rpm = 0.0;
        double psi = 0.0;      // manifold pressure
        double throttle = 0.0; // per cent
        bool fuelCut = false;
        double openMs = 0.0; // the injector time delivered
        uint8_t map = 0;
        uint8_t tps = 0;
        uint8_t water = 0;
        size_t ignitionRow = 0;
        size_t ignitionColumn = 0;
    };
    EngineMoment momentAt(qint64 ms) const;
    EnginePhase phaseAt(qint64 ms) const;
    double warmth(qint64 ms) const; // 0 at power-on, towards 1 when warm
    double idleRpm(qint64 ms) const;
    double throttleAt(qint64 ms) const;
    double egoVolts(qint64 ms) const;
    // The sensor's volts cost a sum over its recent past: only the replies
    // of the user inputs need them.
    SimulatedLiveValues liveValues(bool withSensor);
    void finish() { m_stage = 0; }
    bool readField(const CommandEntry& entry, int index1, int index2, int* value);
    bool writeField(const CommandEntry& entry, int index1, int index2, int value);
    void clearWarnings();
    qint64 now() const;

    // The working settings and the identity, which the command table
    // addresses; the live values that the table would write are not kept.
    struct Image {
        EcuSettings settings;
        EcuIdentity identity;
        EngineData unused;
    };
    Image m_image;
    EcuSettings m_stored;
    Clock m_clock;

    // Exchange in progress: the command, how many bytes of it have arrived
    // after the command byte, and what those bytes were.
    uint8_t m_command = 0;
    std::optional<CommandEntry> m_entry;
    int m_stage = 0;
    int m_index1 = 0;
    int m_index2 = 0;
    int m_high = 0;
    int m_pendingLow = 0; // second byte of a two-byte read
    qint64 m_lastByteMs = 0;
    qint64 m_exchangeTimeoutMs = 1000;

    // Engine model
    EngineModel m_engineModel;
    qint64 m_powerOnMs = 0;
    qint64 m_keyOnMs = 0;
    bool m_engineStopped = false;
    std::array<bool, EcuSettings::kUserOutputs> m_outputOn{};

    // Faults
    bool m_silent = false;
    int m_writesLeft = 0; // writes taken before falling silent (0 = off)
    bool m_echo = false;
    int m_badChecksumCommand = 0;
    int m_shortBlockCommand = 0;
    qint64 m_answerLimit = -1; // bytesReceived beyond which nothing is answered
    bool m_refuseWrites = false;
    bool m_storeFails = false;
    uint8_t m_status1Flags = 0;
    uint8_t m_status2Flags = 0;
    uint8_t m_status3Flags = 0;
    uint8_t m_status4 = 0;

    // Counters
    qint64 m_bytesReceived = 0;
    int m_storeCount = 0;
    int m_lastOutputTestPort = 0;
    int m_outputTestCount = 0;
    int m_stopCount = 0;
    int m_clearWarningsCount = 0;
};
