// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CompensationBoxes.h"
#include "StoreRecord.h"

#include "record/SensorConversions.h"
#include "record/SettingsStore.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct BoxCase {
    FieldId field;
    int64_t stored;
    const char* typed; // null: retyped as shown without its blank
    int64_t expected;
    const char* shown; // afterwards
    std::vector<int> sends;
};

// The compensation and EGO boxes (the EGO boxes convert as their fields do):
// whole numbers divided with the remainder
// dropped, limits before conversion, and nothing sent for an entry that
// comes to the stored count or to the value shown.
TEST(CompensationEntryTest, BoxesClampRoundDivideAndSendOnlyChanges) {
    using F = FieldId;
    const std::vector<BoxCase> cases{
        {F::CrankPercent0, 100, "250", 125, " 250", {220}},
        {F::CrankPercent0, 100, "251", 125, " 250", {220}},
        {F::CrankPercent0, 125, "251", 125, " 250", {}},
        {F::CrankPercent3, 100, "99", 50, " 100", {228}},
        {F::AccelMinTpsRate, 2, "75", 1, " 50", {235}},
        {F::AccelMinTpsRate, 2, "2001", 40, " 2000", {235}},
        {F::AccelDuration, 0, "1.234", 123, " 1.23", {233}},
        {F::AccelDuration, 123, "1.234", 123, " 1.23", {}},
        {F::AccelDuration, 0, "3", 250, " 2.50", {233}},
        {F::CrankPrimePulse, 0, "2.3", 10, " 2.0", {231}},
        {F::DecelCutRpm, 0, "1234", 123, " 1230", {245}},
        {F::CrankDuration, 0, "10", 2, " 8", {230}},
        {F::CrankRpm, 400, "25000", 21000, " 21000", {229}},
        {F::BankCompensation2, 100, "130", 125, " 125", {146}},
        {F::BankCompensation4, 100, "70", 75, " 75", {148}},
        {F::BankCompensation3, 100, "x", 100, " 100", {}},
        {F::EgoGainP, 0, "2.34", 23, " 2.3", {131}},
        {F::EgoGainI, 0, "30", 250, " 25.0", {132}},
        {F::EgoUpdateRevs, 4, "300", 255, " 255", {134}},
        {F::EgoMinCoolantTemp, 100, nullptr, 100, nullptr, {}},
    };
    for (const BoxCase& c : cases) {
        SettingsStore store;
        EcuSettings& record = recordOf(store);
        std::vector<int> sent;
        store.setSender([&sent](int command, int, int) { sent.push_back(command); });
        store.setValue(c.field, c.stored, SettingsStore::Send::Never);
        const QString shown = entryText(record, c.field);
        const QString typed = c.typed != nullptr ? QString::fromUtf8(c.typed) : shown.trimmed();
        commitEntry(store, c.field, compensationEntryRule(c.field), shown, typed);
        const std::string trace = std::string(fieldRow(c.field).name) + " " + typed.toStdString();
        EXPECT_EQ(store.value(c.field), c.expected) << trace;
        EXPECT_EQ(sent, c.sends) << trace;
        if (c.shown != nullptr) {
            EXPECT_EQ(entryText(record, c.field), c.shown) << trace;
        }
    }
    // 500 degrees is held to 300 before conversion.
    SettingsStore store;
    EcuSettings& record = recordOf(store);
    commitEntry(store, F::EgoMinCoolantTemp, {}, entryText(record, F::EgoMinCoolantTemp), "500");
    EXPECT_EQ(record.EgoMinCoolantTemp, degreesToTempCounts(300.0f));
}

TEST(CompensationEntryTest, SensorsFittedDecideWhichBoxesCanBeEdited) {
    EcuSettings s;
    s.TpsSensorType = 0;
    s.WaterTempSensorType = 0;
    EXPECT_FALSE(compensationBoxEnabled(FieldId::AccelRpm, s));
    EXPECT_FALSE(compensationBoxEnabled(FieldId::DecelCutRpm, s));
    EXPECT_FALSE(compensationBoxEnabled(FieldId::CrankPercent1, s));
    EXPECT_TRUE(compensationBoxEnabled(FieldId::CrankPercent0, s));
    EXPECT_TRUE(compensationBoxEnabled(FieldId::BankCompensation2, s));
    s.TpsSensorType = 1;
    s.WaterTempSensorType = 1;
    EXPECT_TRUE(compensationBoxEnabled(FieldId::AccelRpm, s));
    EXPECT_TRUE(compensationBoxEnabled(FieldId::CrankPercent3, s));
}

TEST(EgoListsTest, RpmAndLoadEntriesByLoadControl) {
    EcuSettings s;
    EXPECT_EQ(egoRpmEntries(7500).mid(0, 3), (QStringList{" 0", " 500", " 1000"}));
    s.LoadControl = 2;
    const QStringList tps = egoLoadEntries(s);
    EXPECT_EQ(tps.first(), "105.0 %");
    EXPECT_EQ(tps[2], " 91.0 %");
    EXPECT_EQ(tps.last(), "  0.0 %");
    s.LoadControl = 3;
    EXPECT_EQ(egoLoadEntries(s).first(), " 5.0 Volts");
    s.LoadControl = 1;
    s.MapSensorType = 2;
    EXPECT_TRUE(egoLoadEntries(s).first().endsWith(" psi"));
    EXPECT_EQ(egoEntryIndex(15, 16), 15);
    EXPECT_EQ(egoEntryIndex(16, 16), 0);
    EXPECT_EQ(egoEntryIndex(2, 2), 0);
}

} // namespace
