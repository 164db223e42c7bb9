#include "files/EcuFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>
#include <signal.h>
#include <sys/resource.h>

namespace {

// The file text is built here line by line from the format's description,
// independently of the writer.

QByteArray label(const char* name) {
    QByteArray text(name);
    text.append(QByteArray(24 - text.size(), ' '));
    return '"' + text + '"';
}

QByteArray scalar(const char* name, const QByteArray& value) {
    return label(name) + ',' + value;
}

QByteArray scalar(const char* name, qint64 value) {
    return scalar(name, QByteArray::number(value));
}

QByteArray row(const std::vector<qint64>& values, bool trailingComma = true) {
    QByteArrayList items;
    for (qint64 v : values) {
        items << QByteArray::number(v);
    }
    return items.join(',') + (trailingComma ? "," : "");
}

std::vector<qint64> curveValues(const EcuSettings::Curve& curve, int count = 17) {
    return {curve.begin(), curve.begin() + count};
}

// The scalar lines of version 2.52 for a record, in file order.
QByteArrayList scalarLines252(const EcuSettings& s) {
    return {
        scalar("File Version", "2.52"),
        scalar("Number Of Cylinders", s.NumberOfCylinders),
        scalar("Max Rpm", s.MaxRpm),
        scalar("Air TempSensor Type", s.AirTempSensorType),
        scalar("Water Temp Sensor Type", s.WaterTempSensorType),
        scalar("Tps Sensor Type", s.TpsSensorType),
        scalar("Map Sensor Type", s.MapSensorType),
        scalar("Rev Limit", s.RevLimit),
        scalar("Injection Load Index", s.InjectionLoadIndex),
        scalar("Injection Rpm Index", s.InjectionRpmIndex),
        scalar("Accel Min Tps", s.AccelMinTps),
        scalar("Accel Min Tps Rate", s.AccelMinTpsRate),
        scalar("Accel Percent", s.AccelPercent),
        scalar("Accel Duration", s.AccelDuration),
        scalar("Accel Rpm", s.AccelRpm),
        scalar("Decel Min Tps", s.DecelMinTps),
        scalar("Decel Max Rpm", s.DecelMaxRpm),
        scalar("Decel Cut Rpm", s.DecelCutRpm),
        scalar("Crank Percent   0 Deg", s.CrankPercent[0]),
        scalar("Crank Percent  80 Deg", s.CrankPercent[1]),
        scalar("Crank Percent 160 Deg", s.CrankPercent[2]),
        scalar("Crank Percent 240 Deg", s.CrankPercent[3]),
        scalar("Crank Duration", s.CrankDuration),
        scalar("Crank Rpm", s.CrankRpm),
        scalar("Crank Prime Pulse", s.CrankPrimePulse),
        scalar("Bank 2 Compensation", s.BankCompensation[2]),
        scalar("Bank 3 Compensation", s.BankCompensation[3]),
        scalar("Bank 4 Compensation", s.BankCompensation[4]),
        scalar("Load Control", s.LoadControl),
        scalar("Min Open Time", s.MinOpenTime),
        scalar("Ignition Type", s.IgnitionType),
        scalar("Tps Max Bits", s.TpsMaxBits),
        scalar("Tps Min Bits", s.TpsMinBits),
        scalar("MAP Max Bits", s.MapMaxBits),
        scalar("MAP Min Bits", s.MapMinBits),
        scalar("Charge Time", s.ChargeTime),
        scalar("EGO Control", s.EgoControl),
        scalar("EGO Gain I", s.EgoGainI),
        scalar("EGO Gain P", s.EgoGainP),
        scalar("EGO Update Revs", s.EgoUpdateRevs),
        scalar("EGO Min Coolant Temp", s.EgoMinCoolantTemp),
        scalar("EGO Max Load", s.EgoMaxLoad),
        scalar("EGO Min Load", s.EgoMinLoad),
        scalar("EGO Max Rpm", s.EgoMaxRpm),
        scalar("EGO Min Rpm", s.EgoMinRpm),
        scalar("Wheel Type", s.WheelType),
        scalar("Launch Control Rpm", s.LaunchControlRpm),
        scalar("IAC Type", s.IacType),
        scalar("IAC Cold RPM", s.IacColdRpm),
        scalar("IAC Cold position", s.IacColdPosition),
        scalar("IAC Hot RPM", s.IacHotRpm),
        scalar("IAC Hot position", s.IacHotPosition),
        scalar("IAC Temp", s.IacTemp),
        scalar("IAC Travel", s.IacTravel),
    };
}

// Version 1.08 lacks Decel Cut Rpm, the crank percentages, the prime pulse,
// the MAP bits, launch control and the idle air values, and carries three
// values that are dropped on reading. Version 1.07 also lacks Wheel Type.
QByteArrayList scalarLinesOld(const EcuSettings& s, const char* version, bool withWheelType) {
    QByteArrayList lines{
        scalar("File Version", version),
        scalar("Number Of Cylinders", s.NumberOfCylinders),
        scalar("Max Rpm", s.MaxRpm),
        scalar("Air TempSensor Type", s.AirTempSensorType),
        scalar("Water Temp Sensor Type", s.WaterTempSensorType),
        scalar("Tps Sensor Type", s.TpsSensorType),
        scalar("Map Sensor Type", s.MapSensorType),
        scalar("Rev Limit", s.RevLimit),
        scalar("Injection Load Index", s.InjectionLoadIndex),
        scalar("Injection Rpm Index", s.InjectionRpmIndex),
        scalar("Accel Min Tps", s.AccelMinTps),
        scalar("Accel Min Tps Rate", s.AccelMinTpsRate),
        scalar("Accel Percent", s.AccelPercent),
        scalar("Accel Duration", s.AccelDuration),
        scalar("Accel Rpm", s.AccelRpm),
        scalar("Decel Min Tps", s.DecelMinTps),
        scalar("Decel Max Rpm", s.DecelMaxRpm),
        scalar("Crank Percent", "47.5"),
        scalar("Crank Duration", s.CrankDuration),
        scalar("Crank Rpm", s.CrankRpm),
        scalar("Prime Pulse", "3"),
        scalar("Bank 2 Compensation", s.BankCompensation[2]),
        scalar("Bank 3 Compensation", s.BankCompensation[3]),
        scalar("Bank 4 Compensation", s.BankCompensation[4]),
        scalar("Bank Spare", "-1.25"),
        scalar("Load Control", s.LoadControl),
        scalar("Min Open Time", s.MinOpenTime),
        scalar("Ignition Type", s.IgnitionType),
        scalar("Tps Max Bits", s.TpsMaxBits),
        scalar("Tps Min Bits", s.TpsMinBits),
        scalar("Charge Time", s.ChargeTime),
        scalar("EGO Control", s.EgoControl),
        scalar("EGO Gain I", s.EgoGainI),
        scalar("EGO Gain P", s.EgoGainP),
        scalar("EGO Update Revs", s.EgoUpdateRevs),
        scalar("EGO Min Coolant Temp", s.EgoMinCoolantTemp),
        scalar("EGO Max Load", s.EgoMaxLoad),
        scalar("EGO Min Load", s.EgoMinLoad),
        scalar("EGO Max Rpm", s.EgoMaxRpm),
        scalar("EGO Min Rpm", s.EgoMinRpm),
    };
    if (withWheelType) {
        lines << scalar("Wheel Type", s.WheelType);
    }
    return lines;
}

// The ten table sections and the end marker.
QByteArrayList sectionLines(const EcuSettings& s) {
    QByteArrayList lines;
    lines << ""
          << "\" Air Temp Compensation - Fuel\"" << row(curveValues(s.AirTempFuelComp));
    lines << ""
          << "\" Water Temp Compensation - Fuel\"" << row(curveValues(s.WaterTempFuelComp));
    lines << ""
          << "\" Battery Volt Compensation - Fuel\"" << row(curveValues(s.BatteryVoltFuelComp));
    lines << ""
          << "\" Air Temp Compensation - Ignition\"" << row(curveValues(s.AirTempIgnitionComp));
    lines << ""
          << "\" User Input Analog\"";
    for (int i = 0; i < 3; ++i) {
        std::vector<qint64> values{s.UserInputAnalogMode[i]};
        for (qint64 v : curveValues(s.UserInputAnalogTable[i])) {
            values.push_back(v);
        }
        lines << row(values);
    }
    lines << ""
          << "\" User Input Digital\""
          << row({s.UserInputDigitalMode[0], s.UserInputDigitalMode[1], s.UserInputDigitalMode[2]});
    lines << ""
          << "\" User Output\"";
    for (int i = 0; i < 4; ++i) {
        lines << row({s.UserOutputType[i], s.UserOutputOff[i], s.UserOutputOn[i]}, false);
    }
    lines << ""
          << "\" Fuel Table\"";
    for (int l = 0; l <= s.LoadIndexMax; ++l) {
        lines << row({s.FuelTable[l].begin(), s.FuelTable[l].begin() + s.RpmIndexMax + 1});
    }
    lines << ""
          << "\"Ignition Table\"";
    for (int l = 0; l <= s.LoadIndexMax; ++l) {
        lines << row({s.IgnitionTable[l].begin(), s.IgnitionTable[l].begin() + s.RpmIndexMax + 1});
    }
    lines << ""
          << "\" Extra Stuff\"" << row({s.UC_Extra.begin(), s.UC_Extra.end()})
          << row({s.UI_Extra.begin(), s.UI_Extra.end()});
    lines << "\"-----End of Data File-----\"";
    return lines;
}

QByteArray fileText(const QByteArrayList& lines) {
    return lines.join("\r\n") + "\r\n";
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
    s.DecelCutRpm = 3;
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

QByteArrayList splitLines(const QByteArray& text) {
    QByteArrayList lines = text.split('\n');
    EXPECT_TRUE(lines.last().isEmpty()) << "the last line must end with a line break";
    lines.removeLast();
    for (QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << "line without CR LF: " << line.constData();
        line.chop(1);
    }
    return lines;
}

} // namespace

TEST(EcuFileWrite, DefaultRecordGivesTheExactFileText) {
    const EcuSettings s = distinctRecord();
    const QByteArray expected = fileText(scalarLines252(s) + sectionLines(s));
    EXPECT_EQ(writeEcuFile(s).toStdString(), expected.toStdString());
}

TEST(EcuFileWrite, LayoutOfTheStartUpDefaults) {
    const QByteArrayList lines = splitLines(writeEcuFile(distinctRecord()));
    // 54 scalar lines, ten sections of an empty line, a heading and their
    // data lines (1+1+1+1+3+1+4+16+16+2), then the end marker.
    ASSERT_EQ(lines.size(), 54 + 10 * 2 + 46 + 1);
    EXPECT_EQ(lines[0], "\"File Version            \",2.52");
    EXPECT_EQ(lines[1], "\"Number Of Cylinders     \",4");
    EXPECT_EQ(lines[18], "\"Crank Percent   0 Deg   \",50");
    EXPECT_EQ(lines[53], "\"IAC Travel              \",254");
    for (int i = 0; i < 54; ++i) {
        ASSERT_EQ(lines[i].indexOf("\","), 25) << lines[i].constData();
        EXPECT_TRUE(lines[i].startsWith('"'));
        EXPECT_FALSE(lines[i].endsWith(','));
    }
    EXPECT_EQ(lines[54], "");
    EXPECT_EQ(lines[55], "\" Air Temp Compensation - Fuel\"");
    EXPECT_EQ(lines[56], "120,120,118,115,112,109,106,103,100,100,100,101,102,103,104,105,106,");
    EXPECT_EQ(lines[67], "\" User Input Analog\"");
    EXPECT_EQ(lines[68], "0,23,23,23,23,23,23,23,23,23,23,23,23,23,23,23,23,23,");
    EXPECT_EQ(lines[73], "0,0,3,");
    EXPECT_EQ(lines[75], "\" User Output\"");
    EXPECT_EQ(lines[76], "1,11,21");
    EXPECT_EQ(lines[79], "4,14,24");
    EXPECT_EQ(lines[81], "\" Fuel Table\"");
    EXPECT_EQ(lines[98], "");
    EXPECT_EQ(lines[99], "\"Ignition Table\"");
    EXPECT_EQ(lines[116], "");
    EXPECT_EQ(lines[117], "\" Extra Stuff\"");
    EXPECT_EQ(lines[118], "100,110,120,130,140,");
    EXPECT_EQ(lines[119], "65535,65535,65535,65535,65535,");
    EXPECT_EQ(lines[120], "\"-----End of Data File-----\"");
}

TEST(EcuFileWrite, NegativeValuesAreWrittenSigned) {
    EcuSettings s = distinctRecord();
    s.DecelCutRpm = -5;
    s.UI_Extra[4] = -100000;
    const QByteArrayList lines = splitLines(writeEcuFile(s));
    EXPECT_EQ(lines[17], "\"Decel Cut Rpm           \",-5");
    EXPECT_EQ(lines[119], "65535,65535,65535,65535,-100000,");
}

TEST(EcuFileWrite, TablesFollowTheIndexLimits) {
    EcuSettings s = distinctRecord();
    s.LoadIndexMax = 11;
    s.RpmIndexMax = 15;
    const QByteArrayList lines = splitLines(writeEcuFile(s));
    const qsizetype fuel = lines.indexOf("\" Fuel Table\"");
    ASSERT_GT(fuel, 0);
    for (int l = 0; l < 12; ++l) {
        const QByteArray& line = lines[fuel + 1 + l];
        EXPECT_EQ(line.count(','), 16) << line.constData();
        EXPECT_TRUE(line.startsWith(QByteArray::number(l * 16) + ','));
    }
    EXPECT_EQ(lines[fuel + 13], "");
    EXPECT_EQ(lines[fuel + 14], "\"Ignition Table\"");
    EXPECT_EQ(fileText(lines), fileText(scalarLines252(s) + sectionLines(s)));
}

TEST(EcuFileRead, Version252RestoresEveryStoredField) {
    const EcuSettings s = changedRecord();
    const EcuFileReadResult result =
        readEcuFile(fileText(scalarLines252(s) + sectionLines(s)), distinctRecord());
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.version, EcuFileVersion::V2_52);
    EXPECT_TRUE(*result.settings == s);
}

