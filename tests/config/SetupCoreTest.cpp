// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreRecord.h"
#include "config/CustomIo.h"
#include "config/FieldHelp.h"
#include "config/SetupLists.h"

#include "RecordingInteraction.h"
#include "record/SettingsStore.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// A store on a record of its own that notes every command it sends.
struct StoreFixture {
    SettingsStore store;
    EcuSettings& record = recordOf(store);
    std::vector<int> sent;

    StoreFixture() {
        record.MapSensorType = 1;
        record.MaxRpm = 9000;
        store.setSender([this](int command, int, int) { sent.push_back(command); });
    }
};

struct BoxCase {
    FieldId field;
    int64_t stored;
    const char* typed; // null: the box is left as shown
    int64_t expected;
    std::vector<int> sends;
};

// Each box of the engine and sensor pages: the shown text survives untouched,
// and typed text is limited, converted, rounded and compared as the count to
// be stored. TPS minimum 100 and maximum 200, MAP minimum 0 and maximum 200 on
// the one-atmosphere sensor, MaxRpm 9000.
TEST(SetupEntryTest, BoxesStoreTheRoundedCountOnlyForChangedText) {
    const std::vector<BoxCase> cases{
        {FieldId::MapMaxBits, 200, nullptr, 200, {}}, // shows 12.2, which would give 199
        {FieldId::TpsMaxBits, 200, nullptr, 200, {}}, // shows 3.92, which would give 199.92
        {FieldId::TpsMaxBits, 200, "1.97", 200, {}},  // 100.47 stores 100, equal to the minimum
        {FieldId::TpsMaxBits, 200, "2,5", 128, {187}},
        {FieldId::TpsMinBits, 100, "1.96", 100, {}},  // 99.96 rounds to the stored 100
        {FieldId::TpsMinBits, 100, "3.95", 100, {}},  // 201 would pass the maximum
        {FieldId::MapMaxBits, 200, "20", 255, {188}}, // above the sensor's range
        {FieldId::MapMinBits, 0, "12.2", 199, {189}},
        {FieldId::MapMinBits, 0, "12.3", 0, {}}, // count 201 passes the maximum
        {FieldId::RevLimit, 6000, "20000", 16500, {194}},
        {FieldId::RevLimit, 6000, "999.4", 1000, {194}},
        {FieldId::RevLimit, 6000, "abc", 6000, {}},
        {FieldId::RevLimit, 6000, "", 6000, {}},
        {FieldId::MinOpenTime, 16, "0.1", 4, {193}},
        {FieldId::MinOpenTime, 4, "1.03", 16, {193}},
        {FieldId::ChargeTime, 50, "2.5", 30, {227}},
        {FieldId::LaunchControlRpm, 3000, "12000", 9000, {237}},
    };
    for (const BoxCase& c : cases) {
        StoreFixture f;
        f.record.TpsMinBits = 100;
        f.record.TpsMaxBits = 200;
        f.record.MapMaxBits = 200;
        f.record.MapMinBits = 0;
        f.store.setValue(c.field, c.stored, SettingsStore::Send::Never);
        const QString shown = entryText(f.record, c.field);
        const QString typed = c.typed != nullptr ? QString::fromUtf8(c.typed) : shown;
        commitEntry(f.store, c.field, setupEntryRule(c.field), shown, typed);
        EXPECT_EQ(f.store.value(c.field), c.expected)
            << fieldRow(c.field).name << " " << typed.toStdString();
        EXPECT_EQ(f.sent, c.sends) << fieldRow(c.field).name << " " << typed.toStdString();
    }
}

// Eight cylinders need a distributor; six only without the third flag.
TEST(SetupListsTest, DistributorOnlyAboveTheWastedSparkLimit) {
    EXPECT_TRUE(distributorOnly(6, {}));
    EXPECT_FALSE(distributorOnly(6, {false, false, true, false}));
    EXPECT_TRUE(distributorOnly(8, {false, false, true, false}));
    EXPECT_FALSE(distributorOnly(4, {}));
}

TEST(SetupListsTest, StagedLoadListFollowsTheTablesLoadAxis) {
    EcuSettings s;
    s.LoadControl = 1;
    s.MapSensorType = 1;
    s.MapMaxBits = 200;
    s.MapMinBits = 50;
    const QStringList map = stagedLoadEntries(s);
    ASSERT_EQ(map.size(), 17);
    EXPECT_EQ(map.front(), " 12.2 psi"); // the top of the axis, count 200
    EXPECT_EQ(map[15], " 4.2 psi");      // the bottom, count 50
    EXPECT_EQ(map.back(), "Off");
    s.LoadControl = 2;
    EXPECT_EQ(stagedLoadEntries(s).front(), "105.0 %");
    s.LoadControl = 4;
    EXPECT_EQ(stagedLoadEntries(s), QStringList{"Off"});
    const QStringList rpm = stagedRpmEntries(9000);
    EXPECT_EQ(rpm.mid(0, 3), (QStringList{"Off", " 0", " 600"}));
}

struct SetPointCase {
    OutputSource source;
    const char* typed;
    int64_t count;
};

TEST(CustomOutputTest, TypedSetPointsBecomeCounts) {
    EcuSettings s;
    s.MaxRpm = 9000;
    s.MapSensorType = 1;
    const std::vector<SetPointCase> cases{
        {OutputSource::Rpm, "9049", 90},      {OutputSource::Rpm, "12000", 90},
        {OutputSource::Tps, "150", 100},      {OutputSource::AirTemp, "500", 0},
        {OutputSource::Tps, "abc", 0},        {OutputSource::Map, "10.0", 158},
        {OutputSource::WaterTemp, "156", 83},
    };
    for (const SetPointCase& c : cases) {
        EXPECT_EQ(setPointCount(s, static_cast<int>(c.source), QString::fromUtf8(c.typed)), c.count)
            << c.typed;
    }
    EXPECT_FALSE(setPointCount(s, static_cast<int>(OutputSource::Tps), QStringLiteral(" ")));
}

