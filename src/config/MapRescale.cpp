// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/MapRescale.h"

#include "record/Rounding.h"
#include "record/SettingCodes.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"

#include <QString>

namespace {

constexpr int kRows = 16;

QString rescaleQuestion() {
    const QString q(QChar(34));
    const QString nl = QStringLiteral("\r\n");
    return QStringLiteral("Do you want to re-scale the current fuel/Ignition table?") + nl + nl +
           q + QStringLiteral("Yes") + q +
           QStringLiteral(" - The maximum and minimum MAP limits of the fuel and ignition tables") +
           nl +
           QStringLiteral("will be modified based on the values entered. The current data in the "
                          "tables") +
           nl +
           QStringLiteral("will be scaled to reflect these changes. This is helpful so that for a "
                          "given") +
           nl +
           QStringLiteral("MAP level the open time and ignition timing will be the same as before "
                          "the") +
           nl + QStringLiteral("limits were adjusted.") + nl + nl + q + QStringLiteral("No") + q +
           QStringLiteral(" - The maximum and minimum MAP limits of the fuel and ignition tables") +
           nl +
           QStringLiteral("will be modified based on the values entered. The current data in the "
                          "table") +
           nl +
           QStringLiteral(
               "will not be scaled to reflect these changes. The open times and timing") +
           nl + QStringLiteral("values will remain the same for each cell in the table.") + nl;
}

int16_t interpolate(int16_t low, int16_t high, float f) {
    float v = static_cast<float>(low) + f * static_cast<float>(high - low);
    if (v > 255.0f) {
        v = 255.0f;
    }
    if (v < 0.0f) {
        v = 0.0f;
    }
    return static_cast<int16_t>(roundHalfEven(v));
}

std::vector<FieldCell> rowCells(const LoadGrid& grid, int row) {
    std::vector<FieldCell> cells;
    for (int c = 0; c < kRows; ++c) {
        cells.push_back({row, c, grid[static_cast<std::size_t>(row)][static_cast<std::size_t>(c)]});
    }
    return cells;
}

} // namespace

RescaledTables rescaleMapTables(const EcuSettings& s, int newCount, int oldCount, bool isMax) {
    const int oldMax = isMax ? oldCount : s.MapMaxBits;
    const int newMax = isMax ? newCount : s.MapMaxBits;
    const int oldMin = isMax ? s.MapMinBits : oldCount;
    const int newMin = isMax ? s.MapMinBits : newCount;

    RescaledTables old;
    std::array<float, kRows> oldAxis{};
    std::array<int, kRows> newAxis{};
    for (std::size_t r = 0; r < kRows; ++r) {
        for (std::size_t c = 0; c < kRows; ++c) {
            old.fuel[r][c] = s.FuelTable[r][c];
            old.ignition[r][c] = static_cast<int16_t>(s.IgnitionTable[r][c] & 0xFF);
        }
        const int ri = static_cast<int>(r);
        newAxis[r] = static_cast<int>(roundHalfEven(newMax + ri * (newMin - newMax) / 15.0));
        oldAxis[r] = static_cast<float>(oldMax) +
                     static_cast<float>(ri) * static_cast<float>(oldMin - oldMax) / 15.0f;
    }

    RescaledTables out;
    for (std::size_t r = 0; r < kRows; ++r) {
        const auto x = static_cast<float>(newAxis[r]);
        if (x >= oldAxis[0] || x <= oldAxis[kRows - 1]) {
            const std::size_t from = x >= oldAxis[0] ? 0 : kRows - 1;
            out.fuel[r] = old.fuel[from];
            out.ignition[r] = old.ignition[from];
            continue;
        }
        std::size_t k = 1;
        while (x < oldAxis[k]) {
            ++k;
        }
        const float f = (x - oldAxis[k - 1]) / (oldAxis[k] - oldAxis[k - 1]);
        for (std::size_t c = 0; c < kRows; ++c) {
            out.fuel[r][c] = interpolate(old.fuel[k - 1][c], old.fuel[k][c], f);
            out.ignition[r][c] = interpolate(old.ignition[k - 1][c], old.ignition[k][c], f);
        }
    }
    return out;
}

bool rescaleMap(SettingsStore& store, UserInteraction& ui, bool online, int newCount, int oldCount,
                bool isMax) {
    if (loadControl(store.settings()) != LoadControl::Map) {
        return false;
    }
    if (ui.message(rescaleQuestion(), UserInteraction::Icon::None,
                   UserInteraction::Buttons::YesNo) != UserInteraction::Answer::Yes) {
        return false;
    }
    BusyGuard busy(ui);
    const RescaledTables tables =
        rescaleMapTables(store.settings(), newCount & 0xFF, oldCount & 0xFF, isMax);
    using Send = SettingsStore::Send;
    if (!online) {
        for (int r = 0; r < kRows; ++r) {
            store.setCells(FieldId::FuelTable, rowCells(tables.fuel, r), Send::Never);
            store.setCells(FieldId::IgnitionTable, rowCells(tables.ignition, r), Send::Never);
        }
        return true;
    }
    ui.beginProgress(QStringLiteral("Sending Fuel Table"));
    ui.stepProgress();
    for (int r = 0; r < kRows; ++r) {
        store.setCells(FieldId::FuelTable, rowCells(tables.fuel, r), Send::Always);
        ui.stepProgress();
    }
    for (int i = 0; i < 8; ++i) {
        ui.stepProgress();
    }
    ui.beginProgress(QStringLiteral("Sending Ignition Table"));
    for (int r = 0; r < kRows; ++r) {
        store.setCells(FieldId::IgnitionTable, rowCells(tables.ignition, r), Send::Always);
        ui.stepProgress();
    }
    ui.endProgress();
    return true;
}
