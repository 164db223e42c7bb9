// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The program's version text: the major version, ".", the minor version as
// three digits, two blanks, "Build ", and the revision as three digits
// (2, 13, 5 gives "2.013  Build 005").
QString buildMonitorVersion(int major, int minor, int revision);

// The version text of this build.
QString monitorVersion();