TEST(EcuFileRead, Version108KeepsTheFieldsItLacks) {
    const EcuSettings current = distinctRecord();
    const EcuSettings fromFile = changedRecord();
    const QByteArray text =
        fileText(scalarLinesOld(fromFile, "1.08", true) + sectionLines(fromFile));
    const EcuFileReadResult result = readEcuFile(text, current);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.version, EcuFileVersion::V1_08);
    const EcuSettings& got = *result.settings;
    EXPECT_EQ(got.WheelType, 3);
    EXPECT_EQ(got.DecelCutRpm, 0);
    EXPECT_EQ(got.CrankPercent, (std::array<int16_t, 4>{50, 50, 50, 50}));
    EXPECT_EQ(got.MapMaxBits, 255);
    EXPECT_EQ(got.LaunchControlRpm, 5000);
    EXPECT_EQ(got.IacTravel, 254);
    EXPECT_TRUE(got == withFieldsOfOldFileMissing(fromFile, current, true));
}

TEST(EcuFileRead, Version107AlsoKeepsWheelType) {
    EcuSettings current = distinctRecord();
    current.WheelType = 2;
    const EcuSettings fromFile = changedRecord();
    const QByteArray text =
        fileText(scalarLinesOld(fromFile, "1.07", false) + sectionLines(fromFile));
    const EcuFileReadResult result = readEcuFile(text, current);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.version, EcuFileVersion::V1_07);
    EXPECT_EQ(result.settings->WheelType, 2);
    EXPECT_EQ(result.settings->NumberOfCylinders, 6);
    EXPECT_TRUE(*result.settings == withFieldsOfOldFileMissing(fromFile, current, false));
}

