// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayList>
#include <gtest/gtest.h>

// The lines of a data file without their line ends, each checked to end in
// CR LF, the last one included.
inline QByteArrayList splitLines(const QByteArray& text) {
    QByteArrayList lines = text.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "the last line must end with a line break";
    lines.removeLast();
    for (QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << "line without CR LF: " << line.constData();
        line.chop(1);
    }
    return lines;
}

// The lines joined into a data file, each ending in CR LF.
inline QByteArray fileText(const QByteArrayList& lines) {
    return lines.join("\r\n") + "\r\n";
}
