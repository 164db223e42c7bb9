// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConsistencyCheck.h"

#include "RecordingInteraction.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Sent {
    int command;
    int index1;
    int index2;
    bool operator==(const Sent&) const = default;
};

// Records every command together with the record's state at the moment of
// sending, as the protocol takes the value from the record.
struct Recorder {
    std::vector<Sent> sent;
    std::vector<EcuSettings> snapshots;
    const EcuSettings* record = nullptr;

    CommandSender sender() {
        return [this](int command, int index1, int index2) {
            sent.push_back({command, index1, index2});
            snapshots.push_back(*record);
        };
    }

    std::vector<int> commands() const {
        std::vector<int> codes;
        for (const auto& s : sent) {
            codes.push_back(s.command);
        }
        return codes;
    }
};

QString composed(const QStringList& fixes) {
    QString text = QStringLiteral("Data Error Found and Fixed!\r\n\r\n");
    for (const QString& fix : fixes) {
        text += fix + QStringLiteral("\r\n");
    }
    return text + QStringLiteral("\r\n\r\nPlease Save Data");
}

class ConsistencyCheck : public ::testing::Test {
protected:
    QString check(const CheckContext& context = {}) {
        recorder.record = &settings;
        return checkForBadData(settings, context, recorder.sender());
    }

    EcuSettings settings = EcuSettings::withDefaults();
    Recorder recorder;
};

} // namespace

TEST_F(ConsistencyCheck, CleanRecordSendsNothingAndShowsNothing) {
    const EcuSettings before = settings;
    const QString message = check();
    EXPECT_TRUE(message.isEmpty());
    EXPECT_TRUE(recorder.sent.empty());
    EXPECT_EQ(settings, before);

    RecordingInteraction ui;
    showBadDataMessage(ui, message);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ConsistencyCheck, CylinderFixComesBeforeTheDistributorFix) {
    settings.NumberOfCylinders = 5;
    settings.IgnitionType = 0;
    const QString message = check();
    EXPECT_EQ(settings.NumberOfCylinders, 6);
    EXPECT_EQ(settings.IgnitionType, 2);
    EXPECT_EQ(recorder.commands(), (std::vector<int>{190, 195}));
    EXPECT_EQ(message, composed({QStringLiteral(" Number of Cylinders set to 6"),
                                 QStringLiteral("Can only use a distributor")}));
}

TEST_F(ConsistencyCheck, FixIsStoredBeforeItsCommandIsSent) {
    settings.NumberOfCylinders = 5;
    settings.IgnitionType = 0;
    check();
    ASSERT_EQ(recorder.snapshots.size(), 2u);
    EXPECT_EQ(recorder.snapshots[0].NumberOfCylinders, 6);
    EXPECT_EQ(recorder.snapshots[1].IgnitionType, 2);
    EXPECT_EQ(recorder.sent[0], (Sent{190, 0, 0}));
}

TEST_F(ConsistencyCheck, DistributorLimitIsSixCylindersWithTheThirdCodeSection) {
    settings.NumberOfCylinders = 6;
    CheckContext extended;
    extended.codeSectionFlags[2] = true;
    EXPECT_TRUE(check(extended).isEmpty());
    EXPECT_FALSE(check().isEmpty());
    EXPECT_EQ(recorder.commands(), (std::vector<int>{195}));

    settings.NumberOfCylinders = 8;
    settings.IgnitionType = 2;
    EXPECT_TRUE(check().isEmpty());
}

TEST_F(ConsistencyCheck, MaxRpmLimitIsFiveThousandsTruncated) {
    settings.MaxRpm = 17999;
    EXPECT_TRUE(check().isEmpty());

    settings.MaxRpm = 18000;
    const QString message = check();
    EXPECT_EQ(settings.MaxRpm, 6000);
    EXPECT_EQ(recorder.commands(), (std::vector<int>{191}));
    EXPECT_EQ(message, composed({QStringLiteral(" Max Rpm set to 6000")}));

    settings.MaxRpm = -2999;
    EXPECT_TRUE(check().isEmpty());
    settings.MaxRpm = -3000;
    EXPECT_FALSE(check().isEmpty());
}

