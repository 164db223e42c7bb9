// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct EcuSettings;
class QWidget;
class UserInteraction;

// Compare with ECU: what the data file at path would change in the settings
// of the program, without sending anything. A list of the differences opens
// beside the parent; a file that cannot be read, or one that holds the same
// settings, is told through ui.
void showComparison(QWidget* parent, const EcuSettings& program, const QString& path,
                    UserInteraction& ui);
