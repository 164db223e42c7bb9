// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/RecentFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(RecentFilesTest, NewestFirstAtMostThreeKeptAcrossRuns) {
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("recent.conf"));
    const auto file = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    {
        RecentFiles recent(store);
        EXPECT_TRUE(recent.files().isEmpty());
        for (const char* name : {"a.ecu", "b.ecu", "c.ecu", "d.ecu", "b.ecu"}) {
            recent.add(file(name));
        }
    }
    RecentFiles again(store); // the next run
    EXPECT_EQ(again.files(), QStringList({file("b.ecu"), file("d.ecu"), file("c.ecu")}));
    again.remove(file("d.ecu"));
    again.remove(file("never.ecu"));
    EXPECT_EQ(RecentFiles(store).files(), QStringList({file("b.ecu"), file("c.ecu")}));
    // A relative name is kept as the full path it stands for.
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    again.add(QStringLiteral("e.ecu"));
    QDir::setCurrent(cwd);
    EXPECT_EQ(again.files().first(), file("e.ecu"));
}
