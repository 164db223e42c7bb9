// SPDX-License-Identifier: GPL-3.0-or-later
// The command table, the data file's scalar lines and the other-settings block
// are views of the field table; each is compared with a golden file written
// out from the protocol, block and file descriptions.

#include "TestData.h"

#include "comm/CommandTable.h"
#include "files/EcuFile.h"
#include "record/FieldTable.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <map>

namespace {

QString kindOf(const CommandEntry& entry) {
    if (entry.action != CommandAction::Value) {
        return QStringLiteral("special");
    }
    switch (entry.form) {
    case WireForm::TwoByte:
        return QStringLiteral("2B");
    case WireForm::Indexed:
        return QStringLiteral("indexed");
    case WireForm::Cell:
        return QStringLiteral("cell");
    default:
        return QStringLiteral("byte");
    }
}

QString nameOf(const FieldRow& row) {
    const NibblePair pair = nibblePair(row);
    if (pair.low != nullptr) {
        return QStringLiteral("%1+%2").arg(QLatin1String(pair.high->name),
                                           QLatin1String(pair.low->name));
    }
    return QLatin1String(row.name);
}

TEST(FieldTableViews, CommandTableMatchesTheProtocol) {
    QString text;
    for (int code : commandCodes()) {
        const CommandEntry entry = *findCommand(code);
        text += QStringLiteral("%1 %2 %3 %4\n")
                    .arg(code)
                    .arg(entry.write ? "write" : "read", kindOf(entry),
                         entry.setting ? nameOf(*entry.setting) : QStringLiteral("-"));
    }
    EXPECT_EQ(text.toStdString(), testDataText("field-table/commands.txt").toStdString());
}

TEST(FieldTableViews, OtherBlockLayoutMatchesTheBlock) {
    std::map<int, QString> positions;
    for (const FieldRow& row : fieldTable()) {
        if (row.blockPosition == 0 || row.wire == WireForm::NibbleLow) {
            continue;
        }
        if (row.shape == FieldShape::Curve) {
            for (int slot = 0; slot < kCurveSlotsSent; ++slot) {
                positions[row.blockPosition + slot] =
                    QStringLiteral("%1[%2]").arg(row.name).arg(slot);
            }
            continue;
        }
        QString entry = nameOf(row);
        if (row.wire == WireForm::TwoByte) {
            entry += QStringLiteral(" 2B");
        } else if (row.wire == WireForm::Thousands) {
            entry += QStringLiteral(" thousands");
        }
        positions[row.blockPosition] = entry;
    }
    QString text;
    for (const auto& [position, entry] : positions) {
        text += QStringLiteral("%1 %2\n").arg(position).arg(entry);
    }
    EXPECT_EQ(text.toStdString(), testDataText("field-table/other-block.txt").toStdString());
}

TEST(FieldTableViews, DataFileScalarLinesMatchTheFile) {
    QString text = QStringLiteral("File Version|2.52|single\n");
    for (const EcuFileScalar& line : ecuFileScalars()) {
        if ((line.versions & kInV252) == 0) {
            continue;
        }
        const char* type = line.width == EcuFileWidth::Byte    ? "byte"
                           : line.width == EcuFileWidth::Int16 ? "16-bit"
                                                               : "32-bit";
        text += QStringLiteral("%1|%2|%3\n").arg(line.name, line.field->name, type);
    }
    EXPECT_EQ(text.toStdString(), testDataText("field-table/file-scalars.txt").toStdString());
}

} // namespace
