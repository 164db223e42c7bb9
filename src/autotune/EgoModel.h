// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How an exhaust oxygen sensor's reading is read: its volts as an air/fuel
// ratio, and how long the exhaust takes from the cylinder to the sensor.

// A linear transfer from volts to air/fuel ratio through two points. The
// default, 0 V = 10.0 and 5 V = 20.0, is the common output of a wideband
// controller.
struct EgoTransfer {
    double volts0 = 0.0;
    double afr0 = 10.0;
    double volts1 = 5.0;
    double afr1 = 20.0;

    // False when both points have the same volts.
    bool valid() const { return volts0 != volts1; }
    double afr(double volts) const;
    double volts(double afr) const;
    bool operator==(const EgoTransfer&) const = default;
};

// The transport lag: the reading at a moment shows the mixture burnt one lag
// earlier. It falls linearly with rpm between two points, by default from
// 200 ms at 800 rpm to 50 ms at 6000 rpm, and stays at the end values
// outside them.
struct EgoLag {
    double lowRpm = 800.0;
    double lowRpmMs = 200.0;
    double highRpm = 6000.0;
    double highRpmMs = 50.0;

    double ms(double rpm) const;
    // The longest lag at any rpm.
    double longestMs() const;
    bool operator==(const EgoLag&) const = default;
};
