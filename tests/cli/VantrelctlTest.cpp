// SPDX-License-Identifier: GPL-3.0-or-later
#include "CrlfLines.h"
#include "TestData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QString program() {
    return QDir(qEnvironmentVariable("VANTREL_BIN_DIR", QStringLiteral(VANTRELCTL_DIR)))
        .filePath(QStringLiteral("vantrelctl"));
}

Outcome run(const QStringList& arguments, const QString& workingDirectory = {},
            const std::function<void()>& inChild = {}) {
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    if (inChild) {
        process.setChildProcessModifier(inChild);
    }
    process.start(program(), arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program().toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

QByteArrayList values(const QByteArray& line) {
    QByteArrayList items = line.split(',');
    EXPECT_TRUE(items.last().isEmpty()) << "row without its trailing comma";
    items.removeLast();
    return items;
}

} // namespace

TEST(VantrelctlDefaults, WritesTheStartUpRecordAsAVersion252File) {
    const Outcome r = run({"defaults"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
    EXPECT_EQ(r.out.toStdString(), testDataBytes("files/defaults-2.52.ecu").toStdString());
}

TEST(VantrelctlConvert, Version108FileBecomesVersion252WithDefaultsForMissingValues) {
    QTemporaryDir dir;
    const QByteArray old = testDataBytes("files/changed-1.08.ecu");
    const QString in = dir.filePath("old.ecu");
    writeFile(in, old);

    const Outcome r = run({"convert", in});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    // Values the old file has no line for come from the start-up record.
    QByteArrayList expected = splitLines(testDataBytes("files/changed-2.52.ecu"));
    const QByteArrayList defaults = splitLines(testDataBytes("files/defaults-2.52.ecu"));
    for (int i = 1; i < 54; ++i) {
        if (!old.contains(expected[i].left(26))) {
            expected[i] = defaults[i];
        }
    }
    EXPECT_EQ(r.out.toStdString(), fileText(expected).toStdString());

    const QString out = dir.filePath("new.ecu");
    const Outcome toFile = run({"convert", in, "--output", out});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err.constData();
    EXPECT_EQ(readFile(out), r.out);
    EXPECT_EQ(run({"diff", in, out}).exitCode, 0);
}

TEST(VantrelctlConvert, FailuresExitWithTwoAndTellWhy) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.ecu");
    QByteArrayList l = splitLines(run({"defaults"}).out);
    l[0] = R"("File Version            ",2.5)";
    writeFile(bad, fileText(l));
    Outcome r = run({"convert", bad});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("Invalid Data File Version 2.5")) << r.err.constData();

    const QString good = dir.filePath("good.ecu");
    writeFile(good, run({"defaults"}).out);
    r = run({"convert", good, "-o", dir.filePath("missing/out.ecu")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("Error - 5 - ")) << r.err.constData();

    EXPECT_EQ(run({"convert"}).exitCode, 2);
    EXPECT_EQ(run({"convert", good, good}).exitCode, 2);
}

TEST(VantrelctlDiff, ListsExactlyTheChangedValues) {
    QTemporaryDir dir;
    const QByteArrayList defaults = splitLines(run({"defaults"}).out);
    QByteArrayList changed = defaults;
    changed[2] = R"("Max Rpm                 ",6000)";
    changed[19] = R"("Crank Percent  80 Deg   ",55)";
    QByteArrayList fuelRow = values(changed[82 + 15]);
    fuelRow[4] = "30";
    changed[82 + 15] = fuelRow.join(',') + ',';
    changed[78] = "0,0,9"; // User Output, third line, on threshold
    const QString a = dir.filePath("a.ecu");
    const QString b = dir.filePath("b.ecu");
    writeFile(a, fileText(defaults));
    writeFile(b, fileText(changed));
    const Outcome same = run({"diff", a, a});
    EXPECT_EQ(same.exitCode, 0) << same.err.constData();
    EXPECT_TRUE(same.out.isEmpty()) << same.out.constData();

    // In the units and at the axes the windows show, or as the counts the
    // files hold for scripts.
    const struct {
        QStringList arguments;
        const char* listing;
    } cases[] = {
        {{"diff", a, b},
         "Max Rpm: 9000 -> 6000 rpm\n"
         "Crank Percent  80 Deg: 100 -> 110 %\n"
         "User Output 3 on: 0 -> 9\n"
         "Fuel Table at 2400 -> 1600 rpm, 0.0 %: 1.188 -> 1.938 ms\n"},
        {{"diff", "--raw", a, b},
         "Max Rpm: 9000 -> 6000\n"
         "Crank Percent  80 Deg: 50 -> 55\n"
         "User Output, row 2, column 2: 0 -> 9\n"
         "Fuel Table, row 15, column 4: 18 -> 30\n"},
    };
    for (const auto& c : cases) {
        const Outcome r = run(c.arguments);
        EXPECT_EQ(r.exitCode, 1) << r.err.constData();
        EXPECT_EQ(r.out.toStdString(), c.listing);
        EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
    }
}

TEST(VantrelctlDiff, UnreadableFileExitsWithTwoAndTellsWhy) {
    QTemporaryDir dir;
    const QString good = dir.filePath("good.ecu");
    writeFile(good, run({"defaults"}).out);

    Outcome r = run({"diff", good, dir.filePath("absent.ecu")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("absent.ecu")) << r.err.constData();

    QByteArrayList l = splitLines(run({"defaults"}).out);
    l[10] = R"("Accel Min Tps           ",70000)";
    const QString broken = dir.filePath("broken.ecu");
    writeFile(broken, fileText(l));
    r = run({"diff", broken, good});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("line 11")) << r.err.constData();

    EXPECT_EQ(run({"diff", good}).exitCode, 2);
}

TEST(VantrelctlHelp, GlobalAndCommandHelpGoToStandardOutput) {
    for (const QStringList& arguments : {QStringList{"--help"}, QStringList{"diff", "--help"}}) {
        const Outcome help = run(arguments);
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.startsWith("Usage: vantrelctl ")) << help.out.constData();
        EXPECT_TRUE(help.err.isEmpty());
    }
}

TEST(VantrelctlHelp, BadCommandLinesExitWithTwo) {
    EXPECT_EQ(run({}).exitCode, 2);
    const Outcome unknown = run({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("frobnicate"));
    EXPECT_EQ(run({"--bogus"}).exitCode, 2);
    EXPECT_EQ(run({"defaults", "--bogus"}).exitCode, 2);
}

// Files of every kind are written through the same output routine, whose own
// tests cover FIFOs and devices.
TEST(VantrelctlOutput, FileDashForStandardOutput) {
    const QTemporaryDir dir;
    const QByteArray defaults = run({"defaults"}).out;
    const Outcome dash = run({"defaults", "-o", "-"}, dir.path());
    EXPECT_EQ(dash.exitCode, 0) << dash.err.constData();
    EXPECT_EQ(dash.out, defaults);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("-")));
    const Outcome toFile = run({"defaults", "-o", dir.filePath("defaults.ecu")});
    EXPECT_EQ(toFile.exitCode, 0) << toFile.err.constData();
    EXPECT_TRUE(toFile.out.isEmpty());
    EXPECT_EQ(readFile(dir.filePath("defaults.ecu")), defaults);
}

