// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/EcuFile.h"

#include "CrlfLines.h"
#include "StartupRecord.h"
#include "TestData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>
#include <signal.h>
#include <sys/resource.h>

namespace {

// Golden files under tests/data/files, written out line by line from the
// file format's description: the file of the start-up record, and the files
// of changedRecord() below in the versions 2.52, 1.08 and 1.07.
QByteArray golden(const char* name) {
    const QByteArray text = testDataBytes(QStringLiteral("files/") + name);
    EXPECT_FALSE(text.isEmpty()) << "missing golden file " << name;
    return text;
}

QByteArray scalar(const char* name, const QByteArray& value) {
    QByteArray text(name);
    text.append(QByteArray(24 - text.size(), ' '));
    return '"' + text + "\"," + value;
}

// The start-up defaults with tables and outputs whose every value differs, so
// that a swapped row, column or value shows.
EcuSettings distinctRecord() {
    EcuSettings s = EcuSettings::withDefaults();
    for (int l = 0; l < 17; ++l) {
        for (int r = 0; r < 17; ++r) {
            s.FuelTable[l][r] = static_cast<int16_t>(l * 16 + r);
            s.IgnitionTable[l][r] = static_cast<int16_t>(1000 + l * 17 + r);
        }
    }
    s.UserOutputType = {1, 2, 3, 4};
    s.UserOutputOff = {11, 12, 13, 14};
    s.UserOutputOn = {21, 22, 23, 24};
    return s;
}

// A record whose every file value differs from the start-up defaults.
EcuSettings changedRecord() {
    EcuSettings s = distinctRecord();
    s.NumberOfCylinders = 6;
    s.MaxRpm = 12000;
    s.AirTempSensorType = 2;
    s.WaterTempSensorType = 0;
    s.TpsSensorType = 3;
    s.MapSensorType = 2;
    s.RevLimit = 11500;
    s.InjectionLoadIndex = 8;
    s.InjectionRpmIndex = 4;
    s.AccelMinTps = 21;
    s.AccelMinTpsRate = 11;
    s.AccelPercent = 101;
    s.AccelDuration = 51;
    s.AccelRpm = 7001;
    s.DecelMinTps = 1;
    s.DecelMaxRpm = 1001;
    s.CrankDuration = 52;
    s.CrankRpm = 501;
    s.BankCompensation = {0, 0, 97, 98, 99};
    s.LoadControl = 1;
    s.MinOpenTime = 20;
    s.IgnitionType = 2;
    s.TpsMaxBits = 240;
    s.TpsMinBits = 12;
    s.ChargeTime = 31;
    s.EgoControl = 1;
    s.EgoGainI = 3;
    s.EgoGainP = 4;
    s.EgoUpdateRevs = 6;
    s.EgoMinCoolantTemp = 91;
    s.EgoMaxLoad = 14;
    s.EgoMinLoad = 1;
    s.EgoMaxRpm = 13;
    s.EgoMinRpm = 2;
    s.WheelType = 3;
    s.AirTempFuelComp[5] = 77;
    s.WaterTempFuelComp[0] = 190;
    s.BatteryVoltFuelComp[16] = 9;
    s.AirTempIgnitionComp[9] = 130;
    s.UserInputAnalogMode = {1, 2, 3};
    s.UserInputAnalogTable[2][16] = 44;
    s.UserInputDigitalMode = {4, 5, 6};
    s.UC_Extra = {1, 2, 3, 4, 5};
    s.UI_Extra = {-70000, 70000, 0, 1, 2};
    // Fields the older versions lack.
    s.DecelCutRpm = -3;
    s.CrankPercent = {41, 42, 43, 44};
    s.CrankPrimePulse = 7;
    s.MapMaxBits = 250;
    s.MapMinBits = 5;
    s.LaunchControlRpm = 4500;
    s.IacType = 2;
    s.IacColdRpm = 1200;
    s.IacColdPosition = 90;
    s.IacHotRpm = 850;
    s.IacHotPosition = 20;
    s.IacTemp = 140;
    s.IacTravel = 200;
    return s;
}

// Copies into current the fields that a version 1.07 or 1.08 file lacks.
EcuSettings withFieldsOfOldFileMissing(EcuSettings fromFile, const EcuSettings& current,
                                       bool hasWheelType) {
    fromFile.DecelCutRpm = current.DecelCutRpm;
    fromFile.CrankPercent = current.CrankPercent;
    fromFile.CrankPrimePulse = current.CrankPrimePulse;
    fromFile.MapMaxBits = current.MapMaxBits;
    fromFile.MapMinBits = current.MapMinBits;
    fromFile.LaunchControlRpm = current.LaunchControlRpm;
    fromFile.IacType = current.IacType;
    fromFile.IacColdRpm = current.IacColdRpm;
    fromFile.IacColdPosition = current.IacColdPosition;
    fromFile.IacHotRpm = current.IacHotRpm;
    fromFile.IacHotPosition = current.IacHotPosition;
    fromFile.IacTemp = current.IacTemp;
    fromFile.IacTravel = current.IacTravel;
    if (!hasWheelType) {
        fromFile.WheelType = current.WheelType;
    }
    return fromFile;
}

} // namespace

