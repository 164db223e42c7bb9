// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"
#include "RecordingInteraction.h"
#include "StartupRecord.h"
#include "comm/EcuLine.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "session/Session.h"
#include "sim/SimulatedLink.h"

#include <gtest/gtest.h>

namespace {
TEST(StartupOptionsTest, ReadsIniPortAndSimulate) {
    QString error;
    const auto o = parseStartupOptions(
        {"vantrel", "--ini", "/tmp/a.ini", "--port", "/dev/ttyUSB0", "--simulate"}, &error);
    ASSERT_TRUE(o.has_value()) << error.toStdString();
    EXPECT_EQ(o->iniPath, "/tmp/a.ini");
    EXPECT_EQ(o->portDevice, "/dev/ttyUSB0");
    EXPECT_TRUE(o->simulate);
    EXPECT_FALSE(o->showHelp);
    EXPECT_TRUE(parseStartupOptions({"vantrel", "--simulate", "-h"}, &error)->showHelp);
    EXPECT_TRUE(parseStartupOptions({"vantrel", "--help"}, &error)->showHelp);
}

TEST(StartupOptionsTest, RefusesUnknownOptionsAndMissingValues) {
    QString error;
    EXPECT_FALSE(parseStartupOptions({"vantrel", "--bogus"}, &error).has_value());
    EXPECT_TRUE(error.contains("--bogus"));
    EXPECT_FALSE(parseStartupOptions({"vantrel", "--ini"}, &error).has_value());
    EXPECT_TRUE(error.contains("--ini"));
    const auto none = parseStartupOptions({"vantrel"}, &error);
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->iniPath.isEmpty());
    EXPECT_FALSE(none->simulate);
}

TEST(StartupStateTest, StartsStandardEditionOfflineAndIncomplete) {
    AppState state;
    state.Edition = Edition::Ostrand;
    state.EcuOnline = true;
    state.StartupComplete = true;
    state.CurrentFileName = "x.ecu";
    prepareStartupState(state);
    EXPECT_EQ(state.Edition, Edition::Standard);
    EXPECT_EQ(state.ContactLine, "Please contact Marrowby");
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_FALSE(state.StartupComplete);
    EXPECT_TRUE(state.CurrentFileName.isEmpty());

    // The session the window program builds on it starts with the record's
    // start values and the live channels laid out, before any ECU answers.
    RecordingInteraction ui;
    SimulatedEcu ecu;
    SimulatedLink link(&ecu);
    Session session(state, ui, link);
    EXPECT_EQ(session.store().settings(), startupRecord());
    EXPECT_EQ(session.store().settings().RpmIndexMax, 15);
    EXPECT_EQ(session.line().liveValues().RpmChannel.Name, "RPM");
    EXPECT_EQ(session.line().liveValues().UserChannel[2].Column, 11);
    EXPECT_EQ(settingsFileErrorText(), "INI file not found or file error\r\nUsing Default");
}
} // namespace
