// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConsistencyCheck.h"

#include "comm/EcuProtocol.h"
#include "config/CustomIo.h"
#include "record/FieldTable.h"
#include "record/Rounding.h"
#include "record/SettingCodes.h"
#include "record/UserInteraction.h"

#include <QStringList>

namespace {

using F = FieldId;

const QString kLineBreak = QStringLiteral("\r\n");

bool outside(int value, int low, int high) {
    return value < low || value > high;
}

// Collects the fixes: each one stores its field first, because the protocol
// sends the value held in the record.
class Fixer {
public:
    explicit Fixer(const CommandSender& send) : m_send(send) {}

    template <typename Field, typename Value>
    void fix(Field& field, Value value, FieldId id, const QString& text) {
        field = static_cast<Field>(value);
        sendCommand(fieldRow(id).writeCode);
        m_fixes.append(text);
    }

    // Resets a pair of sensor limits to the converter's full range, the
    // maximum first.
    void fixLimits(int16_t& max, int16_t& min, FieldId maxId, FieldId minId, const QString& text) {
        max = 255;
        min = 0;
        sendCommand(fieldRow(maxId).writeCode);
        sendCommand(fieldRow(minId).writeCode);
        m_fixes.append(text);
    }

    QString message() const {
        if (m_fixes.isEmpty()) {
            return {};
        }
        QString text = QStringLiteral("Data Error Found and Fixed!") + kLineBreak + kLineBreak;
        for (const QString& fix : m_fixes) {
            text += fix + kLineBreak;
        }
        text += kLineBreak + kLineBreak + QStringLiteral("Please Save Data");
        return text;
    }

private:
    void sendCommand(int command) {
        if (m_send) {
            m_send(command, 0, 0);
        }
    }

    const CommandSender& m_send;
    QStringList m_fixes;
};

} // namespace

