// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DifferenceText.h"

#include "config/CompensationBoxes.h"
#include "config/CustomIo.h"
#include "config/IdleExtra.h"
#include "config/SetupLists.h"
#include "record/AppState.h"
#include "record/NumberFormat.h"
#include "record/SettingCodes.h"
#include "tables/CurveDescription.h"
#include "tables/TableModel.h"

#include <optional>
#include <utility>

namespace {

using F = FieldId;

const QString kDegrees = QString(QChar(176));
const QString kDegreesF = QString(QChar(176)) + QLatin1Char('F');

// A value as a window shows it, and its unit.
struct Shown {
    QString text;
    QString unit;

    QString withUnit() const { return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit; }
};

int offsetOf(FieldId field, FieldId first) {
    return static_cast<int>(field) - static_cast<int>(first);
}

bool within(FieldId field, FieldId first, int count) {
    const int offset = offsetOf(field, first);
    return offset >= 0 && offset < count;
}

// The entry of a list that a stored value selects; the number itself when
// it selects none.
QString entry(const QStringList& entries, int64_t index) {
    const QString text = index >= 0 && index < entries.size()
                             ? entries[static_cast<qsizetype>(index)].trimmed()
                             : QString();
    return text.isEmpty() ? QString::number(index) : text;
}

QString loadUnit(const EcuSettings& s) {
    switch (loadControl(s)) {
    case LoadControl::Map:
        return QStringLiteral("psi");
    case LoadControl::Tps:
        return QStringLiteral("%");
    case LoadControl::Volts:
        return QStringLiteral("V");
    default:
        return {};
    }
}

QString setPointUnit(int type) {
    switch (static_cast<OutputSource>(type)) {
    case OutputSource::AirTemp:
    case OutputSource::WaterTemp:
        return kDegreesF;
    case OutputSource::Rpm:
        return QStringLiteral("rpm");
    case OutputSource::Map:
        return QStringLiteral("psi");
    case OutputSource::Tps:
        return QStringLiteral("%");
    case OutputSource::Off:
        break;
    }
    return {};
}

std::optional<CurveDescription> compensationCurve(FieldId field) {
    for (const CurveDescription& curve : compensationCurves()) {
        if (curve.field == field) {
            return curve;
        }
    }
    return std::nullopt;
}

// A scalar the setup windows show as an entry of a list.
std::optional<QString> listEntry(const EcuSettings& s, FieldId field, int64_t raw) {
    switch (field) {
    case F::LoadControl:
        return entry(
            {QString(), QStringLiteral("MAP"), QStringLiteral("TPS"), QStringLiteral("Volts")},
            raw);
    case F::MapSensorType:
        return entry({QStringLiteral("Off"), QStringLiteral("1-Bar"), QStringLiteral("2-Bar"),
                      QStringLiteral("3-Bar")},
                     raw);
    case F::IgnitionType:
        return entry({QString(), QStringLiteral("Wasted Spark"), QStringLiteral("Distributor")},
                     raw);
    case F::WheelType:
        return raw == 0 ? QStringLiteral("12-3") : QStringLiteral("12-1");
    case F::EgoControl:
        return entry(egoControlEntries(), raw);
    case F::IacType:
        return entry(iacTypeCaptions(), raw);
    case F::InjectionRpmIndex:
        return raw == 0 ? entry(stagedRpmEntries(s.MaxRpm), raw)
                        : entry(stagedRpmEntries(s.MaxRpm), raw) + QStringLiteral(" rpm");
    case F::InjectionLoadIndex:
        return entry(stagedLoadEntries(s), raw);
    case F::EgoMinRpm:
    case F::EgoMaxRpm:
        return entry(egoRpmEntries(s.MaxRpm), raw) + QStringLiteral(" rpm");
    case F::EgoMinLoad:
    case F::EgoMaxLoad:
        return entry(egoLoadEntries(s), raw);
    default:
        return std::nullopt;
    }
}

// A value of one record as its window shows it.
Shown shown(const EcuSettings& s, const EcuFieldDifference& d, int64_t raw) {
    const FieldId field = d.field;
    if (field == F::FuelTable) {
        return {fuelEditor().cellText(raw).trimmed(), QStringLiteral("ms")};
    }
    if (field == F::IgnitionTable) {
        return {ignitionEditor().cellText(raw).trimmed(), kDegrees};
    }
    if (const std::optional<CurveDescription> curve = compensationCurve(field)) {
        const QString unit =
            curve->unitCaption == QLatin1String("deg") ? kDegrees : curve->unitCaption;
        return {curve->cellText(raw), unit};
    }
    if (within(field, F::UserInputAnalogTable0, EcuSettings::kUserInputs)) {
        switch (analogInputMode(s, offsetOf(field, F::UserInputAnalogTable0))) {
        case AnalogInputMode::FuelPercent:
            return {QString::number(raw), QStringLiteral("%")};
        case AnalogInputMode::IgnitionDegrees:
            return {QString::number(raw - 128), kDegrees};
        case AnalogInputMode::Ego:
            return {egoSetpointCurve(s).cellText(raw), QStringLiteral("V")};
        default:
            return {QString::number(raw), {}};
        }
    }
    if (within(field, F::UserInputAnalogMode0, EcuSettings::kUserInputs)) {
        return {entry(analogModeEntries(offsetOf(field, F::UserInputAnalogMode0), true), raw), {}};
    }
    if (within(field, F::UserInputDigitalMode0, EcuSettings::kUserInputs)) {
        return {entry(digitalModeEntries(offsetOf(field, F::UserInputDigitalMode0)), raw), {}};
    }
    if (within(field, F::UserOutputType0, kCustomOutputs)) {
        return {entry(outputSourceEntries(), raw), {}};
    }
    for (FieldId first : {F::UserOutputOn0, F::UserOutputOff0}) {
        if (within(field, first, kCustomOutputs)) {
            // The set point box shows nothing for an output that is off, and
            // for 0 rpm.
            const int type = s.UserOutputType[offsetOf(field, first)];
            const QString text = setPointText(s, type, raw);
            return {text.isEmpty() ? QString::number(raw) : text, setPointUnit(type)};
        }
    }
    if (const std::optional<QString> text = listEntry(s, field, raw)) {
        return {*text, {}};
    }
    const FieldRow& row = fieldRow(field);
    const double value = shownValue(row, s, raw);
    const QString pattern = QString::fromLatin1(row.display.pattern);
    const QString unit = QString::fromUtf8(row.display.unit);
    return {pattern.isEmpty() ? QString::number(value) : formatNumber(value, pattern).trimmed(),
            unit};
}

// "a" when both read the same, else "a -> b".
QString both(const QString& first, const QString& second) {
    return first == second ? first : first + QStringLiteral(" -> ") + second;
}

// What a difference is named by: its setting, table or curve, and where in
// the table or curve ("at" its axis labels, or after a comma by row and
// column where the grid has no labels).
struct Name {
    Name(QString subject_, QString place_ = {}, QString joint_ = QStringLiteral(" at "))
        : subject(std::move(subject_)), place(std::move(place_)), joint(std::move(joint_)) {}