TEST(VantrelctlOutput, FileSizeLimitFailsTheWriteAndKeepsTheOldFile) {
    const QTemporaryDir dir;
    const QString path = dir.filePath("kept.ecu");
    writeFile(path, "old");
    const Outcome r = run({"defaults", "-o", path}, {}, [] {
        // Smaller than the data file: the write stops part-way.
        const rlimit small{1024, 1024};
        setrlimit(RLIMIT_FSIZE, &small);
    });
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("File too large")) << r.err.constData();
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"kept.ecu"});
}

// AddressSanitizer reserves its shadow memory up front, far more than any
// address space limit a test sets: a sanitized build converts without one.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

TEST(VantrelctlLog2Csv, MemoryStaysSmallWhateverTheLogsSize) {
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.log");
    const QByteArray log = testDataBytes("monitor/session.log");
    {
        // The session, a line of 150 MB of zero bytes (a hole in the file,
        // so it takes no disk), and the session again.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(log);
        ASSERT_TRUE(file.seek(log.size() + 150LL * 1024 * 1024));
        file.write("\r\n" + log);
    }
    const Outcome r = run({"log2csv", path, "-o", dir.filePath("huge.csv")}, {}, [] {
        // Far below the log's size, and plenty for the program itself.
        if (!kAddressSanitizer) {
            const rlimit memory{100LL * 1024 * 1024, 100LL * 1024 * 1024};
            setrlimit(RLIMIT_AS, &memory);
        }
    });
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.contains("skipped 1 line(s) that are not records (line 38)"))
        << r.err.constData();
    EXPECT_EQ(splitLines(readFile(dir.filePath("huge.csv"))).size(), 1 + 2 * 22);
}
