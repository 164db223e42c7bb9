#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

QByteArrayList lines(const QByteArray& text) {
    QByteArrayList out = text.split('\n');
    EXPECT_TRUE(out.last().isEmpty());
    out.removeLast();
    for (QByteArray& line : out) {
        EXPECT_TRUE(line.endsWith('\r')) << line.constData();
        line.chop(1);
    }
    return out;
}

QByteArray fileText(const QByteArrayList& lines) {
    return lines.join("\r\n") + "\r\n";
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

// A version 1.08 file: 41 scalar lines (three of them dropped on reading),
// then the table sections of a version 2.52 file.
QByteArray file108(const QByteArrayList& sections) {
    const QByteArrayList scalars{
        R"("File Version            ",1.08)", R"("Number Of Cylinders     ",8)",
        R"("Max Rpm                 ",6000)", R"("Air TempSensor Type     ",1)",
        R"("Water Temp Sensor Type  ",1)",    R"("Tps Sensor Type         ",1)",
        R"("Map Sensor Type         ",2)",    R"("Rev Limit               ",5800)",
        R"("Injection Load Index    ",16)",   R"("Injection Rpm Index     ",0)",
        R"("Accel Min Tps           ",20)",   R"("Accel Min Tps Rate      ",10)",
        R"("Accel Percent           ",100)",  R"("Accel Duration          ",50)",
        R"("Accel Rpm               ",7000)", R"("Decel Min Tps           ",0)",
        R"("Decel Max Rpm           ",1000)", R"("Crank Percent           ",61.5)",
        R"("Crank Duration          ",50)",   R"("Crank Rpm               ",450)",
        R"("Prime Pulse             ",2)",    R"("Bank 2 Compensation     ",100)",
        R"("Bank 3 Compensation     ",100)",  R"("Bank 4 Compensation     ",100)",
        R"("Spare                   ",0)",    R"("Load Control            ",2)",
        R"("Min Open Time           ",19)",   R"("Ignition Type           ",1)",
        R"("Tps Max Bits            ",255)",  R"("Tps Min Bits            ",0)",
        R"("Charge Time             ",30)",   R"("EGO Control             ",0)",
        R"("EGO Gain I              ",1)",    R"("EGO Gain P              ",2)",
        R"("EGO Update Revs         ",5)",    R"("EGO Min Coolant Temp    ",90)",
        R"("EGO Max Load            ",0)",    R"("EGO Min Load            ",15)",
        R"("EGO Max Rpm             ",15)",   R"("EGO Min Rpm             ",0)",
        R"("Wheel Type              ",2)",
    };
    return fileText(scalars + sections);
}

} // namespace

TEST(VantrelctlDefaults, WritesTheStartUpRecordAsAVersion252File) {
    const Outcome r = run({"defaults"});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
    EXPECT_EQ(r.out.count("\r\n"), r.out.count('\n'));
    const QByteArrayList l = lines(r.out);
    ASSERT_EQ(l.size(), 121);
    EXPECT_EQ(l[0], R"("File Version            ",2.52)");
    EXPECT_EQ(l[1], R"("Number Of Cylinders     ",4)");
    EXPECT_EQ(l[2], R"("Max Rpm                 ",9000)");
    EXPECT_EQ(l[53], R"("IAC Travel              ",254)");
    for (int i = 0; i < 54; ++i) {
        EXPECT_EQ(l[i].indexOf("\","), 25) << l[i].constData();
    }
    EXPECT_EQ(l[54], "");
    EXPECT_EQ(l[55], R"(" Air Temp Compensation - Fuel")");
    EXPECT_EQ(l[81], R"(" Fuel Table")");
    EXPECT_EQ(l[99], R"("Ignition Table")");
    EXPECT_EQ(l[120], R"("-----End of Data File-----")");

    // Fuel: 18 at load index 15, rpm index 0.
    EXPECT_EQ(values(l[82 + 15]).value(0), "18");
    // Ignition: 20 at rpm index 3, 44 at rpm index 6, 70 from 5500 rpm up
    // (600 rpm a column: index 10 is the first at or above 5500).
    for (int load = 0; load < 16; ++load) {
        const QByteArrayList row = values(l[100 + load]);
        ASSERT_EQ(row.size(), 16);
        EXPECT_EQ(row[3], "20");
        EXPECT_EQ(row[6], "44");
        EXPECT_NE(row[9], "70");
        for (int rpm = 10; rpm < 16; ++rpm) {
            EXPECT_EQ(row[rpm], "70") << "load " << load << " rpm " << rpm;
        }
    }
}

