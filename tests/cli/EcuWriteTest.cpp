// The full send behind "vantrelctl write", and the write and store commands
// run against a simulated ECU on a pseudo-terminal.

#include "EcuCommandSupport.h"
#include "RecordingInteraction.h"
#include "comm/EcuProtocol.h"
#include "comm/Transfers.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

// One command of the full send as the ECU sees it on the wire.
struct SentCommand {
    int command = 0;
    int index1 = 0;
    int index2 = 0;
    std::vector<int> values; // the value bytes, high byte first

    bool operator==(const SentCommand& other) const {
        return command == other.command && index1 == other.index1 && index2 == other.index2;
    }
};

std::ostream& operator<<(std::ostream& stream, const SentCommand& sent) {
    return stream << sent.command << '(' << sent.index1 << ',' << sent.index2 << ')';
}

// How a write command's value travels after the command byte.
enum class Kind { Byte, TwoByte, Indexed, Cell };

Kind kindOf(int command) {
    static const std::set<int> twoByte{151, 152, 194, 229, 234, 237, 238, 247, 248, 249};
    static const std::set<int> indexed{217, 218, 219, 223, 224, 225, 226};
    if (twoByte.contains(command)) {
        return Kind::TwoByte;
    }
    if (indexed.contains(command)) {
        return Kind::Indexed;
    }
    if (command == 240 || command == 241) {
        return Kind::Cell;
    }
    return Kind::Byte;
}

// Bytes the PC puts on the wire for one write: the command, its indexes and
// the value.
int bytesFromPc(int command) {
    switch (kindOf(command)) {
    case Kind::Byte:
        return 2;
    case Kind::TwoByte:
    case Kind::Indexed:
        return 3;
    case Kind::Cell:
        return 4;
    }
    return 0;
}

// Splits the bytes the PC sent into commands.
std::vector<SentCommand> decode(const QByteArray& written) {
    std::vector<SentCommand> commands;
    qsizetype at = 0;
    auto next = [&]() { return at < written.size() ? static_cast<uint8_t>(written[at++]) : -1; };
    while (at < written.size()) {
        SentCommand sent;
        sent.command = next();
        switch (kindOf(sent.command)) {
        case Kind::Byte:
            sent.values = {next()};
            break;
        case Kind::TwoByte:
            sent.values = {next(), next()};
            break;
        case Kind::Indexed:
            sent.index1 = next();
            sent.values = {next()};
            break;
        case Kind::Cell:
            sent.index1 = next();
            sent.index2 = next();
            sent.values = {next()};
            break;
        }
        commands.push_back(sent);
    }
    return commands;
}

// The full send in its fixed order for 16 x 16 tables. Launch control rpm
// goes with the engine settings after the charge time, so that a loaded file
// sets it as well; the wheel type follows when its code section is enabled.
std::vector<SentCommand> expectedFullSend(bool wheelType, int* progressSteps) {
    std::vector<SentCommand> commands;
    *progressSteps = 0;
    auto progress = [&] { ++*progressSteps; };
    auto plain = [&](std::initializer_list<int> codes) {
        for (int code : codes) {
            commands.push_back({code, 0, 0, {}});
        }
    };
    auto curve = [&](int code) {
        for (int slot = 0; slot <= 16; ++slot) {
            commands.push_back({code, slot, 0, {}});
        }
    };
    auto table = [&](int code) {
        for (int load = 0; load <= 15; ++load) {
            for (int rpm = 0; rpm <= 15; ++rpm) {
                commands.push_back({code, load, rpm, {}});
            }
            progress();
        }
    };
    progress();
    plain({190, 191, 194, 192, 193, 195, 183, 184, 182, 185, 187, 186, 188, 189, 196, 197});
    progress();
    plain({214, 215, 216, 210, 211, 212, 198, 200, 199, 201, 203, 202, 204, 206, 205});
    progress();
    plain({207, 209, 208, 220, 221, 222, 228, 230, 229, 231,
           232, 233, 234, 236, 235, 238, 239, 245, 227, 237});
    if (wheelType) {
        plain({149});
    }
    progress();
    plain({129, 130, 131, 132, 135, 134, 136, 153, 151, 154, 152, 155, 156, 150, 146, 147, 148});
    progress();
    curve(217);
    progress();
    curve(218);
    progress();
    curve(219);
    curve(224);
    progress();
    curve(225);
    progress();
    curve(226);
    curve(223);
    progress();
    table(240);
    table(241);
    plain({242, 243, 244, 247, 248, 249});
    return commands;
}

// Bytes the ECU receives while a command finds it: the search byte, the seven
// identity reads and the six status and extra reads that follow.
constexpr qint64 kIdentifyBytes = 1 + 7 + 6;

qint64 fullSendBytes(bool wheelType) {
    int steps = 0;
    qint64 bytes = 0;
    for (const SentCommand& sent : expectedFullSend(wheelType, &steps)) {
        bytes += bytesFromPc(sent.command);
    }
    return bytes;
}

struct FullSend {
    std::vector<SentCommand> commands;
    RecordingInteraction ui;
    std::unique_ptr<AppState> state = std::make_unique<AppState>();
};