TEST(EcuFileWrite, RecordsGiveTheGoldenFiles) {
    // The changed record carries distinct table values, negative 16- and
    // 32-bit values and non-default values everywhere.
    EXPECT_EQ(writeEcuFile(startupRecord()).toStdString(),
              golden("defaults-2.52.ecu").toStdString());
    EXPECT_EQ(writeEcuFile(changedRecord()).toStdString(),
              golden("changed-2.52.ecu").toStdString());
}

TEST(EcuFileWrite, TablesFollowTheIndexLimits) {
    EcuSettings s = changedRecord();
    s.LoadIndexMax = 11;
    s.RpmIndexMax = 15;
    // The golden file (16 rows of 16 values) with both tables cut to 12 rows.
    QByteArrayList expected = splitLines(golden("changed-2.52.ecu"));
    for (const char* heading : {"\" Fuel Table\"", "\"Ignition Table\""}) {
        const qsizetype at = expected.indexOf(heading);
        ASSERT_GT(at, 0) << heading;
        expected.remove(at + 13, 4);
        for (int l = 1; l <= 12; ++l) {
            EXPECT_EQ(expected[at + l].count(','), 16);
        }
    }
    EXPECT_EQ(writeEcuFile(s).toStdString(), fileText(expected).toStdString());
}

TEST(EcuFileRead, EveryVersionRestoresTheFieldsItCarries) {
    struct Case {
        const char* file;
        EcuFileVersion version;
        bool complete;
        bool hasWheelType;
    };
    const Case cases[] = {{"changed-2.52.ecu", EcuFileVersion::V2_52, true, true},
                          {"changed-1.08.ecu", EcuFileVersion::V1_08, false, true},
                          {"changed-1.07.ecu", EcuFileVersion::V1_07, false, false}};
    EcuSettings current = distinctRecord();
    current.WheelType = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const EcuFileReadResult result = readEcuFile(golden(c.file), current);
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        EXPECT_EQ(result.version, c.version);
        const EcuSettings expected =
            c.complete ? changedRecord()
                       : withFieldsOfOldFileMissing(changedRecord(), current, c.hasWheelType);
        EXPECT_TRUE(*result.settings == expected);
    }
    const EcuFileReadResult startup =
        readEcuFile(golden("defaults-2.52.ecu"), EcuSettings::withDefaults());
    ASSERT_TRUE(startup.ok()) << startup.error.toStdString();
    EXPECT_TRUE(*startup.settings == startupRecord());
}

