// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/SettingsStore.h"
#include "StoreRecord.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Sent {
    int code;
    int index1;
    int index2;
    bool operator==(const Sent&) const = default;
};

class SettingsStoreTest : public ::testing::Test {
protected:
    SettingsStoreTest() {
        record = EcuSettings::withDefaults();
        store.setSender([this](int code, int i1, int i2) { sent.push_back({code, i1, i2}); });
        QObject::connect(&store, &SettingsStore::changed,
                         [this](const SettingsChange& change) { changes.push_back(change); });
    }

    SettingsStore store;
    EcuSettings& record = recordOf(store);
    std::vector<Sent> sent;
    std::vector<SettingsChange> changes;
};

TEST_F(SettingsStoreTest, AValueIsSentAndAnnouncedOnlyWhenItDiffers) {
    EXPECT_FALSE(store.setValue(FieldId::RevLimit, 8700)); // the default
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(changes.empty());

    EXPECT_TRUE(store.setValue(FieldId::RevLimit, 9000));
    EXPECT_EQ(record.RevLimit, 9000);
    EXPECT_EQ(sent, (std::vector<Sent>{{194, 0, 0}}));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_TRUE(changes[0].touches(FieldId::RevLimit));
    EXPECT_FALSE(changes[0].touches(FieldId::MaxRpm));

    store.setValue(FieldId::RevLimit, 9000, SettingsStore::Send::Always);
    store.setValue(FieldId::InjectorCloseAngle, 9); // no command carries it
    store.setValue(FieldId::RevLimit, 9100, SettingsStore::Send::Never);
    EXPECT_EQ(sent, (std::vector<Sent>{{194, 0, 0}, {194, 0, 0}}));
    EXPECT_EQ(record.InjectorCloseAngle, 9);
    EXPECT_EQ(record.RevLimit, 9100);
}

TEST_F(SettingsStoreTest, CellsAreSentInTheGivenOrderAndAnnouncedOnce) {
    const int before = record.FuelTable[2][3];
    store.setCells(FieldId::FuelTable, {{2, 3, before}, {1, 5, 77}, {2, 4, 99}},
                   SettingsStore::Send::Always);
    EXPECT_EQ(sent, (std::vector<Sent>{{240, 2, 3}, {240, 1, 5}, {240, 2, 4}}));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].cells, (std::vector<FieldCell>{{1, 5, 77}, {2, 4, 99}}));

    sent.clear();
    store.setCells(FieldId::AirTempFuelComp, {{0, 0, 120}, {4, 0, 1}},
                   SettingsStore::Send::IfChanged);
    EXPECT_EQ(sent, (std::vector<Sent>{{224, 4, 0}}));
}

TEST_F(SettingsStoreTest, IndexesOutsideTheArrayChangeNothing) {
    EXPECT_FALSE(store.setValue(FieldId::FuelTable, 5, SettingsStore::Send::Always, 17, 0));
    EXPECT_FALSE(store.setValue(FieldId::AirTempFuelComp, 5, SettingsStore::Send::Always, -1));
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(changes.empty());
}

TEST_F(SettingsStoreTest, AWholeRecordIsAnnouncedWithItsOriginAndNotSent) {
    EcuSettings loaded = record;
    loaded.NumberOfCylinders = 6;
    store.replace(loaded, ChangeOrigin::File);
    store.modify(ChangeOrigin::Check, [](EcuSettings& s) { s.IgnitionType = 2; });
    EXPECT_EQ(record.NumberOfCylinders, 6);
    EXPECT_EQ(record.IgnitionType, 2);
    EXPECT_TRUE(sent.empty());
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_TRUE(changes[0].wholeRecord);
    EXPECT_EQ(changes[0].origin, ChangeOrigin::File);
    EXPECT_EQ(changes[1].origin, ChangeOrigin::Check);
}

// Shown values and typed values through the field table's conversions: the
// typed value is limited, converted back and rounded half to even.
TEST(FieldConversions, ShownAndTypedValues) {
    EcuSettings s = EcuSettings::withDefaults();
    s.MapSensorType = 1;
    struct Case {
        FieldId field;
        int64_t raw;
        double shown;
        double typed;
        int64_t stored;
    };
    const Case cases[] = {
        {FieldId::TpsMaxBits, 200, 200 * 5.0 / 255.0, 1.97, 100}, // 100.47 rounds to 100
        {FieldId::TpsMaxBits, 0, 0.0, 9.0, 255},                  // limited to 5 V
        {FieldId::MinOpenTime, 19, 1.1875, 0.1, 4},               // limited to 0.25 ms
        {FieldId::ChargeTime, 30, 3.0, 4.25, 42},                 // 42.5 to even
        {FieldId::EgoGainP, 2, 0.2, 0.25, 2},                     // 2.5 to even
        {FieldId::RevLimit, 8700, 8700, 20000, 16500},
        {FieldId::MapMaxBits, 255, 15.192962, 50.0, 255},
        {FieldId::EgoMinCoolantTemp, 90, 150.0, 150.0, 90},
    };
    for (const Case& c : cases) {
        const FieldRow& row = fieldRow(c.field);
        EXPECT_NEAR(shownValue(row, s, c.raw), c.shown, 1e-4) << row.name;
        EXPECT_EQ(rawValue(row, s, c.typed), c.stored) << row.name;
    }
}

} // namespace
