// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimulatedLink.h"

#include <gtest/gtest.h>

namespace {

class SimulatedLinkTest : public ::testing::Test {
protected:
    qint64 m_ms = 0;
    SimulatedEcu m_ecu{SimulatedEcu::defaultImage(), [this] { return m_ms; }};
    SimulatedLink m_link{&m_ecu};
};

TEST_F(SimulatedLinkTest, WrittenByteIsAnsweredAndRecorded) {
    ASSERT_TRUE(m_link.writeByte(85));
    EXPECT_EQ(m_link.readByte(1000), 170);
    EXPECT_EQ(m_link.readByte(1000), -1);
    EXPECT_EQ(m_link.written(), QByteArray(1, char(85)));
}

TEST_F(SimulatedLinkTest, ReplyByteZeroIsNotATimeOut) {
    // EgoMaxLoad 0 and EgoMinLoad 0 travel as the byte 0.
    EcuSettings image = SimulatedEcu::defaultImage();
    image.EgoMinLoad = 0;
    m_ecu.setSettings(image);
    m_link.writeByte(2);
    EXPECT_EQ(m_link.readByte(1000), 0);
}

TEST_F(SimulatedLinkTest, ClearDropsQueuedReplies) {
    m_link.writeByte(85);
    m_link.clear();
    EXPECT_EQ(m_link.readByte(1000), -1);
}

TEST_F(SimulatedLinkTest, ClosedLinkNeitherSendsNorReceives) {
    m_link.writeByte(85);
    m_link.close();
    EXPECT_FALSE(m_link.isOpen());
    EXPECT_FALSE(m_link.writeByte(85));
    EXPECT_EQ(m_link.readByte(1000), -1);
    EXPECT_EQ(m_link.written().size(), 1);
}

TEST_F(SimulatedLinkTest, OpenCanBeMadeToFail) {
    m_link.close();
    m_link.setOpenError(QStringLiteral("No such port"));
    QString text;
    EXPECT_FALSE(m_link.open(&text));
    EXPECT_EQ(text, QStringLiteral("No such port"));
    EXPECT_FALSE(m_link.isOpen());
    m_link.setOpenError({});
    EXPECT_TRUE(m_link.open(&text));
}

TEST_F(SimulatedLinkTest, SilentEcuLeavesReadsTimingOut) {
    m_ecu.setSilent(true);
    m_link.writeByte(85);
    EXPECT_EQ(m_link.readByte(1000), -1);
    EXPECT_TRUE(m_link.readBlock(260, 2000).isEmpty());
}

} // namespace
