#include "files/DataReport.h"

#include "record/AppState.h"
#include "record/LoadAxis.h"
#include "record/NumberFormat.h"
#include "record/SensorConversions.h"

#include <functional>

namespace {

const QString kMargin = QStringLiteral("  ");
// The second item of a two-item set-up line starts after the first item,
// padded to this width, and eleven blanks.
constexpr int kFirstItemWidth = 34;
const QString kItemGap(11, QLatin1Char(' '));
// Column widths of the curves and tables.
constexpr int kAnalogColumn = 5;
constexpr int kCurveColumn = 6;
constexpr int kFuelColumn = 7;
constexpr int kIgnitionColumn = 6;
// Fuel table counts are open times of (count + 1) sixteenths of a millisecond.
constexpr double kFuelStepMs = 0.0625;
// The four cranking points.
const char* const kCrankTemperatures[] = {" (0F), ", " (80F), ", " (160F), ", " (240F)"};

QString fmt(double value, const char* pattern) {
    return formatNumber(value, QString::fromLatin1(pattern));
}

QString num(int64_t value) {
    return QString::number(value);
}

QString pair(const QString& first, const QString& second) {
    return first.leftJustified(kFirstItemWidth) + kItemGap + second;
}

QString row(int count, int width, const std::function<QString(int)>& text) {
    QString line;
    for (int i = 0; i < count; ++i) {
        line += rightAlign(text(i), width);
    }
    return line;
}

// The load of a step 0..15 of the tables' load axis in the unit of the load
// control: MAP psi, throttle per cent or volts; nothing for any other load
// control.
QString loadText(const EcuSettings& s, int step, const char* psiUnit, const char* percentUnit,
                 const char* voltUnit) {
    const std::optional<double> load = loadOfStep(s, step);
    if (!load) {
        return {};
    }
    const char* units[] = {psiUnit, percentUnit, voltUnit};
    return fmt(*load, "##0.0") + QLatin1String(units[s.LoadControl - 1]);
}

QString mapSensorText(int type) {
    switch (type) {
    case 1:
        return QStringLiteral("Map 1-Bar");
    case 2:
        return QStringLiteral("Map 2-Bar");
    case 3:
        return QStringLiteral("Map 3-Bar");
    default:
        return QStringLiteral("Map Off  ");
    }
}

QString digitalInputText(const AppState& state, int mode) {
    switch (mode) {
    case 1:
        return QStringLiteral(" - Cut Fuel      ");
    case 2:
        return QStringLiteral(" - Cut Ignition  ");
    case 3:
        return QStringLiteral(" - Cut Engine    ");
    case 4:
        return QStringLiteral(" - Launch Control ") + QStringLiteral("( ") +
               fmt(state.settings.LaunchControlRpm, "####0") + QStringLiteral(" rpm)");
    default:
        return QStringLiteral(" - Off           ");
    }
}

// A custom output's switching point in the units of its source.
QString setPointText(const EcuSettings& s, int type, int raw) {
    switch (type) {
    case 1:
    case 2:
        return fmt(tempCountsToDegrees(raw & 0xFF), "###0") + QStringLiteral(" F");
    case 3:
        return fmt(raw * 100, "####0") + QStringLiteral(" rpm");
    case 4:
        return fmt(mapCountsToPsi(s.MapSensorType, raw & 0xFF), "###.0") + QStringLiteral(" psi");
    default:
        return fmt(raw, "###0") + QStringLiteral(" %");
    }
}

QString outputLine(const EcuSettings& s, int k) {
    static const char* const kSources[] = {" - Off         ", " - Air Temp    ", " - Water Temp  ",
                                           " - Rpm         ", " - Map         ", " - Tps         "};
    const int type = s.UserOutputType[k];
    QString line = QStringLiteral("Digital Output %1").arg(k + 1);
    if (type < 1 || type > 5) {
        return line + QLatin1String(kSources[0]);
    }
    return line + QLatin1String(kSources[type]) + QStringLiteral("  On = ") +
           setPointText(s, type, s.UserOutputOn[k]) + QStringLiteral("  Off= ") +
           setPointText(s, type, s.UserOutputOff[k]);
}

QString analogLine(const EcuSettings& s, int n) {
    const QString line = QStringLiteral("Analog %1").arg(n + 1);
    const auto& table = s.UserInputAnalogTable[n];
    const auto values = [&](const std::function<QString(int)>& text) {
        return row(EcuSettings::kCurveSent, kAnalogColumn, text);
    };
    switch (s.UserInputAnalogMode[n]) {
    case 1:
        return line + QStringLiteral("  Fuel Percent    ") +
               values([&](int k) { return num(table[k]); });
    case 2:
        return line + QStringLiteral("  Ignition Angle  ") +
               values([&](int k) { return num(table[k] - 128); });
    case 3:
        return line + QStringLiteral("  EGO Setpoint     ") +
               values([&](int k) { return fmt(table[k] * 5.0 / 255.0, "#0.00"); });
    default:
        return line + QStringLiteral("  Off") + QStringLiteral(" - not being used ");
    }
}

void engineSetup(QStringList& out, const AppState& state) {
    const EcuSettings& s = state.settings;
    out << pair(QStringLiteral("Max Rpm             ") + num(s.MaxRpm),
                QStringLiteral("Number of Cylinders ") + num(s.NumberOfCylinders));
    out << pair(QStringLiteral("Rev Limit           ") + num(s.RevLimit),
                QStringLiteral("Min Open Time      ") + fmt(s.MinOpenTime * 0.0625, "###0.0000") +
                    QStringLiteral(" ms        "));
    out << pair(QStringLiteral("Charge Time        ") + fmt(s.ChargeTime / 10.0, "###0.0") +
                    QStringLiteral(" ms        "),
                QStringLiteral("Pickup Wheel        ") +
                    (s.WheelType != 0 ? QStringLiteral("12-1") : QStringLiteral("12-3")));
    QString load;
    switch (s.LoadControl) {
    case 1:
        load = QStringLiteral("    Map");
        break;
    case 2:
        load = QStringLiteral("    Tps");
        break;
    case 3:
        load = QStringLiteral("(0-5) Volts");
        break;
    default:
        break;
    }
    out << pair(QStringLiteral("Load Control    ") + load,
                QStringLiteral("Ignition Type      ") + (s.IgnitionType == 2
                                                             ? QStringLiteral("   Distributor")
                                                             : QStringLiteral("   Wasted Spark")));
    if (s.TpsSensorType != 0) {
        out << QStringLiteral("Tps                 ") + fmt(s.TpsMaxBits * 5.0 / 255.0, "##0.0") +
                   QStringLiteral(" Open Volts  ") + fmt(s.TpsMinBits * 5.0 / 255.0, "##0.0") +
                   QStringLiteral(" Closed Volts ");
    } else {
        out << QStringLiteral("Tps                 ") + QStringLiteral("NO Tps  ");
    }
    out << QString();

    // The staged-injection load list of the setup window: index 0 is the
    // highest load step, 16 is off.
    const int index = s.InjectionLoadIndex;
    const QString staged = index >= 0 && index <= 15
                               ? loadText(s, 15 - index, " psi", " %", " Volt")
                               : QStringLiteral("Off");
    out << QStringLiteral("Staged Injection Load Index - ") + num(index) + QLatin1Char(' ') +
               staged;
    out << QString();

    QString map = mapSensorText(s.MapSensorType);
    if (s.MapSensorType >= 1 && s.MapSensorType <= 3) {
        map += QStringLiteral("   Min Map (psi) ") +
               fmt(mapCountsToPsi(s.MapSensorType, s.MapMinBits & 0xFF), "##0.0") +
               QStringLiteral("   Max Map (psi) ") +
               fmt(mapCountsToPsi(s.MapSensorType, s.MapMaxBits & 0xFF), "##0.0");
    }
    out << map;
    out << (s.AirTempSensorType != 0 ? QStringLiteral("GM Air Temp Sensor")
                                     : QStringLiteral("No Air temp Sensor"));
    out << (s.WaterTempSensorType != 0 ? QStringLiteral("GM Water Temp Sensor")
                                       : QStringLiteral("No Water Temp Sensor"));
    out << QString();
}

void compensation(QStringList& out, const EcuSettings& s) {
    out << QStringLiteral("Accel Compensation       Rpm = ") + num(s.AccelRpm) +
               QStringLiteral("  Percent = ") + num(s.AccelPercent * 2) +
               QStringLiteral("  Duration = ") + fmt(s.AccelDuration / 100.0, "0.00") +
               QStringLiteral("  Min Tps  = ") + num(s.AccelMinTps) +
               QStringLiteral("  Min Tps Rate = ") + num(s.AccelMinTpsRate * 50);
    out << QString();
    out << QStringLiteral("Decel Compensation       Fuel Cut-off") +
               QStringLiteral("  Max Rpm = ") + num(s.DecelMaxRpm) +
               QStringLiteral("  Min Tps = ") + num(s.DecelMinTps) +
               QStringLiteral("  Delta Rpm = ") + num(s.DecelCutRpm * 10);
    out << QString();
    out << QStringLiteral("Starting Compensation    ") + QStringLiteral("Rpm = ") +
               num(s.CrankRpm) + QStringLiteral("  Duration (revs) = ") +
               fmt(s.CrankDuration * 4, "#0.0") + QStringLiteral("  Injector Prime Pulse = ") +
               fmt(s.CrankPrimePulse / 5.0, "#0.0");
    QString percent = QStringLiteral("                         Percent");
    for (int k = 0; k < 4; ++k) {
        percent += (k == 0 ? QStringLiteral(" ") : QString()) + num(s.CrankPercent[k] * 2) +
                   QLatin1String(kCrankTemperatures[k]);
    }
    out << percent;
    out << QString();
    QString banks = QStringLiteral("Cylinder Compensation    ");
    for (int bank = 2; bank <= 4; ++bank) {
        banks += (bank == 2 ? QString() : QStringLiteral(" - ")) +
                 QStringLiteral("Bank %1 fuel is ").arg(bank) +
                 fmt(s.BankCompensation[bank], "##0") + QStringLiteral("% of Bank 1");
    }
    out << banks;
    out << QString();
}

void ego(QStringList& out, const EcuSettings& s) {
    if (s.EgoControl == 0) {
        out << QStringLiteral("EGO Control - Off");
        out << QString();
        return;
    }
    out << QStringLiteral("EGO Control") + QStringLiteral("  Min Coolant Temp ") +
               fmt(tempCountsToDegrees(s.EgoMinCoolantTemp & 0xFF), "##0") +
               QStringLiteral("  Update Revs ") + fmt(s.EgoUpdateRevs, "####0") +
               QStringLiteral("  GainP ") + fmt(s.EgoGainP / 10.0, "#0.00") +
               QStringLiteral("  GainI ") + fmt(s.EgoGainI / 10.0, "#0.00");
    // The rpm and load windows hold entries of the EGO window's lists: rpm
    // entry i is i fifteenths of the maximum rpm, load entry i is load step
    // 15 - i.
    const auto rpm = [&](int entry) { return fmt(entry * s.MaxRpm / 15.0, "####0"); };
    const auto load = [&](int entry) { return loadText(s, 15 - entry, "  psi", " %", " Volts"); };
    out << QStringLiteral("               Rpm Range (") + rpm(s.EgoMinRpm) + QStringLiteral(" - ") +
               rpm(s.EgoMaxRpm) + QStringLiteral(")  Load (") + load(s.EgoMinLoad) +
               QStringLiteral(" - ") + load(s.EgoMaxLoad) + QStringLiteral(")");
    out << QString();
}

void curves(QStringList& out, const EcuSettings& s) {
    const auto curve = [&](const char* label, const EcuSettings::Curve& c,
                           const std::function<QString(int)>& text) {
        out << QString::fromLatin1(label);
        out << row(EcuSettings::kCurveSent, kCurveColumn, [&](int k) { return text(c[k]); });
    };
    const auto percent = [](int raw) { return num(raw); };
    curve("Air Temp Compensation -Fuel     ", s.AirTempFuelComp, percent);
    curve("Water Temp Compensation -Fuel   ", s.WaterTempFuelComp, percent);
    curve("Battery Volt Compensation -Fuel ", s.BatteryVoltFuelComp,
          [](int raw) { return fmt(raw / 100.0, "#0.00"); });
    curve("Air Temp Compensation -Ignition ", s.AirTempIgnitionComp,
          [](int raw) { return fmt((raw - 128) / 2.0, "##0.0"); });
}

void tables(QStringList& out, const EcuSettings& s) {
    const int rpmCount = s.RpmIndexMax + 1;
    out << QStringLiteral("Fuel Table");
    for (int load = 0; load <= s.LoadIndexMax; ++load) {
        out << row(rpmCount, kFuelColumn, [&](int r) {
            return formatNumber(static_cast<float>((s.FuelTable[load][r] + 1) * kFuelStepMs),
                                QStringLiteral("##.000"));
        });
    }
    out << QStringLiteral("Ignition Table");
    for (int load = 0; load <= s.LoadIndexMax; ++load) {
        out << row(rpmCount, kIgnitionColumn,
                   [&](int r) { return fmt(s.IgnitionTable[load][r] / 2.0, "##0.0"); });
    }
}

} // namespace

