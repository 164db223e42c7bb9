// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autotune/EgoModel.h"

// The physics of the simulated engine, apart from the ECU that runs it: how
// much air it breathes (a true volumetric efficiency over rpm and manifold
// pressure), the fuel that air needs, the mixture a fuel time gives, and how
// the exhaust oxygen sensor reports it.
struct EngineModel {
    // Injector open time per revolution (ms) for each psi of manifold
    // pressure at a volumetric efficiency of 1. The default suits the
    // default fuel table; a bigger engine on the same injectors needs more.
    double fuelMsPerPsi = 0.33;
    // The mixture that the needed fuel gives.
    double afrAtNeed = 14.7;
    // The sensor: its volts through this transfer, the exhaust's lag from the
    // cylinder to it, and its own first-order response.
    EgoTransfer transfer;
    EgoLag lag;
    double sensorResponseMs = 100.0;

    // A smooth surface: about 0.68 at idle, highest (0.96) near 4400 rpm at
    // full pressure.
    static double volumetricEfficiency(double rpm, double mapPsi);
    double fuelNeededMs(double rpm, double mapPsi) const;
    // The air/fuel ratio that a fuel time gives; endless without fuel.
    double afr(double deliveredMs, double rpm, double mapPsi) const;
};
