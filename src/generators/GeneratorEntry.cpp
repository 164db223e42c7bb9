// SPDX-License-Identifier: GPL-3.0-or-later
#include "generators/GeneratorEntry.h"

#include "config/NumericEntry.h"
#include "generators/DefaultFuelTable.h"
#include "generators/DefaultIgnitionTable.h"
#include "record/NumberFormat.h"
#include "record/SettingCodes.h"

#include <array>
#include <optional>

namespace {

// The typed number to store, or nothing when the entry keeps the input.
std::optional<float> typedNumber(const QString& shown, const QString& typed) {
    if (typed == shown) {
        return std::nullopt;
    }
    const std::optional<double> number = parseEntry(typed);
    if (!number) {
        return std::nullopt;
    }
    return static_cast<float>(*number);
}

float& fuelInput(FuelGeneratorInputs& inputs, FuelBox box, int point) {
    switch (box) {
    case FuelBox::InjectorSize:
        return inputs.injectorSize;
    case FuelBox::Displacement:
        return inputs.displacement;
    case FuelBox::Rpm:
        return inputs.rpm.at(static_cast<std::size_t>(point));
    case FuelBox::Ve:
        break;
    }
    return inputs.ve.at(static_cast<std::size_t>(point));
}

QString fuelBoxFormat(FuelBox box) {
    switch (box) {
    case FuelBox::InjectorSize:
        return QStringLiteral("##0.0");
    case FuelBox::Displacement:
        return QStringLiteral("####0.0");
    case FuelBox::Rpm:
        return QStringLiteral("####0");
    case FuelBox::Ve:
        break;
    }
    return QStringLiteral("0.00");
}

float clampFuelInput(FuelBox box, float value, int32_t maxRpm) {
    switch (box) {
    case FuelBox::InjectorSize:
        return clampInjectorSize(value);
    case FuelBox::Displacement:
        return clampDisplacement(value);
    case FuelBox::Rpm:
        return clampGeneratorRpm(value, maxRpm);
    case FuelBox::Ve:
        break;
    }
    return clampVolumetricEfficiency(value);
}

struct IgnitionBox {
    const char* caption;
    const char* format;
};

constexpr std::array<IgnitionBox, 9> kIgnitionBoxes{{
    {"Initial Advance based on RPM", " ##0.0"},
    {"Max Rpm at Initial Advance", " ####0"},
    {"Final Advance based on RPM", " ##0.0"},
    {"Min Rpm at Final Advance", " ##0 "},
    {"Initial Advance based on MAP", " ##0.0"},
    {"Max MAP at Initial Advance", " ##0.0"},
    {"Final Advance based on MAP", " ##0.0"},
    {"Min MAP at Final Advance", " ##0.0"},
    {"Max Advance", " ##0.0"},
}};

const IgnitionBox* ignitionBox(int n) {
    return n >= 1 && n <= 9 ? &kIgnitionBoxes[static_cast<std::size_t>(n - 1)] : nullptr;
}

} // namespace

QString fuelBoxText(const FuelGeneratorInputs& inputs, FuelBox box, int point) {
    FuelGeneratorInputs copy = inputs;
    return formatNumber(fuelInput(copy, box, point), fuelBoxFormat(box));
}

bool enterFuelInput(FuelGeneratorInputs& inputs, FuelBox box, int point, int32_t maxRpm,
                    const QString& shown, const QString& typed) {
    const std::optional<float> number = typedNumber(shown, typed);
    if (!number) {
        return false;
    }
    fuelInput(inputs, box, point) = clampFuelInput(box, *number, maxRpm);
    return true;
}

QStringList fuelWindowLabels(const EcuSettings& settings) {
    QString loadLabel = QStringLiteral("Load Control ");
    switch (loadControl(settings)) {
    case LoadControl::Map:
        loadLabel += numberToText(settings.MapSensorType) + QStringLiteral("-Atm Map Sensor");
        break;
    case LoadControl::Tps:
        loadLabel += QStringLiteral("TPS ");
        break;
    case LoadControl::Volts:
        loadLabel += QStringLiteral("0-5 Volts");
        break;
    default:
        break;
    }
    return {loadLabel, QStringLiteral("Injector Size (lb/hr)"),
            QStringLiteral("Displacement  (in^3)\n per Cylinder"),
            QStringLiteral("Number of Cylinders ") +
                formatNumber(settings.NumberOfCylinders, QStringLiteral("##0")),
            QStringLiteral("Min Open Time ") +
                formatNumber(settings.MinOpenTime * 0.0625, QStringLiteral("##0.0000")) +
                QStringLiteral(" ms")};
}

QString ignitionInputCaption(int n) {
    const IgnitionBox* box = ignitionBox(n);
    return box != nullptr ? QString::fromLatin1(box->caption) : QString();
}

QString ignitionBoxText(const IgnitionGeneratorInputs& inputs, int n) {
    const IgnitionBox* box = ignitionBox(n);
    return box != nullptr
               ? formatNumber(ignitionInputValue(inputs, n), QString::fromLatin1(box->format))
               : QString();
}

bool enterIgnitionInput(IgnitionGeneratorInputs& inputs, int n, float psiTop, const QString& shown,
                        const QString& typed) {
    float* input = ignitionInput(inputs, n);
    const std::optional<float> number = typedNumber(shown, typed);
    if (input == nullptr || !number) {
        return false;
    }
    *input = clampIgnitionInput(n, *number, psiTop);
    return true;
}

QString ignitionTopLabel(int32_t maxRpm) {
    return QStringLiteral("Units: Advance (DBTDC),  Map (PSI)\n\nMax Rpm") + QString(37, u' ') +
           formatNumber(maxRpm, QStringLiteral("####0"));
}

QString ignitionShortTopLabel(int32_t maxRpm) {
    return QStringLiteral("Max Rpm              ") + formatNumber(maxRpm, QStringLiteral("####0"));
}