// Sends the start-up record to an in-process ECU and records the wire.
void runFullSend(FullSend& run, bool wheelTypeSection) {
    initialiseSettings(*run.state);
    run.state->EcuOnline = true;
    run.state->CodeSectionFlags[3] = wheelTypeSection;
    SimulatedEcu ecu;
    SimulatedLink link(&ecu);
    EcuProtocol protocol(*run.state, link, run.ui);
    sendAllDataToEcu(protocol, TransferHooks{});
    run.commands = decode(link.written());
}

// The wheel type follows the engine settings only when its code section is
// enabled; it adds no progress step.
TEST(FullSend, StartupRecordGoesOutInTheFixedOrderWithItsProgressSteps) {
    for (const bool wheelType : {false, true}) {
        SCOPED_TRACE(wheelType);
        FullSend run;
        runFullSend(run, wheelType);
        int steps = 0;
        const std::vector<SentCommand> expected = expectedFullSend(wheelType, &steps);
        EXPECT_EQ(expected.size(), wheelType ? 706u : 705u);
        EXPECT_EQ(steps, 42);
        EXPECT_EQ(run.commands, expected);
        EXPECT_EQ(run.ui.progressSteps, 42);
        EXPECT_EQ(run.ui.progressCaptions, QStringList{QStringLiteral("Sending Data to ECU")});
        EXPECT_TRUE(run.ui.messages.empty()) << run.ui.texts().join('|').toStdString();
        EXPECT_TRUE(run.state->EcuOnline);
        EXPECT_TRUE(run.state->EcuDataChanged);
    }
}

TEST(FullSend, ValuesTravelInTheirWireForms) {
    FullSend run;
    runFullSend(run, false);
    const EcuSettings& s = run.state->settings;
    auto find = [&](int command, int index1 = 0, int index2 = 0) {
        for (const SentCommand& sent : run.commands) {
            if (sent == SentCommand{command, index1, index2, {}}) {
                return sent.values;
            }
        }
        ADD_FAILURE() << "command " << command << " not sent";
        return std::vector<int>{};
    };
    EXPECT_EQ(find(191), std::vector<int>{s.MaxRpm / 3000});
    EXPECT_EQ(find(194), (std::vector<int>{s.RevLimit / 256, s.RevLimit % 256}));
    EXPECT_EQ(find(237), (std::vector<int>{s.LaunchControlRpm / 256, s.LaunchControlRpm % 256}));
    EXPECT_EQ(find(129), std::vector<int>{s.EgoMaxRpm * 16 + s.EgoMinRpm});
    EXPECT_EQ(find(130), std::vector<int>{s.EgoMaxLoad * 16 + s.EgoMinLoad});
    EXPECT_EQ(find(146), std::vector<int>{s.BankCompensation[2]});
    EXPECT_EQ(find(217, 4), std::vector<int>{s.UserInputAnalogTable[0][4]});
    EXPECT_EQ(find(223, 16), std::vector<int>{s.AirTempIgnitionComp[16]});
    EXPECT_EQ(find(240, 3, 5), std::vector<int>{s.FuelTable[3][5]});
    EXPECT_EQ(find(241, 15, 0), std::vector<int>{s.IgnitionTable[15][0]});
}

// ---------------------------------------------------------------------------
// write and store over the pseudo-terminal

// The blocks of the three bulk reads: every value the full send writes, plus
// the wheel type.
QByteArray blocksOf(const EcuSettings& image) {
    return SimulatedEcu::fuelBlock(image) + SimulatedEcu::ignitionBlock(image) +
           SimulatedEcu::otherBlock(image);
}

EcuSettings recordToSend(quint32 seed) {
    EcuSettings record = randomValidRecord(seed);
    // Without its code section the wheel type is not sent.
    record.WheelType = SimulatedEcu::defaultImage().WheelType;
    return record;
}

TEST(Write, EveryValueOfTheFileReachesTheEcuWithoutBeingStored) {
    const QTemporaryDir dir;
    const EcuSettings record = recordToSend(31);
    EcuOnTerminal ecu;
    ASSERT_NE(ecu.with([](SimulatedEcu& e) { return blocksOf(e.settings()); }), blocksOf(record));

    const Outcome outcome = onPort(ecu.device(), QStringLiteral("write"),
                                   {saveRecord(dir, QStringLiteral("send.ecu"), record)});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.out.isEmpty());
    EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return blocksOf(e.settings()); }), blocksOf(record));
    EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return e.bytesReceived(); }),
              kIdentifyBytes + fullSendBytes(false));
    EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return e.storeCount(); }), 0);
}

TEST(Write, StoreOptionMakesTheEcuKeepWhatItWasSent) {
    const QTemporaryDir dir;
    const EcuSettings record = recordToSend(32);
    EcuOnTerminal ecu;
    const Outcome outcome =
        onPort(ecu.device(), QStringLiteral("write"),
               {saveRecord(dir, QStringLiteral("send.ecu"), record), QStringLiteral("--store")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(outcome.count(QStringLiteral("Data Saved!\n")), 1);
    EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return e.storeCount(); }), 1);
    EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return blocksOf(e.storedSettings()); }),
              blocksOf(record));
}

