// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DataReport.h"

#include "record/AppState.h"
#include "record/LoadAxis.h"
#include "record/NumberFormat.h"
#include "record/SensorConversions.h"
#include "record/SettingCodes.h"

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

QStringList cells(int count, int width, const std::function<QString(int)>& text) {
    QStringList items;
    for (int i = 0; i < count; ++i) {
        items << rightAlign(text(i), width);
    }
    return items;
}

// Collects the report's blocks; every line gets the left margin, and the
// continued parts of a broken line are indented past it.
class Listing {
public:
    // A line of items; a broken line goes on `indent` blanks after the margin.
    void line(QStringList items, int indent = 0) {
        if (items.isEmpty()) {
            items << QString();
        }
        items.front().prepend(kMargin);
        current().lines.push_back({std::move(items), static_cast<int>(kMargin.size()) + indent});
    }
    void line(const QString& text) { line(QStringList{text}); }
    void blank() { line(QString()); }
    // Two set-up items on one line; the second goes on a line of its own
    // when the page is too narrow.
    void pair(const QString& first, const QString& second) {
        line({first.leftJustified(kFirstItemWidth) + kItemGap, second});
    }
    // The next line is a table's heading, the lines after it its rows, up
    // to text().
    void table() { m_blocks.push_back({ReportBlock::Kind::Table, {}}); }
    void text() { m_blocks.push_back({ReportBlock::Kind::Text, {}}); }

    std::vector<ReportBlock> blocks() && { return std::move(m_blocks); }

private:
    ReportBlock& current() {
        if (m_blocks.empty()) {
            text();
        }
        return m_blocks.back();
    }

    std::vector<ReportBlock> m_blocks;
};

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

QString mapSensorText(MapSensor sensor) {
    switch (sensor) {
    case MapSensor::OneAtm:
        return QStringLiteral("Map 1-Bar");
    case MapSensor::TwoAtm:
        return QStringLiteral("Map 2-Bar");
    case MapSensor::ThreeAtm:
        return QStringLiteral("Map 3-Bar");
    default:
        return QStringLiteral("Map Off  ");
    }
}

QString digitalInputText(const EcuSettings& s, DigitalInputMode mode) {
    switch (mode) {
    case DigitalInputMode::CutFuel:
        return QStringLiteral(" - Cut Fuel      ");
    case DigitalInputMode::CutIgnition:
        return QStringLiteral(" - Cut Ignition  ");
    case DigitalInputMode::CutEngine:
        return QStringLiteral(" - Cut Engine    ");
    case DigitalInputMode::SecondaryRevLimit:
        return QStringLiteral(" - Launch Control ") + QStringLiteral("( ") +
               fmt(s.LaunchControlRpm, "####0") + QStringLiteral(" rpm)");
    default:
        return QStringLiteral(" - Off           ");
    }
}

// A custom output's switching point in the units of its source.
QString setPointText(const EcuSettings& s, OutputSource type, int raw) {
    switch (type) {
    case OutputSource::AirTemp:
    case OutputSource::WaterTemp:
        return fmt(tempCountsToDegrees(raw & 0xFF), "###0") + QStringLiteral(" F");
    case OutputSource::Rpm:
        return fmt(raw * 100, "####0") + QStringLiteral(" rpm");
    case OutputSource::Map:
        return fmt(mapCountsToPsi(s.MapSensorType, raw & 0xFF), "###.0") + QStringLiteral(" psi");
    default:
        return fmt(raw, "###0") + QStringLiteral(" %");
    }
}

void outputLine(Listing& out, const EcuSettings& s, int k) {
    static const char* const kSources[] = {" - Off         ", " - Air Temp    ", " - Water Temp  ",
                                           " - Rpm         ", " - Map         ", " - Tps         "};
    const OutputSource type = outputSource(s, k);
    const QString label = QStringLiteral("Digital Output %1").arg(k + 1);
    if (type < OutputSource::AirTemp || type > OutputSource::Tps) {
        out.line(label + QLatin1String(kSources[0]));
        return;
    }
    const QString source = label + QLatin1String(kSources[toCode(type)]);
    out.line({source, QStringLiteral("  On = ") + setPointText(s, type, s.UserOutputOn[k]),
              QStringLiteral("  Off= ") + setPointText(s, type, s.UserOutputOff[k])},
             static_cast<int>(source.size()));
}

