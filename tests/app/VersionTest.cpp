// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Version.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TEST(MonitorVersion, PadsMinorAndRevisionToThreeDigits) {
    EXPECT_EQ(buildMonitorVersion(2, 13, 5), "2.013  Build 005");
    EXPECT_EQ(buildMonitorVersion(1, 0, 1), "1.000  Build 001");
    EXPECT_EQ(buildMonitorVersion(10, 250, 123), "10.250  Build 123");
}

TEST(MonitorVersion, ThisBuildHasTheVersionShape) {
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d{3}  Build \\d{3}$"))
                    .match(monitorVersion())
                    .hasMatch())
        << monitorVersion().toStdString();
}

} // namespace