TEST_F(ConsistencyCheck, EqualSensorLimitsResetBothAndSendBoth) {
    settings.TpsMaxBits = 100;
    settings.TpsMinBits = 100;
    const QString message = check();
    EXPECT_EQ(settings.TpsMaxBits, 255);
    EXPECT_EQ(settings.TpsMinBits, 0);
    EXPECT_EQ(recorder.commands(), (std::vector<int>{187, 186}));
    EXPECT_EQ(message, composed({QStringLiteral(" Tps Max set to 5.0V Min set to 0.0V ")}));

    recorder.sent.clear();
    settings.MapMaxBits = 10;
    settings.MapMinBits = 200;
    EXPECT_EQ(check(), composed({QStringLiteral(" Map Max set to 5.0V Min set to 0.0V ")}));
    EXPECT_EQ(settings.MapMaxBits, 255);
    EXPECT_EQ(settings.MapMinBits, 0);
    EXPECT_EQ(recorder.commands(), (std::vector<int>{188, 189}));
}

TEST_F(ConsistencyCheck, EgoInputModeNeedsTheEgoSectionAndTakesEgoControlWithIt) {
    settings.UserInputAnalogMode[0] = 3;
    settings.EgoControl = 1;
    const QString message = check();
    EXPECT_EQ(settings.UserInputAnalogMode[0], 0);
    EXPECT_EQ(settings.EgoControl, 0);
    EXPECT_EQ(recorder.commands(), (std::vector<int>{214, 136}));
    EXPECT_EQ(message, composed({QStringLiteral(" User Analog Input 1 turned off "),
                                 QStringLiteral(" EGO Control Turned off ")}));
}

TEST_F(ConsistencyCheck, EgoInputModeIsKeptInDeveloperModeOrWithTheEgoSection) {
    settings.UserInputAnalogMode[0] = 3;
    settings.EgoControl = 1;
    CheckContext developer;
    developer.developerMode = true;
    EXPECT_TRUE(check(developer).isEmpty());
    CheckContext egoSection;
    egoSection.codeSectionFlags[0] = true;
    EXPECT_TRUE(check(egoSection).isEmpty());
    EXPECT_EQ(settings.EgoControl, 1);
}

TEST_F(ConsistencyCheck, EgoControlWithoutTheEgoInputIsTurnedOff) {
    settings.UserInputAnalogMode[0] = 1;
    settings.EgoControl = 2;
    EXPECT_EQ(check(), composed({QStringLiteral(" EGO Control Turned off ")}));
    EXPECT_EQ(recorder.commands(), (std::vector<int>{136}));
}

TEST_F(ConsistencyCheck, BankLimitsAreInclusive) {
    settings.BankCompensation[2] = 75;
    settings.BankCompensation[3] = 125;
    settings.BankCompensation[4] = 126;
    check();
    EXPECT_EQ(recorder.commands(), (std::vector<int>{148}));
}

TEST_F(ConsistencyCheck, WheelTypeIsCheckedOnlyWithTheFourthCodeSection) {
    settings.WheelType = 2;
    EXPECT_TRUE(check().isEmpty());
    CheckContext wheel;
    wheel.codeSectionFlags[3] = true;
    EXPECT_EQ(check(wheel), composed({QStringLiteral(" Pickup Wheel set to 12-1")}));
    EXPECT_EQ(settings.WheelType, 1);
    EXPECT_EQ(recorder.commands(), (std::vector<int>{149}));
}

