// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

// How a file dialog behaves: Open needs an existing file; OpenOrCreate takes
// a new name too (a log file that exists is appended to); Save takes any name
// without asking (the data file commands ask themselves, about the name the
// file gets).
enum class FileDialogMode { Open, OpenOrCreate, Save };

// Shows a file dialog (title, filter) and returns the chosen path, or an
// empty text when cancelled.
using FileChooser =
    std::function<QString(const QString& title, const QString& filter, FileDialogMode mode)>;