    QString subject;
    QString place;
    QString joint;

    QString whole() const { return place.isEmpty() ? subject : subject + joint + place; }
};

Name tableName(const EcuFieldDifference& d, const EcuSettings& first, const EcuSettings& second) {
    const TableEditorDescription& editor =
        d.field == F::FuelTable ? fuelEditor() : ignitionEditor();
    const int gridRow = d.index1 + 1;
    const int gridColumn = d.index2 + 1;
    if (gridRow >= TableModel::kGridSize || gridColumn >= TableModel::kGridSize) {
        return {d.name, QStringLiteral("row %1, column %2").arg(gridRow).arg(gridColumn),
                QStringLiteral(", ")};
    }
    const AppState state;
    const TableModel a(editor, state, first);
    const TableModel b(editor, state, second);
    const QString rpm = both(a.rpmLabel(gridColumn).trimmed(), b.rpmLabel(gridColumn).trimmed()) +
                        QStringLiteral(" rpm");
    const auto load = [gridRow](const TableModel& model, const EcuSettings& s) {
        const QString label = model.loadLabel(gridRow).trimmed();
        return label.isEmpty() ? QStringLiteral("load row %1").arg(gridRow)
                               : label + QLatin1Char(' ') + loadUnit(s);
    };
    return {d.name, rpm + QStringLiteral(", ") + both(load(a, first), load(b, second))};
}

// Where a value of a curve or a user input's table lies on its axis.
QString curveAxis(const EcuFieldDifference& d, const EcuSettings& first,
                  const EcuSettings& second) {
    const auto label = [&d](const EcuSettings& s) -> QString {
        std::optional<CurveDescription> curve = compensationCurve(d.field);
        QString unit =
            curve ? (curve->axisCaption == QLatin1String("Temp") ? kDegreesF : QStringLiteral("V"))
                  : QString();
        if (!curve) {
            const int input = offsetOf(d.field, F::UserInputAnalogTable0);
            const bool ego = input == 0 && analogInputMode(s, 0) == AnalogInputMode::Ego;
            curve = ego ? egoSetpointCurve(s) : inputCurve(input, analogInputMode(s, input));
            unit = ego ? loadUnit(s) : QStringLiteral("V");
        }
        const QString point =
            d.index1 < curve->points() ? curve->axis[d.index1].trimmed() : QString();
        return point.isEmpty() ? QStringLiteral("point %1").arg(d.index1 + 1)
                               : point + QLatin1Char(' ') + unit;
    };
    return both(label(first), label(second));
}

Name nameOf(const EcuFieldDifference& d, const EcuSettings& first, const EcuSettings& second) {
    const FieldId field = d.field;
    if (d.isScalar()) {
        return {d.name};
    }
    if (field == F::FuelTable || field == F::IgnitionTable) {
        return tableName(d, first, second);
    }
    if (compensationCurve(field)) {
        return {d.name, curveAxis(d, first, second)};
    }
    if (within(field, F::UserInputAnalogTable0, EcuSettings::kUserInputs)) {
        return {QStringLiteral("User Input Analog %1")
                    .arg(offsetOf(field, F::UserInputAnalogTable0) + 1),
                curveAxis(d, first, second)};
    }
    if (within(field, F::UserInputAnalogMode0, EcuSettings::kUserInputs)) {
        return {QStringLiteral("User Input Analog %1 mode")
                    .arg(offsetOf(field, F::UserInputAnalogMode0) + 1)};
    }
    if (within(field, F::UserInputDigitalMode0, EcuSettings::kUserInputs)) {
        return {QStringLiteral("User Input Digital %1")
                    .arg(offsetOf(field, F::UserInputDigitalMode0) + 1)};
    }
    if (within(field, F::UserOutputType0, kCustomOutputs)) {
        return {
            QStringLiteral("User Output %1 source").arg(offsetOf(field, F::UserOutputType0) + 1)};
    }
    if (within(field, F::UserOutputOn0, kCustomOutputs)) {
        return {QStringLiteral("User Output %1 on").arg(offsetOf(field, F::UserOutputOn0) + 1)};
    }
    if (within(field, F::UserOutputOff0, kCustomOutputs)) {
        return {QStringLiteral("User Output %1 off").arg(offsetOf(field, F::UserOutputOff0) + 1)};
    }
    for (const ConfigBox& box : extraBoxes()) {
        if (box.field == field) {
            return {QString::fromLatin1(box.caption)};
        }
    }
    return {d.name};
}

} // namespace