void analogLine(Listing& out, const EcuSettings& s, int n) {
    const QString label = QStringLiteral("Analog %1").arg(n + 1);
    const auto& table = s.UserInputAnalogTable[n];
    const auto values = [&](const QString& mode, const std::function<QString(int)>& text) {
        const QString start = label + mode;
        out.line(QStringList{start} + cells(EcuSettings::kCurveSent, kAnalogColumn, text),
                 static_cast<int>(start.size()));
    };
    switch (analogInputMode(s, n)) {
    case AnalogInputMode::FuelPercent:
        values(QStringLiteral("  Fuel Percent    "), [&](int k) { return num(table[k]); });
        break;
    case AnalogInputMode::IgnitionDegrees:
        values(QStringLiteral("  Ignition Angle  "), [&](int k) { return num(table[k] - 128); });
        break;
    case AnalogInputMode::Ego:
        values(QStringLiteral("  EGO Setpoint     "),
               [&](int k) { return fmt(table[k] * 5.0 / 255.0, "#0.00"); });
        break;
    default:
        out.line(label + QStringLiteral("  Off") + QStringLiteral(" - not being used "));
        break;
    }
}

void engineSetup(Listing& out, const EcuSettings& s) {
    out.pair(QStringLiteral("Max Rpm             ") + num(s.MaxRpm),
             QStringLiteral("Number of Cylinders ") + num(s.NumberOfCylinders));
    out.pair(QStringLiteral("Rev Limit           ") + num(s.RevLimit),
             QStringLiteral("Min Open Time      ") + fmt(s.MinOpenTime * 0.0625, "###0.0000") +
                 QStringLiteral(" ms        "));
    out.pair(QStringLiteral("Charge Time        ") + fmt(s.ChargeTime / 10.0, "###0.0") +
                 QStringLiteral(" ms        "),
             QStringLiteral("Pickup Wheel        ") + (wheelType(s) != WheelType::TwelveMinusThree
                                                           ? QStringLiteral("12-1")
                                                           : QStringLiteral("12-3")));
    QString load;
    switch (loadControl(s)) {
    case LoadControl::Map:
        load = QStringLiteral("    Map");
        break;
    case LoadControl::Tps:
        load = QStringLiteral("    Tps");
        break;
    case LoadControl::Volts:
        load = QStringLiteral("(0-5) Volts");
        break;
    default:
        break;
    }
    out.pair(QStringLiteral("Load Control    ") + load,
             QStringLiteral("Ignition Type      ") + (ignitionType(s) == IgnitionType::Distributor
                                                          ? QStringLiteral("   Distributor")
                                                          : QStringLiteral("   Wasted Spark")));
    const QString tps = QStringLiteral("Tps                 ");
    if (tpsSensor(s) != SensorFitted::None) {
        out.line({tps + fmt(s.TpsMaxBits * 5.0 / 255.0, "##0.0") + QStringLiteral(" Open Volts  "),
                  fmt(s.TpsMinBits * 5.0 / 255.0, "##0.0") + QStringLiteral(" Closed Volts ")},
                 static_cast<int>(tps.size()));
    } else {
        out.line(tps + QStringLiteral("NO Tps  "));
    }
    out.blank();

    // The staged-injection load list of the setup window: index 0 is the
    // highest load step, 16 is off.
    const int index = s.InjectionLoadIndex;
    const QString staged = index >= 0 && index <= 15
                               ? loadText(s, 15 - index, " psi", " %", " Volt")
                               : QStringLiteral("Off");
    out.line(QStringLiteral("Staged Injection Load Index - ") + num(index) + QLatin1Char(' ') +
             staged);
    out.blank();

    const QString map = mapSensorText(mapSensor(s));
    if (mapSensor(s) >= MapSensor::OneAtm && mapSensor(s) <= MapSensor::ThreeAtm) {
        out.line({map,
                  QStringLiteral("   Min Map (psi) ") +
                      fmt(mapCountsToPsi(s.MapSensorType, s.MapMinBits & 0xFF), "##0.0"),
                  QStringLiteral("   Max Map (psi) ") +
                      fmt(mapCountsToPsi(s.MapSensorType, s.MapMaxBits & 0xFF), "##0.0")},
                 static_cast<int>(map.size()));
    } else {
        out.line(map);
    }
    out.line(airTempSensor(s) != SensorFitted::None ? QStringLiteral("GM Air Temp Sensor")
                                                    : QStringLiteral("No Air temp Sensor"));
    out.line(waterTempSensor(s) != SensorFitted::None ? QStringLiteral("GM Water Temp Sensor")
                                                      : QStringLiteral("No Water Temp Sensor"));
    out.blank();
}

