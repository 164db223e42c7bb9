#include "config/ConsistencyCheck.h"

#include "comm/EcuProtocol.h"
#include "record/Rounding.h"
#include "record/UserInteraction.h"

#include <QStringList>

namespace {

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
    void fix(Field& field, Value value, int command, const QString& text) {
        field = static_cast<Field>(value);
        sendCommand(command);
        m_fixes.append(text);
    }

    // Resets a pair of sensor limits to the converter's full range, the
    // maximum first.
    void fixLimits(int16_t& max, int16_t& min, int maxCommand, int minCommand,
                   const QString& text) {
        max = 255;
        min = 0;
        sendCommand(maxCommand);
        sendCommand(minCommand);
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

    if (outside(s.AirTempSensorType, 0, 1)) {
        f.fix(s.AirTempSensorType, 0, 183, QStringLiteral(" Air Temp Sensor turned off"));
    }
    if (outside(s.WaterTempSensorType, 0, 1)) {
        f.fix(s.WaterTempSensorType, 0, 184, QStringLiteral(" Water Temp Sensor turned off"));
    }
    if (outside(s.LoadControl, 1, 2)) {
        f.fix(s.LoadControl, 1, 192, QStringLiteral(" Load Control set to Map"));
    }
    if (s.MapSensorType >= 4) {
        f.fix(s.MapSensorType, 1, 182, QStringLiteral(" Map Sensor set to 1 Atm"));
    }
    if (outside(s.TpsSensorType, 0, 1)) {
        f.fix(s.TpsSensorType, 1, 185, QStringLiteral(" Tps Sensor set on"));
    }
    if (s.MinOpenTime < 4) {
        f.fix(s.MinOpenTime, 4, 193, QStringLiteral(" Minimum Open Time set to 0.25"));
    }
    const int16_t cylinders = s.NumberOfCylinders;
    if (cylinders != 1 && cylinders != 4 && cylinders != 6 && cylinders != 8) {
        f.fix(s.NumberOfCylinders, 6, 190, QStringLiteral(" Number of Cylinders set to 6"));
    }
    if (outside(static_cast<int>(truncDiv(s.MaxRpm, 3000)), 0, 5)) {
        f.fix(s.MaxRpm, 6000, 191, QStringLiteral(" Max Rpm set to 6000"));
    }
    if (context.codeSectionFlags[3] && outside(s.WheelType, 0, 1)) {
        f.fix(s.WheelType, 1, 149, QStringLiteral(" Pickup Wheel set to 12-1"));
    }
    for (int n = 0; n < EcuSettings::kUserOutputs; ++n) {
        if (outside(s.UserOutputType[static_cast<std::size_t>(n)], 0, 5)) {
            f.fix(s.UserOutputType[static_cast<std::size_t>(n)], 0, 198 + 3 * n,
                  QStringLiteral(" User Output %1 turned off ").arg(n + 1));
        }
    }

    // Mode 3 (EGO sensor) of analog input 1 needs the closed-loop EGO section.
    const int analogOneLimit = (context.codeSectionFlags[0] || context.developerMode) ? 3 : 2;
    if (outside(s.UserInputAnalogMode[0], 0, analogOneLimit)) {
        f.fix(s.UserInputAnalogMode[0], 0, 214, QStringLiteral(" User Analog Input 1 turned off "));
    }
    // Closed-loop EGO reads its sensor on analog input 1.
    if (s.UserInputAnalogMode[0] != 3 && s.EgoControl != 0) {
        f.fix(s.EgoControl, 0, 136, QStringLiteral(" EGO Control Turned off "));
    }
    if (outside(s.UserInputAnalogMode[1], 0, 3)) {
        f.fix(s.UserInputAnalogMode[1], 0, 215, QStringLiteral(" User Analog Input 2 turned off "));
    }
    if (outside(s.UserInputAnalogMode[2], 0, 3)) {
        f.fix(s.UserInputAnalogMode[2], 0, 216, QStringLiteral(" User Analog Input 3 turned off "));
    }
    if (outside(s.UserInputDigitalMode[0], 0, 4)) {
        f.fix(s.UserInputDigitalMode[0], 0, 210,
              QStringLiteral(" User Digital Input 1 turned off "));
    }
    if (outside(s.UserInputDigitalMode[1], 0, 3)) {
        f.fix(s.UserInputDigitalMode[1], 0, 211,
              QStringLiteral(" User Digital Input 2 turned off "));
    }
    if (outside(s.UserInputDigitalMode[2], 0, 3)) {
        f.fix(s.UserInputDigitalMode[2], 0, 212,
              QStringLiteral(" User Digital Input 3 turned off "));
    }

    if (s.TpsMaxBits <= s.TpsMinBits) {
        f.fixLimits(s.TpsMaxBits, s.TpsMinBits, 187, 186,
                    QStringLiteral(" Tps Max set to 5.0V Min set to 0.0V "));
    }
    if (s.MapMaxBits <= s.MapMinBits) {
        f.fixLimits(s.MapMaxBits, s.MapMinBits, 188, 189,
                    QStringLiteral(" Map Max set to 5.0V Min set to 0.0V "));
    }

    if (outside(s.InjectionLoadIndex, 0, 16)) {
        f.fix(s.InjectionLoadIndex, 16, 196,
              QStringLiteral(" Injector once per cycle - Load index turned off"));
    }
    if (outside(s.InjectionRpmIndex, 0, 16)) {
        f.fix(s.InjectionRpmIndex, 0, 197,
              QStringLiteral(" Injector once per cycle - Rpm index turned off"));
    }
    for (int bank = 2; bank <= 4; ++bank) {
        auto& compensation = s.BankCompensation[static_cast<std::size_t>(bank)];
        if (outside(compensation, 75, 125)) {
            f.fix(compensation, 100, 144 + bank,
                  QStringLiteral("Cylinder Bank %1 Compensation turned off").arg(bank));
        }
    }

    // Above the cylinder count the ignition outputs can serve, only a
    // distributor can fire the plugs.
    const int coilDrivers = context.codeSectionFlags[2] ? 6 : 4;
    if (s.NumberOfCylinders > coilDrivers && s.IgnitionType != 2) {
        f.fix(s.IgnitionType, 2, 195, QStringLiteral("Can only use a distributor"));
    }
    if (s.IacType > 2) {
        f.fix(s.IacType, 0, 150, QStringLiteral("IAC turned off"));
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

void checkSettings(EcuProtocol& protocol) {
    AppState& state = protocol.state();
    const CheckContext context{state.DeveloperMode, state.CodeSectionFlags};
    showBadDataMessage(protocol.ui(),
                       checkForBadData(state.settings, context, protocol.commandSender()));
}