QStringList dataReportLines(const AppState& state, const QString& monitorVersion,
                            const QDateTime& printedAt) {
    const EcuSettings& s = state.settings;
    const EcuIdentity& id = state.identity;
    QStringList out;
    out << QStringLiteral(" ");
    out << QStringLiteral("Vantrel, by Marrowby") + QString(10, QLatin1Char(' ')) +
               printedAt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    out << QString();
    out << QStringLiteral("Vantrel Version: ") + monitorVersion;
    out << QStringLiteral("File: ") + state.CurrentFileName;
    out << QString();
    out << QStringLiteral("Ecu Version:         ") + id.VersionText + QStringLiteral("  Build ") +
               id.BuildText;
    out << QString();
    out << QStringLiteral("Ecu Serial Number:   ") + id.SerialNumberText;
    out << QString();
    out << QStringLiteral(" ");

    engineSetup(out, state);
    for (int j = 0; j < 2; ++j) {
        out << QStringLiteral("Digital Input        %1").arg(j + 1) +
                   digitalInputText(state, s.UserInputDigitalMode[j]);
    }
    out << QString();
    for (int k = 0; k < EcuSettings::kUserOutputs; ++k) {
        out << outputLine(s, k);
    }
    compensation(out, s);
    ego(out, s);
    for (int n = 0; n < EcuSettings::kUserInputs; ++n) {
        out << analogLine(s, n);
    }
    curves(out, s);
    tables(out, s);

    for (QString& line : out) {
        line.prepend(kMargin);
    }
    return out;
}