TEST(VantrelctlConvert, Version108FileBecomesVersion252WithDefaultsForMissingValues) {
    QTemporaryDir dir;
    const QByteArrayList defaults = lines(run({"defaults"}).out);
    QByteArrayList sections = defaults.mid(54);
    sections[82 - 54 + 2] = "7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,"; // fuel load index 2
    const QString in = dir.filePath("old.ecu");
    writeFile(in, file108(sections));

    const Outcome r = run({"convert", in});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QByteArrayList l = lines(r.out);
    ASSERT_EQ(l.size(), 121);
    QByteArrayList expected = defaults;
    expected[1] = R"("Number Of Cylinders     ",8)";
    expected[2] = R"("Max Rpm                 ",6000)";
    expected[6] = R"("Map Sensor Type         ",2)";
    expected[7] = R"("Rev Limit               ",5800)";
    expected[23] = R"("Crank Rpm               ",450)";
    expected[45] = R"("Wheel Type              ",2)";
    expected[84] = "7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,";
    for (int i = 0; i < l.size(); ++i) {
        EXPECT_EQ(l[i], expected[i]) << "line " << i + 1;
    }

    const QString out = dir.filePath("new.ecu");
    const Outcome toFile = run({"convert", in, "--output", out});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err.constData();
    EXPECT_EQ(readFile(out), r.out);
    EXPECT_EQ(run({"diff", in, out}).exitCode, 0);
}

TEST(VantrelctlConvert, FailuresExitWithTwoAndTellWhy) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.ecu");
    QByteArrayList l = lines(run({"defaults"}).out);
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
    const QByteArrayList defaults = lines(run({"defaults"}).out);
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

    const Outcome r = run({"diff", a, b});
    EXPECT_EQ(r.exitCode, 1) << r.err.constData();
    EXPECT_EQ(r.out.toStdString(), "Max Rpm: 9000 -> 6000\n"
                                   "Crank Percent  80 Deg: 50 -> 55\n"
                                   "User Output, row 2, column 2: 0 -> 9\n"
                                   "Fuel Table, row 15, column 4: 18 -> 30\n");
    EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
}

TEST(VantrelctlDiff, UnreadableFileExitsWithTwoAndTellsWhy) {
    QTemporaryDir dir;
    const QString good = dir.filePath("good.ecu");
    writeFile(good, run({"defaults"}).out);

    Outcome r = run({"diff", good, dir.filePath("absent.ecu")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("absent.ecu")) << r.err.constData();

    QByteArrayList l = lines(run({"defaults"}).out);
    l[10] = R"("Accel Min Tps           ",70000)";
    const QString broken = dir.filePath("broken.ecu");
    writeFile(broken, fileText(l));
    r = run({"diff", broken, good});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("line 11")) << r.err.constData();

    EXPECT_EQ(run({"diff", good}).exitCode, 2);
}

TEST(VantrelctlHelp, GlobalAndCommandHelpGoToStandardOutput) {
    const Outcome global = run({"--help"});
    EXPECT_EQ(global.exitCode, 0);
    for (const char* text :
         {"defaults", "convert", "diff", "Exit codes", "  0  ", "  1  ", "  2  "}) {
        EXPECT_TRUE(global.out.contains(text)) << text;
    }
    for (const char* command : {"defaults", "convert", "diff"}) {
        const Outcome help = run({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_TRUE(help.out.startsWith(QByteArray("Usage: vantrelctl ") + command)) << command;
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

TEST(VantrelctlOutput, FileDashForStandardOutputAndAFifoThatStaysAFifo) {
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

    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile reader(fifo);
    ASSERT_TRUE(reader.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    const Outcome toFifo = run({"defaults", "-o", fifo});
    EXPECT_EQ(toFifo.exitCode, 0) << toFifo.err.constData();
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    QByteArray received(defaults.size() + 1, '\0');
    received.resize(::read(reader.handle(), received.data(), received.size()));
    EXPECT_EQ(received, defaults);
}

TEST(VantrelctlInput, FileOverOneMegabyteIsRefusedBeforeItIsRead) {
    const Outcome r = run({"convert", "/dev/zero"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("larger than 1024 KB")) << r.err.constData();
    EXPECT_TRUE(r.out.isEmpty());
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