TEST_F(ConsistencyCheck, EveryRuleFiresInTableOrderIntoOneMessage) {
    settings.AirTempSensorType = 2;
    settings.WaterTempSensorType = -1;
    settings.LoadControl = 3;
    settings.MapSensorType = 200;
    settings.TpsSensorType = 2;
    settings.MinOpenTime = 3;
    settings.NumberOfCylinders = 12;
    settings.MaxRpm = 21000;
    settings.WheelType = 5;
    settings.UserOutputType = {6, -1, 6, 7};
    settings.UserInputAnalogMode = {4, 4, -1};
    settings.EgoControl = 1;
    settings.UserInputDigitalMode = {5, 4, 4};
    settings.TpsMaxBits = 0;
    settings.TpsMinBits = 1;
    settings.MapMaxBits = 0;
    settings.MapMinBits = 0;
    settings.InjectionLoadIndex = 17;
    settings.InjectionRpmIndex = -1;
    settings.BankCompensation[2] = 74;
    settings.BankCompensation[3] = 200;
    settings.BankCompensation[4] = -5;
    settings.IgnitionType = 1;
    settings.IacType = 3;

    CheckContext context;
    context.codeSectionFlags[3] = true;
    const QString message = check(context);

    const QString expected = "Data Error Found and Fixed!\r\n\r\n"
                             " Air Temp Sensor turned off\r\n"
                             " Water Temp Sensor turned off\r\n"
                             " Load Control set to Map\r\n"
                             " Map Sensor set to 1 Atm\r\n"
                             " Tps Sensor set on\r\n"
                             " Minimum Open Time set to 0.25\r\n"
                             " Number of Cylinders set to 6\r\n"
                             " Max Rpm set to 6000\r\n"
                             " Pickup Wheel set to 12-1\r\n"
                             " User Output 1 turned off \r\n"
                             " User Output 2 turned off \r\n"
                             " User Output 3 turned off \r\n"
                             " User Output 4 turned off \r\n"
                             " User Analog Input 1 turned off \r\n"
                             " EGO Control Turned off \r\n"
                             " User Analog Input 2 turned off \r\n"
                             " User Analog Input 3 turned off \r\n"
                             " User Digital Input 1 turned off \r\n"
                             " User Digital Input 2 turned off \r\n"
                             " User Digital Input 3 turned off \r\n"
                             " Tps Max set to 5.0V Min set to 0.0V \r\n"
                             " Map Max set to 5.0V Min set to 0.0V \r\n"
                             " Injector once per cycle - Load index turned off\r\n"
                             " Injector once per cycle - Rpm index turned off\r\n"
                             "Cylinder Bank 2 Compensation turned off\r\n"
                             "Cylinder Bank 3 Compensation turned off\r\n"
                             "Cylinder Bank 4 Compensation turned off\r\n"
                             "Can only use a distributor\r\n"
                             "IAC turned off\r\n"
                             "\r\n\r\n"
                             "Please Save Data";
    EXPECT_EQ(message, expected);

    EXPECT_EQ(recorder.commands(),
              (std::vector<int>{183, 184, 192, 182, 185, 193, 190, 191, 149, 198, 201,
                                204, 207, 214, 136, 215, 216, 210, 211, 212, 187, 186,
                                188, 189, 196, 197, 146, 147, 148, 195, 150}));
    for (const auto& sent : recorder.sent) {
        EXPECT_EQ(sent.index1, 0);
        EXPECT_EQ(sent.index2, 0);
    }

    EXPECT_EQ(settings.AirTempSensorType, 0);
    EXPECT_EQ(settings.WaterTempSensorType, 0);
    EXPECT_EQ(settings.LoadControl, 1);
    EXPECT_EQ(settings.MapSensorType, 1);
    EXPECT_EQ(settings.TpsSensorType, 1);
    EXPECT_EQ(settings.MinOpenTime, 4);
    EXPECT_EQ(settings.NumberOfCylinders, 6);
    EXPECT_EQ(settings.MaxRpm, 6000);
    EXPECT_EQ(settings.WheelType, 1);
    EXPECT_EQ(settings.UserOutputType, (std::array<int16_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(settings.UserInputAnalogMode, (std::array<int16_t, 3>{0, 0, 0}));
    EXPECT_EQ(settings.EgoControl, 0);
    EXPECT_EQ(settings.UserInputDigitalMode, (std::array<int16_t, 3>{0, 0, 0}));
    EXPECT_EQ(settings.MapMaxBits, 255);
    EXPECT_EQ(settings.InjectionLoadIndex, 16);
    EXPECT_EQ(settings.InjectionRpmIndex, 0);
    EXPECT_EQ(settings.BankCompensation, (std::array<int16_t, 5>{0, 0, 100, 100, 100}));
    EXPECT_EQ(settings.IgnitionType, 2);
    EXPECT_EQ(settings.IacType, 0);

    // The repaired record passes a second check untouched.
    recorder.sent.clear();
    EXPECT_TRUE(check(context).isEmpty());
    EXPECT_TRUE(recorder.sent.empty());
}

TEST_F(ConsistencyCheck, BoundaryValuesThatPass) {
    settings.AirTempSensorType = 0;
    settings.LoadControl = 2;
    settings.MapSensorType = 3;
    settings.TpsSensorType = 0;
    settings.MinOpenTime = 4;
    settings.NumberOfCylinders = 1;
    settings.MaxRpm = 0;
    settings.UserOutputType = {5, 0, 5, 0};
    settings.UserInputAnalogMode = {2, 3, 3};
    settings.UserInputDigitalMode = {4, 3, 3};
    settings.InjectionLoadIndex = 0;
    settings.InjectionRpmIndex = 16;
    settings.IacType = 2;
    EXPECT_TRUE(check().isEmpty());
    EXPECT_TRUE(recorder.sent.empty());
}

TEST_F(ConsistencyCheck, MessageIsShownAsAnErrorTitledWithTheProgramName) {
    settings.IacType = 9;
    RecordingInteraction ui;
    showBadDataMessage(ui, check());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, composed({QStringLiteral("IAC turned off")}));
    EXPECT_EQ(ui.messages[0].icon, UserInteraction::Icon::Critical);
    EXPECT_EQ(ui.messages[0].buttons, UserInteraction::Buttons::Ok);
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Vantrel"));
}