// The compensation lines: a label of this width, then their items.
constexpr int kCompensationLabelWidth = 25;

void compensationLine(Listing& out, const QString& label, const QStringList& items) {
    out.line(QStringList{label.leftJustified(kCompensationLabelWidth)} + items,
             kCompensationLabelWidth);
}

void compensation(Listing& out, const EcuSettings& s) {
    compensationLine(out, QStringLiteral("Accel Compensation"),
                     {QStringLiteral("Rpm = ") + num(s.AccelRpm),
                      QStringLiteral("  Percent = ") + num(s.AccelPercent * 2),
                      QStringLiteral("  Duration = ") + fmt(s.AccelDuration / 100.0, "0.00"),
                      QStringLiteral("  Min Tps  = ") + num(s.AccelMinTps),
                      QStringLiteral("  Min Tps Rate = ") + num(s.AccelMinTpsRate * 50)});
    out.blank();
    compensationLine(out, QStringLiteral("Decel Compensation"),
                     {QStringLiteral("Fuel Cut-off"),
                      QStringLiteral("  Max Rpm = ") + num(s.DecelMaxRpm),
                      QStringLiteral("  Min Tps = ") + num(s.DecelMinTps),
                      QStringLiteral("  Delta Rpm = ") + num(s.DecelCutRpm * 10)});
    out.blank();
    compensationLine(
        out, QStringLiteral("Starting Compensation"),
        {QStringLiteral("Rpm = ") + num(s.CrankRpm),
         QStringLiteral("  Duration (revs) = ") + fmt(s.CrankDuration * 4, "#0.0"),
         QStringLiteral("  Injector Prime Pulse = ") + fmt(s.CrankPrimePulse / 5.0, "#0.0")});
    QStringList percent{QStringLiteral("Percent ")};
    for (int k = 0; k < 4; ++k) {
        percent << num(s.CrankPercent[k] * 2) + QLatin1String(kCrankTemperatures[k]);
    }
    compensationLine(out, QString(), percent);
    out.blank();
    QStringList banks;
    for (int bank = 2; bank <= 4; ++bank) {
        banks << (bank == 2 ? QString() : QStringLiteral(" - ")) +
                     QStringLiteral("Bank %1 fuel is ").arg(bank) +
                     fmt(s.BankCompensation[bank], "##0") + QStringLiteral("% of Bank 1");
    }
    compensationLine(out, QStringLiteral("Cylinder Compensation"), banks);
    out.blank();
}

void ego(Listing& out, const EcuSettings& s) {
    if (egoControl(s) == EgoControl::Off) {
        out.line(QStringLiteral("EGO Control - Off"));
        out.blank();
        return;
    }
    const QString label = QStringLiteral("EGO Control");
    out.line({label,
              QStringLiteral("  Min Coolant Temp ") +
                  fmt(tempCountsToDegrees(s.EgoMinCoolantTemp & 0xFF), "##0"),
              QStringLiteral("  Update Revs ") + fmt(s.EgoUpdateRevs, "####0"),
              QStringLiteral("  GainP ") + fmt(s.EgoGainP / 10.0, "#0.00"),
              QStringLiteral("  GainI ") + fmt(s.EgoGainI / 10.0, "#0.00")},
             static_cast<int>(label.size()));
    // The rpm and load windows hold entries of the EGO window's lists: rpm
    // entry i is i fifteenths of the maximum rpm, load entry i is load step
    // 15 - i.
    const auto rpm = [&](int entry) { return fmt(entry * s.MaxRpm / 15.0, "####0"); };
    const auto load = [&](int entry) { return loadText(s, 15 - entry, "  psi", " %", " Volts"); };
    const QString indent(15, QLatin1Char(' '));
    out.line({indent + QStringLiteral("Rpm Range (") + rpm(s.EgoMinRpm) + QStringLiteral(" - ") +
                  rpm(s.EgoMaxRpm) + QStringLiteral(")"),
              QStringLiteral("  Load (") + load(s.EgoMinLoad) + QStringLiteral(" - ") +
                  load(s.EgoMaxLoad) + QStringLiteral(")")},
             static_cast<int>(indent.size()));
    out.blank();
}