// Unknown versions are named in their shortest form; trailing zeros of a
// known version do not matter.
TEST(EcuFileRead, VersionsAreComparedAsNumbers) {
    QByteArrayList lines = splitLines(golden("changed-2.52.ecu"));
    const std::pair<const char*, const char*> cases[] = {
        {"2.5", "Invalid Data File Version 2.5"}, {"2.50", "Invalid Data File Version 2.5"},
        {"3", "Invalid Data File Version 3"},     {"1.071", "Invalid Data File Version 1.071"},
        {"0", "Invalid Data File Version 0"},     {"2.520", ""},
    };
    for (const auto& [version, message] : cases) {
        lines[0] = scalar("File Version", version);
        const EcuFileReadResult result = readEcuFile(fileText(lines), distinctRecord());
        EXPECT_EQ(result.error.toStdString(), message) << version;
        EXPECT_EQ(result.ok() && *result.settings == changedRecord(), *message == '\0') << version;
    }
}

TEST(EcuFileRead, MalformedFilesChangeNothingAndNameTheLine) {
    const QByteArrayList good = splitLines(golden("changed-2.52.ecu"));
    struct Case {
        const char* what;
        int line; // 1-based
        QByteArray text;
    };
    const std::vector<Case> cases{
        {"16-bit value too large", 11, scalar("Accel Min Tps", "70000")},
        {"16-bit value too small", 2, scalar("Number Of Cylinders", "-32769")},
        {"32-bit value too large", 3, scalar("Max Rpm", "2147483648")},
        {"byte value too large", 7, scalar("Map Sensor Type", "256")},
        {"byte value negative", 7, scalar("Map Sensor Type", "-1")},
        {"text in place of a number", 8, scalar("Rev Limit", "\"8700\"")},
        {"word in place of a number", 9, scalar("Injection Load Index", "abc")},
        {"fraction in a whole-number field", 10, scalar("Injection Rpm Index", "1.5")},
        {"empty value", 54, scalar("IAC Travel", "")},
        {"table value too large", 60,
         "70000,171,163,154,146,137,129,120,112,103,100,100,100,100,100,100,100,"},
        {"table row one value short", 90,
         "160,161,162,163,164,165,166,167,168,169,170,171,172,173,174,"},
        {"table row one value long", 90,
         "160,161,162,163,164,165,166,167,168,169,170,171,172,173,174,175,176,"},
        {"user output with a word", 77, "1,11,x"},
        {"missing empty line", 55, "\"stray\""},
    };
    for (const Case& c : cases) {
        QByteArrayList lines = good;
        lines[c.line - 1] = c.text;
        const EcuFileReadResult result = readEcuFile(fileText(lines), distinctRecord());
        EXPECT_FALSE(result.ok()) << c.what;
        EXPECT_FALSE(result.settings.has_value()) << c.what;
        EXPECT_EQ(result.errorLine, c.line) << c.what << ": " << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(QStringLiteral("line %1").arg(c.line)))
            << c.what << ": " << result.error.toStdString();
    }
}

TEST(EcuFileRead, FileCutShortAnywhereIsRefused) {
    const QByteArrayList lines = splitLines(golden("changed-2.52.ecu"));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QByteArray text = fileText(lines.mid(0, n));
        const EcuFileReadResult result = readEcuFile(text, distinctRecord());
        EXPECT_FALSE(result.ok()) << "cut after " << n << " lines";
        EXPECT_TRUE(result.error.startsWith("Data file not loaded - line "))
            << result.error.toStdString();
    }
    // Cut inside a data line: the row ends early.
    const QByteArray whole = fileText(lines);
    const qsizetype cut = whole.indexOf("\" Fuel Table\"") + 30;
    EXPECT_FALSE(readEcuFile(whole.left(cut), distinctRecord()).ok());
}

TEST(EcuFileRead, NothingAfterTheEndMarkerMattersAndLineFeedsAlone) {
    QByteArray text = golden("changed-2.52.ecu") + "trailing junk\r\n";
    text.replace("\r\n", "\n");
    const EcuFileReadResult result = readEcuFile(text, distinctRecord());
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_TRUE(*result.settings == changedRecord());
}

