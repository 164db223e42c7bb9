// SPDX-License-Identifier: GPL-3.0-or-later
#include "generators/DefaultIgnitionTable.h"

#include "generators/TableIndex.h"
#include "record/Limits.h"
#include "record/Rounding.h"
#include "record/SensorConversions.h"
#include "record/SettingCodes.h"

namespace {
constexpr int64_t kLowestAdvance = 5;    // half degrees
constexpr int64_t kHighestAdvance = 100; // half degrees
} // namespace

int generatorMapSensorType(uint8_t mapSensorType) {
    return static_cast<MapSensor>(mapSensorType) == MapSensor::None ? toCode(MapSensor::OneAtm)
                                                                    : mapSensorType;
}

float generatorPsiTop(uint8_t mapSensorType) {
    return mapCountsToPsi(generatorMapSensorType(mapSensorType), 255);
}

float generatorPsiBottom(uint8_t mapSensorType) {
    return mapCountsToPsi(generatorMapSensorType(mapSensorType), 0);
}

void generateIgnitionTable(const IgnitionGeneratorInputs& in, EcuSettings& settings,
                           const TableCellSink& sink) {
    const int rpmIndexMax = usedTableIndexMax(settings.RpmIndexMax);
    const int loadIndexMax = usedTableIndexMax(settings.LoadIndexMax);
    const float psiTop = generatorPsiTop(settings.MapSensorType);
    const float psiBottom = generatorPsiBottom(settings.MapSensorType);

    const double a1 = in.initialAdvance;
    const double a2 = in.maxRpmInitialAdvance;
    const double a3 = in.finalAdvance;
    const double a4 = in.minRpmFinalAdvance;
    const double a5 = in.initialAdvanceMap;
    const double a6 = in.maxMapInitialAdvance;
    const double a7 = in.finalAdvanceMap;
    const double a8 = in.minMapFinalAdvance;
    const double a9 = in.advanceLimit;

    for (int i = 0; i <= rpmIndexMax; ++i) {
        // A single rpm column has only the 0 rpm point.
        const double rpm = rpmIndexMax > 0
                               ? static_cast<double>(roundHalfEven(static_cast<double>(i) *
                                                                   settings.MaxRpm / rpmIndexMax))
                               : 0.0;
        for (int j = 0; j <= loadIndexMax; ++j) {
            int64_t t = 0;
            if (rpm <= a2) {
                t = roundHalfEven(2.0 * a1);
            }
            if (rpm > a2 && rpm < a4) {
                t = roundHalfEven(2.0 * (a1 + (a3 - a1) / (a4 - a2) * (rpm - a2)));
            }
            if (rpm >= a4) {
                t = roundHalfEven(2.0 * a3);
            }

            // A single load row has only the lowest pressure.
            const float psi = loadIndexMax > 0
                                  ? psiBottom + static_cast<float>(j) * (psiTop - psiBottom) /
                                                    static_cast<float>(loadIndexMax)
                                  : psiBottom;
            const double p = psi;
            if (p <= a6) {
                t = roundHalfEven(static_cast<double>(t) + 2.0 * a5);
            }
            if (p > a6 && p < a8) {
                t = roundHalfEven(static_cast<double>(t) +
                                  2.0 * (a5 + (a7 - a5) / (a8 - a6) * (p - a6)));
            }
            if (p >= a8) {
                t = roundHalfEven(static_cast<double>(t) + 2.0 * a7);
            }

            if (t < kLowestAdvance) {
                t = kLowestAdvance;
            }
            if (t > kHighestAdvance) {
                t = kHighestAdvance;
            }
            if (static_cast<double>(t) > 2.0 * a9) {
                t = roundHalfEven(2.0 * a9);
            }

            const int loadIndex = loadIndexMax - j;
            const auto cell = static_cast<int16_t>(t);
            settings
                .IgnitionTable[static_cast<std::size_t>(loadIndex)][static_cast<std::size_t>(i)] =
                cell;
            if (sink) {
                sink(loadIndex, i, cell);
            }
        }
    }
}

namespace {
// Input n of a const or non-const set of inputs.
template <typename Inputs> auto inputPointer(Inputs& in, int n) -> decltype(&in.initialAdvance) {
    switch (n) {
    case 1:
        return &in.initialAdvance;
    case 2:
        return &in.maxRpmInitialAdvance;
    case 3:
        return &in.finalAdvance;
    case 4:
        return &in.minRpmFinalAdvance;
    case 5:
        return &in.initialAdvanceMap;
    case 6:
        return &in.maxMapInitialAdvance;
    case 7:
        return &in.finalAdvanceMap;
    case 8:
        return &in.minMapFinalAdvance;
    case 9:
        return &in.advanceLimit;
    default:
        return nullptr;
    }
}
} // namespace

float* ignitionInput(IgnitionGeneratorInputs& inputs, int n) {
    return inputPointer(inputs, n);
}

float ignitionInputValue(const IgnitionGeneratorInputs& inputs, int n) {
    const float* value = inputPointer(inputs, n);
    return value != nullptr ? *value : 0.0f;
}

EntryRange ignitionEntryRange(int n, float psiTop) {
    switch (n) {
    case 1:
    case 3:
        return {5.0f, 50.0f};
    case 2:
    case 4:
        return {0.0f, 20000.0f};
    case 6:
    case 8:
        return {0.0f, psiTop};
    default:
        return {0.0f, 50.0f};
    }
}

float clampIgnitionInput(int n, float value, float psiTop) {
    const EntryRange range = ignitionEntryRange(n, psiTop);
    return checkMaxMin(range.min, range.max, value);
}

IgnitionGeneratorInputs ignitionResetValues(int32_t maxRpm) {
    IgnitionGeneratorInputs in;
    in.initialAdvance = 10.0f;
    in.maxRpmInitialAdvance = static_cast<float>(maxRpm * 0.2);
    in.finalAdvance = 25.0f;
    in.minRpmFinalAdvance = static_cast<float>(maxRpm * 0.4);
    in.initialAdvanceMap = 25.0f;
    in.maxMapInitialAdvance = 6.0f;
    in.finalAdvanceMap = 2.0f;
    in.minMapFinalAdvance = 13.0f;
    in.advanceLimit = 50.0f;
    return in;
}

bool resetIgnitionInputsIfCleared(IgnitionGeneratorInputs& inputs, int32_t maxRpm) {
    if (inputs.advanceLimit != 0.0f) {
        return false;
    }
    inputs = ignitionResetValues(maxRpm);
    return true;
}
