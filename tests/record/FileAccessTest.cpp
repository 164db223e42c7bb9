// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

void writeBytes(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(data), data.size());
}

TEST(ReadWholeFile, FilesOverOneMegabyteAreRefused) {
    const QTemporaryDir dir;
    const QString limit = dir.filePath("limit");
    const QString over = dir.filePath("over");
    writeBytes(limit, QByteArray(1024 * 1024, ','));
    writeBytes(over, QByteArray(1024 * 1024 + 1, ','));

    EXPECT_EQ(readWholeFile(limit).data.size(), 1024 * 1024);
    const WholeFile file = readWholeFile(over);
    EXPECT_TRUE(file.refused);
    EXPECT_TRUE(file.data.isEmpty());
    EXPECT_TRUE(file.error.contains(over + " is larger than 1024 KB")) << file.error.toStdString();
    const WholeFile absent = readWholeFile(dir.filePath("absent"));
    EXPECT_TRUE(absent.error.startsWith("Error - ")) << absent.error.toStdString();
    EXPECT_FALSE(absent.refused);
}

// Reads path on a thread of its own. Opening a FIFO that nobody writes may
// wait for ever: after a while a writer comes and goes, so that a read
// that waits ends and the test fails instead of hanging.
WholeFile readUnlessItWaits(const QString& path) {
    auto read = std::async(std::launch::async, [path] { return readWholeFile(path); });
    if (read.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        ADD_FAILURE() << "reading " << path.toStdString() << " waits";
        ::close(::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK));
    }
    return read.get();
}

TEST(ReadWholeFile, OnlyRegularFilesAreReadAndNothingWaitsForAWriter) {
    const QTemporaryDir dir;
    const QString fifo = dir.filePath("tune.ecu");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString regular = dir.filePath("regular.ecu");
    writeBytes(regular, "data");
    QFile::link(fifo, dir.filePath("to-fifo.ecu"));
    QFile::link("/dev/zero", dir.filePath("to-zero.ecu"));
    QFile::link(regular, dir.filePath("to-regular.ecu"));

    const struct {
        QString path;
        QString refusal; // empty: read
    } cases[] = {
        {fifo, "is a FIFO (named pipe), not a regular file,"},
        {dir.filePath("to-fifo.ecu"), "is a FIFO (named pipe), not a regular file,"},
        {dir.filePath("to-zero.ecu"), "is a device, not a regular file,"},
        {"/dev/zero", "is a device, not a regular file,"},
        {dir.path(), "is a folder, not a regular file,"},
        {regular, {}},
        {dir.filePath("to-regular.ecu"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const WholeFile file = readUnlessItWaits(c.path);
        if (c.refusal.isEmpty()) {
            EXPECT_TRUE(file.ok()) << file.error.toStdString();
            EXPECT_EQ(file.data, "data");
            continue;
        }
        EXPECT_TRUE(file.refused);
        EXPECT_TRUE(file.data.isEmpty());
        EXPECT_EQ(file.error,
                  QStringLiteral("Error - 5 - %1 %2 and was not read").arg(c.path, c.refusal));
    }
}

// What a path is, without following a link.
mode_t kindOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

TEST(SaveOutputFile, FifosAndDevicesAreWrittenInPlaceAndRegularFilesReplaced) {
    const QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A null device of the test's own, so that a fault cannot replace the
    // system's.
    const QString device = dir.filePath("null");
    const bool haveDevice =
        ::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    QFile::link(fifo, dir.filePath("to-fifo"));
    QFile::link(device, dir.filePath("to-device"));
    const QString regular = dir.filePath("regular");
    writeBytes(regular, "old");

    // Holds the FIFO open for reading, so that writing it does not wait.
    QFile reader(fifo);
    ASSERT_TRUE(reader.open(QIODevice::ReadWrite | QIODevice::Unbuffered));

    struct Case {
        QString path;
        mode_t kind;
        QString target;
        mode_t targetKind;
    };
    std::vector<Case> cases{{fifo, S_IFIFO, {}, 0},
                            {dir.filePath("to-fifo"), S_IFLNK, fifo, S_IFIFO},
                            {regular, S_IFREG, {}, 0},
                            {dir.filePath("new"), S_IFREG, {}, 0}};
    if (haveDevice) {
        cases.push_back({device, S_IFCHR, {}, 0});
        cases.push_back({dir.filePath("to-device"), S_IFLNK, device, S_IFCHR});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(saveOutputFile(c.path, "data\r\n"), QString());
        EXPECT_EQ(kindOf(c.path), c.kind);
        if (!c.target.isEmpty()) {
            EXPECT_EQ(kindOf(c.target), c.targetKind);
        }
        if (c.kind == S_IFREG) {
            QFile file(c.path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), "data\r\n");
        }
    }
    char received[100] = {};
    EXPECT_EQ(::read(reader.handle(), received, sizeof received), 12);
    EXPECT_EQ(QByteArray(received), "data\r\ndata\r\n");
    EXPECT_TRUE(saveOutputFile(dir.path(), "x").startsWith("Error - "));
}

} // namespace
