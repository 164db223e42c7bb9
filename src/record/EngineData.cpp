// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/EngineData.h"

namespace {
void place(EngineChannel& c, const char* name, int row, int column) {
    c.Name = QString::fromLatin1(name);
    c.Row = static_cast<int16_t>(row);
    c.Column = static_cast<int16_t>(column);
}
} // namespace

EngineData EngineData::withChannelLayout() {
    EngineData d;
    place(d.RpmChannel, "RPM", 0, 1);
    place(d.MapChannel, "Map", 1, 1);
    place(d.AirChannel, "Air", 1, 3);
    place(d.WaterChannel, "Water", 0, 3);
    place(d.TpsChannel, "Tps", 0, 5);
    place(d.BatteryChannel, "Battery", 1, 5);
    place(d.FuelChannel, "Fuel  B1", 0, 7);
    place(d.IgnitionChannel, "Ignition", 1, 7);
    place(d.DutyChannel, "Duty", 0, 9);
    place(d.UserChannel[0], "User #1", 1, 9);
    place(d.UserChannel[1], "User #2", 0, 11);
    place(d.UserChannel[2], "User #3", 1, 11);
    return d;
}