QString checkForBadData(EcuSettings& s, const CheckContext& context, const CommandSender& send) {
    Fixer f(send);

    if (outside(s.AirTempSensorType, toCode(SensorFitted::None), toCode(SensorFitted::Fitted))) {
        f.fix(s.AirTempSensorType, SensorFitted::None, F::AirTempSensorType,
              QStringLiteral(" Air Temp Sensor turned off"));
    }
    if (outside(s.WaterTempSensorType, toCode(SensorFitted::None), toCode(SensorFitted::Fitted))) {
        f.fix(s.WaterTempSensorType, SensorFitted::None, F::WaterTempSensorType,
              QStringLiteral(" Water Temp Sensor turned off"));
    }
    if (outside(s.LoadControl, toCode(LoadControl::Map), toCode(LoadControl::Tps))) {
        f.fix(s.LoadControl, LoadControl::Map, F::LoadControl,
              QStringLiteral(" Load Control set to Map"));
    }
    if (mapSensor(s) > MapSensor::ThreeAtm) {
        f.fix(s.MapSensorType, MapSensor::OneAtm, F::MapSensorType,
              QStringLiteral(" Map Sensor set to 1 Atm"));
    }
    if (outside(s.TpsSensorType, toCode(SensorFitted::None), toCode(SensorFitted::Fitted))) {
        f.fix(s.TpsSensorType, SensorFitted::Fitted, F::TpsSensorType,
              QStringLiteral(" Tps Sensor set on"));
    }
    if (s.MinOpenTime < 4) {
        f.fix(s.MinOpenTime, 4, F::MinOpenTime, QStringLiteral(" Minimum Open Time set to 0.25"));
    }
    const int16_t cylinders = s.NumberOfCylinders;
    if (cylinders != 1 && cylinders != 4 && cylinders != 6 && cylinders != 8) {
        f.fix(s.NumberOfCylinders, 6, F::NumberOfCylinders,
              QStringLiteral(" Number of Cylinders set to 6"));
    }
    if (outside(static_cast<int>(truncDiv(s.MaxRpm, 3000)), 0, 5)) {
        f.fix(s.MaxRpm, 6000, F::MaxRpm, QStringLiteral(" Max Rpm set to 6000"));
    }
    if (context.codeSectionFlags[3] && outside(s.WheelType, toCode(WheelType::TwelveMinusThree),
                                               toCode(WheelType::TwelveMinusOne))) {
        f.fix(s.WheelType, WheelType::TwelveMinusOne, F::WheelType,
              QStringLiteral(" Pickup Wheel set to 12-1"));
    }
    for (int n = 0; n < EcuSettings::kUserOutputs; ++n) {
        if (outside(s.UserOutputType[static_cast<std::size_t>(n)], toCode(OutputSource::Off),
                    toCode(OutputSource::Tps))) {
            f.fix(s.UserOutputType[static_cast<std::size_t>(n)], OutputSource::Off,
                  outputTypeField(n), QStringLiteral(" User Output %1 turned off ").arg(n + 1));
        }
    }

    // Mode 3 (EGO sensor) of analog input 1 needs the closed-loop EGO section.
    const AnalogInputMode analogOneLimit = (context.codeSectionFlags[0] || context.developerMode)
                                               ? AnalogInputMode::Ego
                                               : AnalogInputMode::IgnitionDegrees;
    if (outside(s.UserInputAnalogMode[0], toCode(AnalogInputMode::Off), toCode(analogOneLimit))) {
        f.fix(s.UserInputAnalogMode[0], AnalogInputMode::Off, F::UserInputAnalogMode0,
              QStringLiteral(" User Analog Input 1 turned off "));
    }
    // Closed-loop EGO reads its sensor on analog input 1.
    if (analogInputMode(s, 0) != AnalogInputMode::Ego && egoControl(s) != EgoControl::Off) {
        f.fix(s.EgoControl, EgoControl::Off, F::EgoControl,
              QStringLiteral(" EGO Control Turned off "));
    }
    if (outside(s.UserInputAnalogMode[1], toCode(AnalogInputMode::Off),
                toCode(AnalogInputMode::Ego))) {
        f.fix(s.UserInputAnalogMode[1], AnalogInputMode::Off, F::UserInputAnalogMode1,
              QStringLiteral(" User Analog Input 2 turned off "));
    }
    if (outside(s.UserInputAnalogMode[2], toCode(AnalogInputMode::Off),
                toCode(AnalogInputMode::Ego))) {
        f.fix(s.UserInputAnalogMode[2], AnalogInputMode::Off, F::UserInputAnalogMode2,
              QStringLiteral(" User Analog Input 3 turned off "));
    }
    if (outside(s.UserInputDigitalMode[0], toCode(DigitalInputMode::Off),
                toCode(DigitalInputMode::SecondaryRevLimit))) {
        f.fix(s.UserInputDigitalMode[0], DigitalInputMode::Off, F::UserInputDigitalMode0,
              QStringLiteral(" User Digital Input 1 turned off "));
    }
    if (outside(s.UserInputDigitalMode[1], toCode(DigitalInputMode::Off),
                toCode(DigitalInputMode::CutEngine))) {
        f.fix(s.UserInputDigitalMode[1], DigitalInputMode::Off, F::UserInputDigitalMode1,
              QStringLiteral(" User Digital Input 2 turned off "));
    }
    if (outside(s.UserInputDigitalMode[2], toCode(DigitalInputMode::Off),
                toCode(DigitalInputMode::CutEngine))) {
        f.fix(s.UserInputDigitalMode[2], DigitalInputMode::Off, F::UserInputDigitalMode2,
              QStringLiteral(" User Digital Input 3 turned off "));
    }

    if (s.TpsMaxBits <= s.TpsMinBits) {
        f.fixLimits(s.TpsMaxBits, s.TpsMinBits, F::TpsMaxBits, F::TpsMinBits,
                    QStringLiteral(" Tps Max set to 5.0V Min set to 0.0V "));
    }
    if (s.MapMaxBits <= s.MapMinBits) {
        f.fixLimits(s.MapMaxBits, s.MapMinBits, F::MapMaxBits, F::MapMinBits,
                    QStringLiteral(" Map Max set to 5.0V Min set to 0.0V "));
    }

    if (outside(s.InjectionLoadIndex, 0, 16)) {
        f.fix(s.InjectionLoadIndex, 16, F::InjectionLoadIndex,
              QStringLiteral(" Injector once per cycle - Load index turned off"));
    }
    if (outside(s.InjectionRpmIndex, 0, 16)) {
        f.fix(s.InjectionRpmIndex, 0, F::InjectionRpmIndex,
              QStringLiteral(" Injector once per cycle - Rpm index turned off"));
    }
    for (int bank = 2; bank <= 4; ++bank) {
        auto& compensation = s.BankCompensation[static_cast<std::size_t>(bank)];
        if (outside(compensation, 75, 125)) {
            f.fix(compensation, 100,
                  static_cast<FieldId>(static_cast<int>(F::BankCompensation2) + bank - 2),
                  QStringLiteral("Cylinder Bank %1 Compensation turned off").arg(bank));
        }
    }

    // Above the cylinder count the ignition outputs can serve, only a
    // distributor can fire the plugs.
    const int coilDrivers = context.codeSectionFlags[2] ? 6 : 4;
    if (s.NumberOfCylinders > coilDrivers && ignitionType(s) != IgnitionType::Distributor) {
        f.fix(s.IgnitionType, IgnitionType::Distributor, F::IgnitionType,
              QStringLiteral("Can only use a distributor"));
    }
    if (iacType(s) > IacType::Ford) {
        f.fix(s.IacType, IacType::None, F::IacType, QStringLiteral("IAC turned off"));
    }

    return f.message();
}

void showBadDataMessage(UserInteraction& ui, const QString& message) {
    if (message.isEmpty()) {
        return;
    }
    ui.message(message, UserInteraction::Icon::Critical, UserInteraction::Buttons::Ok,
               UserInteraction::kTitle);
}

void checkSettings(EcuProtocol& protocol, EcuSettings& record) {
    AppState& state = protocol.state();
    const CheckContext context{state.DeveloperMode, state.CodeSectionFlags};
    showBadDataMessage(protocol.ui(), checkForBadData(record, context, protocol.commandSender()));
}
