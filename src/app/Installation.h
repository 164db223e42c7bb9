// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingCodes.h"

#include <QIcon>
#include <QString>

// What the window program takes from its installation.

// The caption of an edition's main window and its background picture, a file
// in the program's folder.
struct Branding {
    QString caption;
    QString picture;
};
Branding brandingOf(Edition edition);

// The program's icon, drawn from its SVG at the sizes the desktop asks for;
// every window shows it.
QIcon applicationIcon();

// The user manual's first page: share/doc/vantrel/manual/index.html beside
// the folder of the executable, in the build tree as in an installed prefix.
QString userManualPath();
