// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Reading the data and settings files whole, and writing command output to a
// named file.

// No data or settings file comes near this size: a data file is about 4 KB.
inline constexpr qint64 kMaxInputFileBytes = 1024 * 1024;

struct WholeFile {
    QByteArray data;
    // "Error - <number> - <description>" when the file could not be read, or
    // the reason it was refused.
    QString error;
    // The file is there but was not read for what it is: not a regular file,
    // or larger than the limit. The error then names the file.
    bool refused = false;

    bool ok() const { return error.isEmpty(); }
};

// Reads a regular file (or a link to one) of at most maxBytes. The file is
// opened without waiting, so that a FIFO cannot hold the program up: a FIFO,
// a device, a folder or a socket is refused unread, and so is a larger file.
// Running out of memory is a failure like any other.
WholeFile readWholeFile(const QString& path, qint64 maxBytes = kMaxInputFileBytes);

// A file the program keeps beside the settings file at settingsPath.
QString fileBesideSettings(const QString& settingsPath, const QString& name);

// What parse makes of the file at path, or the default T when the file is
// missing, cannot be read or parse finds nothing usable in it.
template <typename T, typename Parse> T parsedFileOr(const QString& path, Parse parse) {
    const WholeFile file = readWholeFile(path);
    if (!file.ok()) {
        return T{};
    }
    return parse(file.data).value_or(T{});
}

// Makes the folder of path when it is missing, then saves data there
// atomically. Returns an empty text on success, otherwise why not.
QString saveFileWithFolder(const QString& path, const QByteArray& data);

// Writes data to path. A regular file or a new name is replaced atomically
// (saveFileAtomically); a FIFO or a character device, or a symbolic link to
// one, is written directly and stays what it is. Returns an empty text on
// success, else "Error - <number> - <description>".
QString saveOutputFile(const QString& path, const QByteArray& data);
