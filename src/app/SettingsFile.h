// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/AppState.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The per-user settings file "Vantrel.ini": window placement, serial port,
// plot choices and scales, generator inputs, display flags and the table mark
// flags, kept between runs. It is read once at start and written once at exit.

// The screen the defaults are sized for, in twips (1/1440 inch).
struct ScreenMetrics {
    double widthTwips = 0;
    double heightTwips = 0;
    double twipsPerPixel = 15;
};

// What the caller has to do after a read.
struct SettingsReadResult {
    // The file was missing, unreadable, short or of another version, so the
    // defaults are in force: tell the user.
    bool usedDefaults = false;
    // Why the defaults were used (empty after a good read).
    QString problem;
    // The file is there but was refused unread (a FIFO, a device, too
    // large); the problem then names it, for the user.
    bool refused = false;
    // The serial port to select: the port number when it is 1 to 5, else none.
    std::optional<int> portToSelect;
};

// The main window as it stands when the file is written.
struct MainWindowAtExit {
    // 0 normal, 1 minimised, 2 maximised.
    int16_t state = 0;
    // Current geometry in twips, used when the state is normal; otherwise the
    // placement read at start (or its defaults) is written.
    double top = 0;
    double left = 0;
    double width = 0;
    double height = 0;
};

// Where the file lives when no other path is given.
QString defaultSettingsFilePath();

// Reads the file at `path` into `state`. Any failure (missing file, short file,
// a value of the wrong form, a first value other than 2) puts the defaults in
// force instead: the generator inputs and the cross-hair flags keep the values
// they had before the read, or those read before the failure.
SettingsReadResult readSettingsFile(AppState& state, const QString& path,
                                    const ScreenMetrics& screen);
// The same from the file's bytes; nullopt means the file could not be read.
SettingsReadResult readSettings(AppState& state, const std::optional<QByteArray>& data,
                                const ScreenMetrics& screen);

// The file's text. Without `window` the stored placement is written as it is.
QByteArray settingsFileBytes(const AppState& state, bool comPortOpen,
                             const std::optional<MainWindowAtExit>& window = std::nullopt);

// Replaces the file at `path` with `bytes` as a whole, creating its folder.
// Returns an empty text on success, else what went wrong; the old file is
// then left as it was.
QString saveSettingsFile(const QString& path, const QByteArray& bytes);