TEST(EcuFileRead, UnknownVersionsAreRefusedInTheirShortestForm) {
    const EcuSettings s = distinctRecord();
    QByteArrayList lines = scalarLines252(s) + sectionLines(s);
    const std::pair<const char*, const char*> cases[] = {
        {"2.5", "Invalid Data File Version 2.5"}, {"2.50", "Invalid Data File Version 2.5"},
        {"3", "Invalid Data File Version 3"},     {"1.071", "Invalid Data File Version 1.071"},
        {"0", "Invalid Data File Version 0"},
    };
    for (const auto& [version, message] : cases) {
        lines[0] = scalar("File Version", version);
        const EcuFileReadResult result = readEcuFile(fileText(lines), s);
        EXPECT_FALSE(result.ok()) << version;
        EXPECT_EQ(result.error.toStdString(), message);
    }
}

TEST(EcuFileRead, VersionWrittenWithExtraZerosIsAccepted) {
    const EcuSettings s = changedRecord();
    QByteArrayList lines = scalarLines252(s) + sectionLines(s);
    lines[0] = scalar("File Version", "2.520");
    const EcuFileReadResult result = readEcuFile(fileText(lines), distinctRecord());
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_TRUE(*result.settings == s);
}

TEST(EcuFileRead, MalformedFilesChangeNothingAndNameTheLine) {
    const EcuSettings s = changedRecord();
    const QByteArrayList good = scalarLines252(s) + sectionLines(s);
    struct Case {
        const char* what;
        int line; // 1-based
        QByteArray text;
        int reportedLine;
    };
    const std::vector<Case> cases{
        {"16-bit value too large", 11, scalar("Accel Min Tps", 70000), 11},
        {"16-bit value too small", 2, scalar("Number Of Cylinders", -32769), 2},
        {"32-bit value too large", 3, scalar("Max Rpm", "2147483648"), 3},
        {"byte value too large", 7, scalar("Map Sensor Type", 256), 7},
        {"byte value negative", 7, scalar("Map Sensor Type", -1), 7},
        {"text in place of a number", 8, scalar("Rev Limit", "\"8700\""), 8},
        {"word in place of a number", 9, scalar("Injection Load Index", "abc"), 9},
        {"fraction in a whole-number field", 10, scalar("Injection Rpm Index", "1.5"), 10},
        {"empty value", 54, scalar("IAC Travel", ""), 54},
        {"table value too large", 60,
         "70000,171,163,154,146,137,129,120,112,103,100,100,100,100,"
         "100,100,100,",
         60},
        {"table row one value short", 90,
         "160,161,162,163,164,165,166,167,168,169,170,171,172,173,174,", 90},
        {"table row one value long", 90,
         "160,161,162,163,164,165,166,167,168,169,170,171,172,173,174,175,176,", 90},
        {"user output with a word", 77, "1,11,x", 77},
        {"missing empty line", 55, "\"stray\"", 55},
    };
    for (const Case& c : cases) {
        QByteArrayList lines = good;
        lines[c.line - 1] = c.text;
        const EcuFileReadResult result = readEcuFile(fileText(lines), distinctRecord());
        EXPECT_FALSE(result.ok()) << c.what;
        EXPECT_FALSE(result.settings.has_value()) << c.what;
        EXPECT_EQ(result.errorLine, c.reportedLine) << c.what << ": " << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(QStringLiteral("line %1").arg(c.reportedLine)))
            << c.what << ": " << result.error.toStdString();
    }
}

