// SPDX-License-Identifier: GPL-3.0-or-later
// The marker lines of a log: their texts, the poll's late ticks, and the
// setting that leaves them out.

#include "monitor/LogMarkers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(LogMarkers, ATickMoreThanOneIntervalLateIsMarked) {
    struct Case {
        const char* name;
        std::vector<qint64> ticks;
        int intervalMs;
        std::vector<std::optional<qint64>> late;
    };
    const std::optional<qint64> none;
    const Case cases[] = {
        {"on time", {0, 500, 1000, 1500}, 500, {none, none, none, none}},
        {"a little late each", {0, 600, 1300, 2250}, 500, {none, none, none, none}},
        {"one interval late exactly", {0, 1000}, 500, {none, none}},
        {"a millisecond more", {0, 1001}, 500, {none, 501}},
        {"a missed tick and more", {0, 500, 2000, 2500}, 500, {none, none, 1000, none}},
        {"a shorter interval", {0, 250, 600}, 100, {none, 150, 250}},
    };
    for (const Case& c : cases) {
        PollGapWatch watch;
        for (size_t i = 0; i < c.ticks.size(); ++i) {
            EXPECT_EQ(watch.tick(c.ticks[i], c.intervalMs), c.late[i]) << c.name << " " << i;
        }
    }
    // After a restart the first tick has nothing to be late against.
    PollGapWatch watch;
    watch.tick(0, 500);
    watch.restart();
    EXPECT_EQ(watch.tick(60000, 500), std::nullopt);
}

TEST(LogMarkers, TextsAreOneLineAndALostLinkIsKnownByItsText) {
    EXPECT_EQ(markerLine(linkLostMarker()), "# Link lost");
    EXPECT_EQ(markerLine(linkFoundMarker()), "# Link found");
    EXPECT_EQ(latePollMarker(1250), "Poll late by 1.25 s");
    EXPECT_EQ(noteMarker(QStringLiteral("  second gear\r\npull\t")), "second gear pull");
    EXPECT_EQ(noteMarker(QStringLiteral(" \n")), "Marker");
    EXPECT_TRUE(isLinkLossMarker(linkLostMarker()));
    EXPECT_TRUE(isLinkLossMarker(QStringLiteral("link lost at the bridge")));
    EXPECT_FALSE(isLinkLossMarker(linkFoundMarker()));
    EXPECT_FALSE(isLinkLossMarker(latePollMarker(900)));
}

TEST(LogMarkers, TheSettingIsKeptBesideTheSettingsFile) {
    QTemporaryDir dir;
    const QString path = logOptionsPath(dir.filePath(QStringLiteral("Vantrel.ini")));
    EXPECT_EQ(path, dir.filePath(QStringLiteral("logging.conf")));
    EXPECT_TRUE(loadLogOptions(path).markers);
    ASSERT_EQ(saveLogOptions(path, LogOptions{false}), QString());
    EXPECT_FALSE(loadLogOptions(path).markers);
    EXPECT_EQ(logOptionsBytes(LogOptions{false}),
              "\"Log Options\",1\r\n\"Markers\",#FALSE#\r\n\"End Of File\"\r\n");
    for (const char* broken :
         {"", "\"Log Options\",2\r\n\"Markers\",#FALSE#\r\n\"End Of File\"\r\n",
          "\"Log Options\",1\r\n\"Markers\",#FALSE#\r\n"}) {
        EXPECT_FALSE(parseLogOptions(broken).has_value()) << broken;
    }
}