TEST(Write, UnreadableFileFailsBeforeAnyByteIsSent) {
    const QTemporaryDir dir;
    QFile bad(dir.filePath(QStringLiteral("bad.ecu")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\"File Version            \",3.14\r\n");
    bad.close();
    EcuOnTerminal ecu;
    const Outcome outcome = onPort(ecu.device(), QStringLiteral("write"), {bad.fileName()});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("Invalid Data File Version 3.14")))
        << outcome.err.toStdString();
    EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return e.bytesReceived(); }), 0);
}

TEST(Write, ValueTheEcuCannotTakeRefusesTheWholeFileBeforeAnyByteIsSent) {
    const QTemporaryDir dir;
    EcuSettings record = startupRecord();
    record.FuelTable[3][5] = -5;
    record.AccelRpm = 70000;
    const QString file = saveRecord(dir, QStringLiteral("bad.ecu"), record);
    EcuOnTerminal ecu;
    const Outcome outcome =
        onPort(ecu.device(), QStringLiteral("write"), {file, QStringLiteral("--store")});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err, QStringLiteral("error: %1: Data file not loaded - values out of range "
                                          "for the ECU:\n"
                                          "Accel Rpm: 70000 is outside 0..65535\n"
                                          "Fuel Table, row 3, column 5: -5 is outside 0..255\n")
                               .arg(file));
    EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return e.bytesReceived(); }), 0);
}

TEST(Write, RefusedWriteLosesSyncOnceAndEndsTheSend) {
    const QTemporaryDir dir;
    const QString file = saveRecord(dir, QStringLiteral("send.ecu"), startupRecord());
    {
        const SimulatorProcess simulator({QStringLiteral("--refuse-writes")});
        const Outcome outcome = onPort(simulator.device(), QStringLiteral("write"), {file});
        EXPECT_EQ(outcome.exitCode, 5);
        EXPECT_EQ(outcome.count(QStringLiteral("Communication Sync Lost!")), 1)
            << outcome.err.toStdString();
        EXPECT_EQ(outcome.count(QStringLiteral("Communication Lost!")), 0);
    }
    // The rest of the send is skipped: after the first write nothing more
    // reaches the ECU.
    EcuOnTerminal ecu([](SimulatedEcu& e) { e.setRefuseWrites(true); });
    onPort(ecu.device(), QStringLiteral("write"), {file});
    EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return e.bytesReceived(); }),
              kIdentifyBytes + bytesFromPc(190));
}

TEST(Write, EcuFallingSilentPartWayIsReportedOnceAndEndsTheSend) {
    const QTemporaryDir dir;
    const QString file = saveRecord(dir, QStringLiteral("send.ecu"), startupRecord());
    // Silent from the second command of the send on: its command byte goes
    // unanswered, and its confirmation then cannot come either.
    const qint64 answered = kIdentifyBytes + bytesFromPc(190);
    const SimulatorProcess simulator({QStringLiteral("--stop-after"), QString::number(answered)});
    const Outcome outcome = onPort(simulator.device(), QStringLiteral("write"), {file},
                                   shortReplyWait(kFallingSilentReplyMs));
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_EQ(outcome.count(QStringLiteral("error: Communication Lost!\n")), 1)
        << outcome.err.toStdString();
    EXPECT_EQ(outcome.count(QStringLiteral("Communication Sync Lost!")), 1);
}

TEST(Store, AnsweredStoreSaysDataSaved) {
    const SimulatorProcess simulator;
    const Outcome outcome = onPort(simulator.device(), QStringLiteral("store"));
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_TRUE(outcome.err.endsWith(QStringLiteral("\nData Saved!\n")))
        << outcome.err.toStdString();
    EXPECT_TRUE(outcome.out.isEmpty());
}

TEST(Store, StoreAnsweredWithZeroSaysDataSaveError) {
    EcuOnTerminal ecu([](SimulatedEcu& e) { e.setStoreFails(true); });
    const Outcome outcome = onPort(ecu.device(), QStringLiteral("store"));
    EXPECT_EQ(outcome.exitCode, 6);
    EXPECT_TRUE(outcome.err.endsWith(QStringLiteral("\nerror: Data Save Error\n")))
        << outcome.err.toStdString();
    EXPECT_FALSE(outcome.err.contains(QStringLiteral("Data Saved!")));
}

TEST(Store, SilentStoreIsCommunicationLostWithoutASaveMessage) {
    // Silent from the store command on.
    const SimulatorProcess simulator(
        {QStringLiteral("--stop-after"), QString::number(kIdentifyBytes)});
    const Outcome outcome = onPort(simulator.device(), QStringLiteral("store"), {},
                                   shortReplyWait(kFallingSilentReplyMs));
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_EQ(outcome.count(QStringLiteral("Communication Lost!")), 1);
    EXPECT_FALSE(outcome.err.contains(QStringLiteral("Data Save")));
}

} // namespace