void curves(Listing& out, const EcuSettings& s) {
    const auto curve = [&](const char* label, const EcuSettings::Curve& c,
                           const std::function<QString(int)>& text) {
        out.table();
        out.line(QString::fromLatin1(label));
        out.line(cells(EcuSettings::kCurveSent, kCurveColumn, [&](int k) { return text(c[k]); }));
    };
    const auto percent = [](int raw) { return num(raw); };
    curve("Air Temp Compensation -Fuel     ", s.AirTempFuelComp, percent);
    curve("Water Temp Compensation -Fuel   ", s.WaterTempFuelComp, percent);
    curve("Battery Volt Compensation -Fuel ", s.BatteryVoltFuelComp,
          [](int raw) { return fmt(raw / 100.0, "#0.00"); });
    curve("Air Temp Compensation -Ignition ", s.AirTempIgnitionComp,
          [](int raw) { return fmt((raw - 128) / 2.0, "##0.0"); });
}

void tables(Listing& out, const EcuSettings& s) {
    const int rpmCount = s.RpmIndexMax + 1;
    out.table();
    out.line(QStringLiteral("Fuel Table"));
    for (int load = 0; load <= s.LoadIndexMax; ++load) {
        out.line(cells(rpmCount, kFuelColumn, [&](int r) {
            return formatNumber(static_cast<float>((s.FuelTable[load][r] + 1) * kFuelStepMs),
                                QStringLiteral("##.000"));
        }));
    }
    out.table();
    out.line(QStringLiteral("Ignition Table"));
    for (int load = 0; load <= s.LoadIndexMax; ++load) {
        out.line(cells(rpmCount, kIgnitionColumn,
                       [&](int r) { return fmt(s.IgnitionTable[load][r] / 2.0, "##0.0"); }));
    }
}

} // namespace

std::vector<ReportBlock> dataReport(const AppState& state, const EcuSettings& s,
                                    const QString& monitorVersion, const QDateTime& printedAt) {
    const EcuIdentity& id = state.identity;
    Listing out;
    out.line(QStringLiteral(" "));
    out.line({QStringLiteral("Vantrel, by Marrowby") + QString(10, QLatin1Char(' ')),
              printedAt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))});
    out.blank();
    out.line({QStringLiteral("Vantrel Version: "), monitorVersion});
    const QString file = QStringLiteral("File: ");
    out.line({file, state.CurrentFileName}, static_cast<int>(file.size()));
    out.blank();
    out.line({QStringLiteral("Ecu Version:         ") + id.VersionText,
              QStringLiteral("  Build ") + id.BuildText});
    out.blank();
    out.line(QStringLiteral("Ecu Serial Number:   ") + id.SerialNumberText);
    out.blank();
    out.line(QStringLiteral(" "));

    engineSetup(out, s);
    for (int j = 0; j < 2; ++j) {
        out.line(QStringLiteral("Digital Input        %1").arg(j + 1) +
                 digitalInputText(s, digitalInputMode(s, j)));
    }
    out.blank();
    for (int k = 0; k < EcuSettings::kUserOutputs; ++k) {
        outputLine(out, s, k);
    }
    compensation(out, s);
    ego(out, s);
    for (int n = 0; n < EcuSettings::kUserInputs; ++n) {
        analogLine(out, s, n);
    }
    curves(out, s);
    tables(out, s);
    return std::move(out).blocks();
}

QStringList dataReportLines(const AppState& state, const EcuSettings& settings,
                            const QString& monitorVersion, const QDateTime& printedAt) {
    return reportText(dataReport(state, settings, monitorVersion, printedAt));
}
