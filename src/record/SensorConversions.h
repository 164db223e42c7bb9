// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Conversions between the ECU's 8-bit sensor counts and engineering units.
// Every window, log and report that shows a MAP pressure or a temperature uses
// these; none keeps a conversion of its own.

// MAP count 0..255 to psi for MAP sensor type 1, 2 or 3; any other type gives 0.
float mapCountsToPsi(int type, int count);

// Psi to the nearest MAP count (halves to even), 0 below the sensor's range
// and 255 above it; any other type gives 0.
int psiToMapCounts(int type, float psi);

// Temperature sensor count 0..255 to whole degrees Fahrenheit.
float tempCountsToDegrees(int count);

// The lowest count whose temperature is at or below the given one. A
// temperature below the coldest point of the curve (-78 F) gives 255.
int degreesToTempCounts(float degrees);