TEST(EcuFileRead, TablesAreReadForTheCurrentIndexLimits) {
    EcuSettings current = distinctRecord();
    current.LoadIndexMax = 11;
    current.FuelTable[12][0] = 555;
    EcuSettings fromFile = changedRecord();
    fromFile.LoadIndexMax = 11;
    fromFile.FuelTable[11][15] = 99;
    const EcuFileReadResult result = readEcuFile(writeEcuFile(fromFile), current);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.settings->FuelTable[11][15], 99);
    // Rows beyond the limit keep their values.
    EXPECT_EQ(result.settings->FuelTable[12], current.FuelTable[12]);

    // A file of 16 rows does not fit 12: the thirteenth row meets the gap.
    EXPECT_FALSE(readEcuFile(golden("changed-2.52.ecu"), current).ok());
}

TEST(EcuFileRoundTrip, RandomisedRecordsSurviveWriteAndRead) {
    std::mt19937 random(20240607);
    const EcuSettings base = distinctRecord();
    for (int round = 0; round < 25; ++round) {
        EcuSettings s = base;
        for (const EcuFileScalar& line : ecuFileScalars()) {
            if (!line.isField()) {
                continue;
            }
            switch (line.width) {
            case EcuFileWidth::Byte:
                line.set(s, std::uniform_int_distribution<int>(0, 255)(random));
                break;
            case EcuFileWidth::Int16:
                line.set(s, std::uniform_int_distribution<int>(INT16_MIN, INT16_MAX)(random));
                break;
            default:
                line.set(s, std::uniform_int_distribution<int32_t>(INT32_MIN, INT32_MAX)(random));
                break;
            }
        }
        for (EcuFileSection& section : ecuFileSections(s)) {
            for (auto& cells : section.rows) {
                for (EcuFileCell& cell : cells) {
                    if (auto* p = std::get_if<int16_t*>(&cell)) {
                        **p = static_cast<int16_t>(
                            std::uniform_int_distribution<int>(INT16_MIN, INT16_MAX)(random));
                    } else {
                        *std::get<int32_t*>(cell) =
                            std::uniform_int_distribution<int32_t>(INT32_MIN, INT32_MAX)(random);
                    }
                }
            }
        }
        const EcuFileReadResult result = readEcuFile(writeEcuFile(s), base);
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        EXPECT_TRUE(*result.settings == s) << "round " << round;
    }
}

TEST(EcuFileSave, CutShortWriteDoesNotReplaceThePreviousFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("engine.ecu");
    const QByteArray previous = writeEcuFile(distinctRecord());
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(previous);
    }
    // Limit the size of any file this process writes, so that the new file
    // cannot be completed (this holds for every user, root included). The
    // final flush fails part-way; committing regardless would leave a
    // cut-short file in place of the previous one.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    const EcuFileSaveResult saved = saveEcuFile(path, changedRecord());
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_FALSE(saved.ok());
    EXPECT_TRUE(
        saved.error.startsWith(QStringLiteral("Error - %1 - ").arg(int(QFileDevice::WriteError))))
        << saved.error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), previous);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"engine.ecu"});
    EXPECT_FALSE(saved.error.contains("Unknown error")) << saved.error.toStdString();
}

TEST(EcuFileSave, MissingFolderIsReportedWithNumberAndDescription) {
    QTemporaryDir dir;
    const QString path = dir.filePath("no such folder/engine.ecu");
    const EcuFileSaveResult saved = saveEcuFile(path, distinctRecord());
    EXPECT_FALSE(saved.ok());
    const QString prefix = QStringLiteral("Error - %1 - ").arg(int(QFileDevice::OpenError));
    EXPECT_TRUE(saved.error.startsWith(prefix)) << saved.error.toStdString();
    EXPECT_GT(saved.error.size(), prefix.size());
    EXPECT_FALSE(QFile::exists(path));
}

TEST(EcuFileLoad, MissingFileIsReported) {
    QTemporaryDir dir;
    const EcuFileReadResult result = loadEcuFile(dir.filePath("absent.ecu"), distinctRecord());
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error.startsWith("Error - ")) << result.error.toStdString();
}