TEST(EcuFileRead, FileCutShortAnywhereIsRefused) {
    const EcuSettings s = changedRecord();
    const QByteArrayList lines = scalarLines252(s) + sectionLines(s);
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
    const EcuFileReadResult result = readEcuFile(whole.left(cut), distinctRecord());
    EXPECT_FALSE(result.ok());
}

TEST(EcuFileRead, NothingAfterTheEndMarkerMattersAndLineFeedsAlone) {
    const EcuSettings s = changedRecord();
    QByteArray text = fileText(scalarLines252(s) + sectionLines(s)) + "trailing junk\r\n";
    text.replace("\r\n", "\n");
    const EcuFileReadResult result = readEcuFile(text, distinctRecord());
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_TRUE(*result.settings == s);
}

TEST(EcuFileRead, TablesAreReadForTheCurrentIndexLimits) {
    EcuSettings current = distinctRecord();
    current.LoadIndexMax = 11;
    current.FuelTable[12][0] = 555;
    EcuSettings fromFile = changedRecord();
    fromFile.LoadIndexMax = 11;
    fromFile.FuelTable[11][15] = 99;
    const EcuFileReadResult result =
        readEcuFile(fileText(scalarLines252(fromFile) + sectionLines(fromFile)), current);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.settings->FuelTable[11][15], 99);
    // Rows beyond the limit keep their values.
    EXPECT_EQ(result.settings->FuelTable[12], current.FuelTable[12]);

    // A file of 16 rows does not fit 12: the thirteenth row meets the gap.
    const EcuFileReadResult wrong = readEcuFile(
        fileText(scalarLines252(changedRecord()) + sectionLines(changedRecord())), current);
    EXPECT_FALSE(wrong.ok());
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

TEST(EcuFileSave, WritesTheFileAndLoadReadsItBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("engine.ecu");
    const EcuSettings s = changedRecord();
    const EcuFileSaveResult saved = saveEcuFile(path, s);
    ASSERT_TRUE(saved.ok()) << saved.error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), writeEcuFile(s));
    const EcuFileReadResult loaded = loadEcuFile(path, distinctRecord());
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    EXPECT_TRUE(*loaded.settings == s);
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
