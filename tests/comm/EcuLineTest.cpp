// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/EcuLine.h"

#include "RecordingInteraction.h"
#include "record/AppState.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {

// A link whose reads wait their whole time (as a real port does) before the
// reply arrives on the given read, or that gives up at once.
class WaitingLink : public SerialLink {
public:
    bool open(QString*) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    void clear() override {}
    bool writeByte(uint8_t) override { return true; }
    int readByte(int timeoutMs) override {
        ++reads;
        if (reads == replyOnRead) {
            return 42;
        }
        if (waits) {
            QThread::msleep(static_cast<unsigned long>(timeoutMs));
        }
        return -1;
    }
    QByteArray readBlock(int, int) override { return {}; }

    int reads = 0;
    int replyOnRead = 0;
    bool waits = true;
};

class EcuLineTest : public ::testing::Test {
protected:
    EcuLineTest() {
        line.setPump([this] {
            ++pumps;
            EXPECT_TRUE(line.busy());
        });
        line.setPumpInterval(0);
    }

    AppState state;
    SettingsStore store;
    WaitingLink link;
    RecordingInteraction ui;
    EcuLine line{state, store, link, ui};
    int pumps = 0;
};

TEST_F(EcuLineTest, ALateReplyArrivesWhileThePumpRunsBetweenSlices) {
    link.replyOnRead = 4; // after three slices of waiting
    int reply = -1;
    line.run([&](EcuProtocol& protocol) { reply = protocol.link().readByte(1000); });
    EXPECT_EQ(reply, 42);
    EXPECT_EQ(link.reads, 4);
    EXPECT_GE(pumps, 3);
    EXPECT_FALSE(line.busy());
}

TEST_F(EcuLineTest, ALinkThatGivesUpAtOnceIsNotAskedAgain) {
    link.waits = false;
    int reply = 0;
    line.run([&](EcuProtocol& protocol) { reply = protocol.link().readByte(1000); });
    EXPECT_EQ(reply, -1);
    EXPECT_EQ(link.reads, 1);
}

TEST_F(EcuLineTest, ASettingReadFromTheEcuIsAnnouncedByTheStore) {
    std::vector<SettingsChange> changes;
    QObject::connect(&store, &SettingsStore::changed,
                     [&](const SettingsChange& change) { changes.push_back(change); });
    state.EcuOnline = true;
    link.replyOnRead = 1;

    line.command(62); // reads the number of cylinders

    EXPECT_EQ(store.settings().NumberOfCylinders, 42);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_TRUE(changes[0].touches(FieldId::NumberOfCylinders));
    EXPECT_EQ(changes[0].origin, ChangeOrigin::Ecu);
}

TEST_F(EcuLineTest, WorkForATimerIsDroppedWhileAnExchangeRuns) {
    bool nestedRan = true;
    line.run([&](EcuProtocol&) { nestedRan = line.runIfIdle([](EcuProtocol&) {}); });
    EXPECT_FALSE(nestedRan);
    EXPECT_TRUE(line.runIfIdle([](EcuProtocol&) {}));
}

} // namespace
