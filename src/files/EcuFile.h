// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "record/FieldTable.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

// The .ecu data file: a complete copy of the settings record as list-style
// text. Written in version 2.52; read in versions 1.07, 1.08 and 2.52.

enum class EcuFileVersion { V1_07 = 1, V1_08 = 2, V2_52 = 3 };

// Width of a value in the file: a read value must fit it.
enum class EcuFileWidth { Byte, Int16, Int32, Single };

// Which versions carry a scalar line (bit mask).
inline constexpr unsigned kInV107 = kInFile107;
inline constexpr unsigned kInV108 = kInFile108;
inline constexpr unsigned kInV252 = kInFile252;
inline constexpr unsigned kInAllVersions = kInAllFiles;

unsigned ecuFileVersionBit(EcuFileVersion version);

// Width of the quoted labels of the scalar lines.
inline constexpr int kEcuFileLabelWidth = 24;

inline constexpr float kEcuFileWrittenVersion = 2.52f;

// One scalar line after the version line, in file order: a field of the field
// table that has a label. The older versions carry a few values that are read
// and dropped: they have no field.
struct EcuFileScalar {
    const char* name; // the label without its padding
    EcuFileWidth width;
    unsigned versions;
    const FieldRow* field;

    bool isField() const { return field != nullptr; }
    int64_t get(const EcuSettings& s) const { return field->get(s, 0, 0); }
    void set(EcuSettings& s, int64_t value) const { field->set(s, 0, 0, value); }
};

// Every scalar line of every version, in file order.
std::span<const EcuFileScalar> ecuFileScalars();

// A label as it stands between the quotes: the name padded with blanks.
QString ecuFileLabel(const char* name);

// One value of a table section, pointing into a record.
using EcuFileCell = std::variant<int16_t*, int32_t*>;

struct EcuFileSection {
    QString heading; // exactly as written, leading blank included
    bool rowsEndWithComma = true;
    std::vector<std::vector<EcuFileCell>> rows;
};

// The table sections of a record in file order, pointing into settings. The
// fuel and ignition tables cover load index 0..LoadIndexMax and rpm index
// 0..RpmIndexMax.
std::vector<EcuFileSection> ecuFileSections(EcuSettings& settings);

int64_t cellValue(const EcuFileCell& cell);

// The file text of a record, CR LF line ends.
QByteArray writeEcuFile(const EcuSettings& settings);

struct EcuFileReadResult {
    // The new record when the whole file was valid; fields that the file's
    // version lacks keep their values from the record the reader was given.
    std::optional<EcuSettings> settings;
    std::optional<EcuFileVersion> version;
    // What was wrong otherwise, ready to show.
    QString error;
    // Line of the fault in a malformed file (0 when the fault has no line).
    int errorLine = 0;

    bool ok() const { return settings.has_value(); }
};

// Reads a whole file into a copy of current. Nothing of current changes: a
// caller replaces its record only when the result is ok().
EcuFileReadResult readEcuFile(const QByteArray& data, const EcuSettings& current);

EcuFileReadResult loadEcuFile(const QString& path, const EcuSettings& current);

struct EcuFileSaveResult {
    QString error; // "Error - <number> - <description>" on failure

    bool ok() const { return error.isEmpty(); }
};

// A name chosen for saving, with ".ecu" added when it has no extension, so
// that File > Open's filter shows the file.
QString withEcuExtension(const QString& path);

// Writes the file atomically: the previous file under that name stays whole
// until the new one is complete, and stays as it was when the save fails.
EcuFileSaveResult saveEcuFile(const QString& path, const EcuSettings& settings);
