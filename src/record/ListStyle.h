// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// The free-format list style of the settings and data files: one record a
// line ending CR LF, items separated by commas, strings in double quotes,
// numbers in plain decimal with "." as the decimal point, Booleans as #TRUE#
// and #FALSE#.

// The shortest plain decimal (no exponent) that reads back to the same value
// at the given precision: 0.55f gives "0.55", 2.52f gives "2.52", 200 gives
// "200", -1 gives "-1".
QString shortestDecimal(float value);
QString shortestDecimal(double value);

// A number the tuner types for a scale or a limit that may be left out:
// empty for none, "." or "," as the decimal mark. False, leaving value as it
// was, when the text is no number.
bool readOptionalNumber(QString text, std::optional<float>& value);
// Such a number as a box or a table shows it: empty for none.
QString optionalNumberText(const std::optional<float>& value);

// An item as a message quotes it: in double quotes, and cut to its first
// kQuotedItemLength characters followed by "..." when it is longer.
inline constexpr int kQuotedItemLength = 60;
QString quotedItem(const QString& text);

class ListWriter {
public:
    void writeString(const QString& text);
    void writeInteger(int64_t value);
    void writeSingle(float value);
    void writeBool(bool value);
    // Ends the record. With trailingComma the last item is followed by a
    // comma, as table rows are written ("1,2,3,").
    void endLine(bool trailingComma = false);

    const QByteArray& data() const { return m_data; }

private:
    void separate();

    QByteArray m_data;
    bool m_lineHasItem = false;
};

// Reads items in order, across lines, the way the files were written: an
// empty line is one empty item, and a trailing comma leaves one empty item at
// the end of its line. The first failure stops the reader; every later read
// fails too, and error() tells the line and what was wrong.
class ListReader {
public:
    explicit ListReader(const QByteArray& data);

    bool atEnd() const;
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    // 1-based line of the item last read (or about to be read after a failure).
    int lineNumber() const { return m_line; }

    // Any item, quoted or not, as text.
    std::optional<QString> readString();
    // A whole number within [min, max].
    std::optional<int64_t> readInteger(int64_t min, int64_t max);
    std::optional<int16_t> readInt16() {
        return narrow<int16_t>(readInteger(INT16_MIN, INT16_MAX));
    }
    std::optional<int32_t> readInt32() {
        return narrow<int32_t>(readInteger(INT32_MIN, INT32_MAX));
    }
    std::optional<uint8_t> readByte() { return narrow<uint8_t>(readInteger(0, 255)); }
    std::optional<float> readSingle();
    std::optional<bool> readBool();
    // Takes one item whatever it holds.
    bool skip();

private:
    struct Item {
        QString text;
        bool quoted = false;
        int line = 0;
    };

    template <typename T> static std::optional<T> narrow(std::optional<int64_t> v) {
        if (!v) {
            return std::nullopt;
        }
        return static_cast<T>(*v);
    }

    const Item* next(const char* what);
    void fail(int line, const QString& why);

    std::vector<Item> m_items;
    size_t m_pos = 0;
    int m_line = 1;
    QString m_error;
};
