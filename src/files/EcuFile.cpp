// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/EcuFile.h"

#include "record/AtomicSave.h"
#include "record/FileAccess.h"
#include "record/ListStyle.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <span>
#include <type_traits>

namespace {

EcuFileWidth widthOf(FieldWidth width) {
    switch (width) {
    case FieldWidth::UInt8:
        return EcuFileWidth::Byte;
    case FieldWidth::Int16:
        return EcuFileWidth::Int16;
    case FieldWidth::Int32:
        break;
    }
    return EcuFileWidth::Int32;
}

// The older versions carry a single-precision value after each of these
// fields, which is read and dropped.
struct Dropped {
    FieldId after;
    const char* name;
};
constexpr std::array<Dropped, 3> kDropped{{
    {FieldId::DecelMaxRpm, "old value after Decel Max Rpm"},
    {FieldId::CrankRpm, "old value after Crank Rpm"},
    {FieldId::BankCompensation4, "old value after Bank 4 Compensation"},
}};

// The labelled rows of the field table in their order, with the dropped values
// in between.
std::vector<EcuFileScalar> buildScalars() {
    std::vector<EcuFileScalar> lines;
    for (const FieldRow& row : fieldTable()) {
        if (row.fileLabel == nullptr) {
            continue;
        }
        lines.push_back({row.fileLabel, widthOf(row.width), row.fileVersions, &row});
        for (const Dropped& d : kDropped) {
            if (d.after == row.id) {
                lines.push_back({d.name, EcuFileWidth::Single, kInV107 | kInV108, nullptr});
            }
        }
    }
    return lines;
}

const std::vector<EcuFileScalar>& scalarLines() {
    static const std::vector<EcuFileScalar> lines = buildScalars();
    return lines;
}

const QString kVersionLabel = QStringLiteral("File Version");
const QString kEndMarker = QStringLiteral("-----End of Data File-----");

// Highest table index in use, limited to the array.
int lastIndex(int16_t indexMax) {
    return std::min<int>(indexMax, EcuSettings::kTableSize - 1);
}

template <typename Range> std::vector<EcuFileCell> arrayRow(Range&& values) {
    std::vector<EcuFileCell> row;
    for (auto& v : values) {
        row.emplace_back(&v);
    }
    return row;
}

// The slots of a curve that the file holds.
std::vector<EcuFileCell> curveRow(EcuSettings::Curve& curve) {
    return arrayRow(std::span(curve).first<EcuSettings::kCurveSent>());
}

std::vector<std::vector<EcuFileCell>> tableRows(EcuSettings::Table& table, int lastLoad,
                                                int lastRpm) {
    std::vector<std::vector<EcuFileCell>> rows;
    for (int load = 0; load <= lastLoad; ++load) {
        std::vector<EcuFileCell> row;
        for (int rpm = 0; rpm <= lastRpm; ++rpm) {
            row.emplace_back(&table[load][rpm]);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<int64_t> readValue(ListReader& reader, EcuFileWidth width) {
    switch (width) {
    case EcuFileWidth::Byte:
        return reader.readInteger(0, UINT8_MAX);
    case EcuFileWidth::Int16:
        return reader.readInteger(INT16_MIN, INT16_MAX);
    case EcuFileWidth::Int32:
        return reader.readInteger(INT32_MIN, INT32_MAX);
    case EcuFileWidth::Single:
        if (reader.readSingle()) {
            return 0;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

// Reads one file into a scratch record and remembers the first fault.
class EcuFileParser {
public:
    EcuFileParser(const QByteArray& data, const EcuSettings& current)
        : m_reader(data), m_settings(current) {}

    EcuFileReadResult run() {
        EcuFileReadResult result;
        if (const std::optional<float> number = readVersionNumber()) {
            result.version = versionOf(*number);
            if (!result.version) {
                result.error =
                    QStringLiteral("Invalid Data File Version ") + shortestDecimal(*number);
                return result;
            }
            m_version = *result.version;
            if (readScalars() && readSections() && readEnd()) {
                result.settings = m_settings;
                return result;
            }
        }
        result.version.reset();
        result.errorLine = m_errorLine;
        result.error = QStringLiteral("Data file not loaded - %1").arg(m_error);
        return result;
    }

private:
    static std::optional<EcuFileVersion> versionOf(float number) {
        if (number == 1.07f) {
            return EcuFileVersion::V1_07;
        }
        if (number == 1.08f) {
            return EcuFileVersion::V1_08;
        }
        if (number == kEcuFileWrittenVersion) {
            return EcuFileVersion::V2_52;
        }
        return std::nullopt;
    }

    std::optional<float> readVersionNumber() {
        m_reader.skip();
        const std::optional<float> number = m_reader.readSingle();
        if (!number) {
            fail(QStringLiteral("the file version"));
        }
        return number;
    }

    bool readScalars() {
        const unsigned bit = ecuFileVersionBit(m_version);
        for (const EcuFileScalar& line : scalarLines()) {
            if ((line.versions & bit) == 0) {
                continue;
            }
            m_reader.skip();
            const std::optional<int64_t> value = readValue(m_reader, line.width);
            if (!value) {
                return fail(QStringLiteral("\"%1\"").arg(QLatin1String(line.name)));
            }
            if (line.isField()) {
                line.set(m_settings, *value);
            }
        }
        return true;
    }

    bool readSections() {
        for (EcuFileSection& section : ecuFileSections(m_settings)) {
            const QString where = section.heading.trimmed();
            if (!readEmptyItem(QStringLiteral("an empty line before %1").arg(where))) {
                return false;
            }
            if (!m_reader.skip()) {
                return fail(QStringLiteral("the heading %1").arg(where));
            }
            for (size_t row = 0; row < section.rows.size(); ++row) {
                const QString rowName = QStringLiteral("%1 row %2").arg(where).arg(row);
                for (EcuFileCell& cell : section.rows[row]) {
                    if (!readCell(cell)) {
                        return fail(rowName);
                    }
                }
                if (section.rowsEndWithComma &&
                    !readEmptyItem(QStringLiteral("the end of %1").arg(rowName))) {
                    return false;
                }
            }
        }
        return true;
    }

    bool readCell(EcuFileCell& cell) {
        if (int16_t** p16 = std::get_if<int16_t*>(&cell)) {
            const std::optional<int16_t> v = m_reader.readInt16();
            if (v) {
                **p16 = *v;
            }
            return v.has_value();
        }
        const std::optional<int32_t> v = m_reader.readInt32();
        if (v) {
            *std::get<int32_t*>(cell) = *v;
        }
        return v.has_value();
    }

    // The empty line before a heading, or the empty item that the trailing
    // comma of a row leaves.
    bool readEmptyItem(const QString& what) {
        const std::optional<QString> item = m_reader.readString();
        if (!item) {
            return fail(what);
        }
        if (!item->isEmpty()) {
            m_errorLine = m_reader.lineNumber();
            m_error = QStringLiteral("line %1: expected %2, found %3")
                          .arg(m_errorLine)
                          .arg(what, quotedItem(*item));
            return false;
        }
        return true;
    }

    bool readEnd() {
        if (!m_reader.skip()) {
            return fail(QStringLiteral("the end marker"));
        }
        return true;
    }

    bool fail(const QString& context) {
        m_errorLine = m_reader.lineNumber();
        m_error = QStringLiteral("%1 (%2)").arg(m_reader.error(), context);
        return false;
    }

    ListReader m_reader;
    EcuSettings m_settings;
    EcuFileVersion m_version = EcuFileVersion::V2_52;
    QString m_error;
    int m_errorLine = 0;
};

} // namespace

unsigned ecuFileVersionBit(EcuFileVersion version) {
    switch (version) {
    case EcuFileVersion::V1_07:
        return kInV107;
    case EcuFileVersion::V1_08:
        return kInV108;
    case EcuFileVersion::V2_52:
        return kInV252;
    }
    return 0;
}

std::span<const EcuFileScalar> ecuFileScalars() {
    return scalarLines();
}

QString ecuFileLabel(const char* name) {
    return QString::fromLatin1(name).leftJustified(kEcuFileLabelWidth, QLatin1Char(' '));
}

std::vector<EcuFileSection> ecuFileSections(EcuSettings& s) {
    std::vector<EcuFileSection> sections;
    sections.push_back(
        {QStringLiteral(" Air Temp Compensation - Fuel"), true, {curveRow(s.AirTempFuelComp)}});
    sections.push_back(
        {QStringLiteral(" Water Temp Compensation - Fuel"), true, {curveRow(s.WaterTempFuelComp)}});
    sections.push_back({QStringLiteral(" Battery Volt Compensation - Fuel"),
                        true,
                        {curveRow(s.BatteryVoltFuelComp)}});
    sections.push_back({QStringLiteral(" Air Temp Compensation - Ignition"),
                        true,
                        {curveRow(s.AirTempIgnitionComp)}});

    EcuFileSection analog{QStringLiteral(" User Input Analog"), true, {}};
    for (int i = 0; i < EcuSettings::kUserInputs; ++i) {
        std::vector<EcuFileCell> row{&s.UserInputAnalogMode[i]};
        for (const EcuFileCell& cell : curveRow(s.UserInputAnalogTable[i])) {
            row.push_back(cell);
        }
        analog.rows.push_back(std::move(row));
    }
    sections.push_back(std::move(analog));

    sections.push_back(
        {QStringLiteral(" User Input Digital"), true, {arrayRow(s.UserInputDigitalMode)}});

    EcuFileSection output{QStringLiteral(" User Output"), false, {}};
    for (int i = 0; i < EcuSettings::kUserOutputs; ++i) {
        output.rows.push_back({&s.UserOutputType[i], &s.UserOutputOff[i], &s.UserOutputOn[i]});
    }
    sections.push_back(std::move(output));

    const int lastLoad = lastIndex(s.LoadIndexMax);
    const int lastRpm = lastIndex(s.RpmIndexMax);
    sections.push_back(
        {QStringLiteral(" Fuel Table"), true, tableRows(s.FuelTable, lastLoad, lastRpm)});
    sections.push_back(
        {QStringLiteral("Ignition Table"), true, tableRows(s.IgnitionTable, lastLoad, lastRpm)});

    sections.push_back(
        {QStringLiteral(" Extra Stuff"), true, {arrayRow(s.UC_Extra), arrayRow(s.UI_Extra)}});
    return sections;
}

int64_t cellValue(const EcuFileCell& cell) {
    return std::visit([](auto* p) { return static_cast<int64_t>(*p); }, cell);
}

QByteArray writeEcuFile(const EcuSettings& settings) {
    ListWriter w;
    w.writeString(ecuFileLabel("File Version"));
    w.writeSingle(kEcuFileWrittenVersion);
    w.endLine();
    for (const EcuFileScalar& line : scalarLines()) {
        if ((line.versions & kInV252) == 0) {
            continue;
        }
        w.writeString(ecuFileLabel(line.name));
        w.writeInteger(line.get(settings));
        w.endLine();
    }

    EcuSettings copy = settings;
    for (const EcuFileSection& section : ecuFileSections(copy)) {
        w.endLine();
        w.writeString(section.heading);
        w.endLine();
        for (const auto& row : section.rows) {
            for (const EcuFileCell& cell : row) {
                w.writeInteger(cellValue(cell));
            }
            w.endLine(section.rowsEndWithComma);
        }
    }
    w.writeString(kEndMarker);
    w.endLine();
    return w.data();
}

EcuFileReadResult readEcuFile(const QByteArray& data, const EcuSettings& current) {
    return EcuFileParser(data, current).run();
}

EcuFileReadResult loadEcuFile(const QString& path, const EcuSettings& current) {
    const WholeFile file = readWholeFile(path);
    if (!file.ok()) {
        EcuFileReadResult result;
        result.error = file.error;
        return result;
    }
    return readEcuFile(file.data, current);
}

QString withEcuExtension(const QString& path) {
    if (!QFileInfo(path).suffix().isEmpty()) {
        return path;
    }
    return path +
           (path.endsWith(QLatin1Char('.')) ? QStringLiteral("ecu") : QStringLiteral(".ecu"));
}

EcuFileSaveResult saveEcuFile(const QString& path, const EcuSettings& settings) {
    return {saveFileAtomically(path, writeEcuFile(settings))};
}