DifferenceText::DifferenceText(const EcuSettings& first, const EcuSettings& second)
    : m_first(std::make_unique<EcuSettings>(first)),
      m_second(std::make_unique<EcuSettings>(second)) {}

DifferenceText::~DifferenceText() = default;

QString DifferenceText::describe(const EcuFieldDifference& d) const {
    return parts(d).line;
}

DifferenceParts DifferenceText::parts(const EcuFieldDifference& d) const {
    const Shown a = shown(*m_first, d, d.first);
    const Shown b = shown(*m_second, d, d.second);
    const QString values = a.unit == b.unit ? a.text + QStringLiteral(" -> ") + b.withUnit()
                                            : a.withUnit() + QStringLiteral(" -> ") + b.withUnit();
    const Name name = nameOf(d, *m_first, *m_second);
    return {name.subject, name.place, a.withUnit(), b.withUnit(),
            name.whole() + QStringLiteral(": ") + values};
}

QStringList DifferenceText::describe(const std::vector<EcuFieldDifference>& differences) const {
    QStringList lines;
    for (const EcuFieldDifference& d : differences) {
        lines << describe(d);
    }
    return lines;
}

QStringList differenceLines(const EcuSettings& first, const EcuSettings& second,
                            DifferenceUnits units) {
    const std::vector<EcuFieldDifference> differences = compareEcuSettings(first, second);
    if (units == DifferenceUnits::Shown) {
        return DifferenceText(first, second).describe(differences);
    }
    QStringList lines;
    for (const EcuFieldDifference& difference : differences) {
        lines << difference.describe();
    }
    return lines;
}