// A box left as shown keeps its count, though the text converts to another:
// MAP 159 shows 10.0 (158), temperature 84 shows 156 (83).
TEST(CustomOutputTest, UntouchedOrEqualSetPointsStoreNothing) {
    const std::vector<std::pair<OutputSource, int64_t>> cases{{OutputSource::Map, 159},
                                                              {OutputSource::WaterTemp, 84}};
    for (const auto& [source, count] : cases) {
        StoreFixture f;
        f.record.UserOutputType[1] = static_cast<int16_t>(source);
        f.record.UserOutputOn[1] = static_cast<int16_t>(count);
        f.record.UserOutputOff[1] = 10;
        const QString shown = setPointText(f.record, static_cast<int>(source), count);
        EXPECT_FALSE(commitSetPoint(f.store, 1, false, shown, shown));
        EXPECT_EQ(f.record.UserOutputOn[1], count);
        // Set point 2 typed as set point 1 shows is refused.
        EXPECT_FALSE(commitSetPoint(f.store, 1, true, QStringLiteral("x"), shown));
        EXPECT_TRUE(f.sent.empty());
    }
}

TEST(CustomOutputTest, SourceChangeSendsTypeThenBothDefaults) {
    StoreFixture f;
    RecordingInteraction ui;
    EXPECT_TRUE(changeOutputSource(f.store, ui, 2, static_cast<int>(OutputSource::Rpm)));
    EXPECT_EQ(f.sent, (std::vector<int>{204, 206, 205}));
    EXPECT_EQ(f.record.UserOutputOn[2], 90);
    EXPECT_EQ(f.record.UserOutputOff[2], 81);

    // No MAP sensor: the MAP source is refused with the reason.
    f.sent.clear();
    f.record.MapSensorType = 0;
    EXPECT_FALSE(changeOutputSource(f.store, ui, 0, static_cast<int>(OutputSource::Map)));
    EXPECT_TRUE(f.sent.empty());
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(f.record.UserOutputType[0], 0);
}

TEST(CustomInputTest, AnalogModeRefillsAndSendsItsTable) {
    StoreFixture f;
    f.record.EgoControl = 1;
    ASSERT_TRUE(changeAnalogMode(f.store, 0, 3)); // EGO: the middle of the sensor, 2.25 V
    std::vector<int> expected{214};
    expected.insert(expected.end(), 17, 217);
    EXPECT_EQ(f.sent, expected);
    EXPECT_EQ(f.record.UserInputAnalogTable[0][16], 115);
    EXPECT_EQ(f.record.EgoControl, 1);

    // Off keeps the points and still sends all 17; leaving EGO switches it
    // off.
    f.sent.clear();
    ASSERT_TRUE(changeAnalogMode(f.store, 0, 0));
    expected.push_back(136);
    EXPECT_EQ(f.sent, expected);
    EXPECT_EQ(f.record.EgoControl, 0);
    EXPECT_EQ(f.record.UserInputAnalogTable[0][0], 115);

    f.sent.clear();
    ASSERT_TRUE(changeAnalogMode(f.store, 2, 2));
    EXPECT_EQ(f.sent.size(), 18u);
    EXPECT_EQ(f.record.UserInputAnalogTable[2][5], 128);
    EXPECT_FALSE(changeAnalogMode(f.store, 2, 2));
}

// A box's What's This line states the limits its entry is held to, from the
// field table or the window's own rule, in the field's unit; a list's line
// names none.
TEST(FieldHelpTest, BoxLinesStateTheirLimits) {
    const struct {
        FieldId field;
        const char* limits; // null: no limits stated
    } cases[] = {
        {FieldId::RevLimit, "Limits: 1000 to 16500 rpm."},
        {FieldId::MinOpenTime, "Limits: 0.25 to 15.9375 ms."},
        {FieldId::ChargeTime, "Limits: 3 to 10 ms."},
        {FieldId::TpsMaxBits, "Limits: 0 to 5 V, and above the closed-throttle voltage."},
        {FieldId::MapMinBits, "Limits: the range of the MAP sensor fitted, and below the maximum."},
        {FieldId::LaunchControlRpm, "Limits: 1000 rpm to the Max Rpm of the Engine page."},
        {FieldId::CrankPercent2, "Limits: 100 to 500 %."},
        {FieldId::AccelMinTpsRate, "Limits: 50 to 2000 %/s."},
        {FieldId::EgoMinCoolantTemp, "Limits: -50 to 300 \u00b0F."},
        {FieldId::EgoGainP, "Limits: 0 to 25."},
        {FieldId::IacTemp, "Limits: 0 to 250 \u00b0F."},
        {FieldId::MaxRpm, nullptr},
        {FieldId::EgoMinLoad, nullptr},
        {FieldId::InjectionLoadIndex, nullptr},
    };
    for (const auto& c : cases) {
        const QString help = fieldHelp(c.field);
        SCOPED_TRACE(help.toStdString());
        ASSERT_FALSE(help.isEmpty());
        if (c.limits != nullptr) {
            EXPECT_TRUE(help.endsWith(QString::fromUtf8(c.limits)));
        } else {
            EXPECT_FALSE(help.contains("Limits"));
        }
    }
    EXPECT_TRUE(fieldHelp(FieldId::UserOutputOff2).startsWith("Set point 2 of custom output 3"));
    EXPECT_TRUE(fieldHelp(FieldId::FuelTable).isEmpty());
}

} // namespace
