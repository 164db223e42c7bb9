// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/ListStyle.h"

#include <charconv>
#include <cmath>

namespace {

template <typename F> QString shortestFixed(F value) {
    if (!std::isfinite(value)) {
        return QStringLiteral("0");
    }
    char buf[128];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    QString s = QString::fromLatin1(buf, static_cast<int>(r.ptr - buf));
    if (s == QLatin1String("-0")) {
        s = QStringLiteral("0");
    }
    return s;
}

// The text of a number without its one optional "+"; a second sign is left
// in place for the number's parser to refuse.
const char* skipPlus(const char* first, const char* last) {
    return first != last && *first == '+' &&
                   (last - first == 1 || (first[1] != '-' && first[1] != '+'))
               ? first + 1
               : first;
}

} // namespace

QString quotedItem(const QString& text) {
    if (text.size() <= kQuotedItemLength) {
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    return QLatin1Char('"') + text.left(kQuotedItemLength) + QStringLiteral("...\"");
}

QString shortestDecimal(float value) {
    return shortestFixed(value);
}
QString shortestDecimal(double value) {
    return shortestFixed(value);
}

bool readOptionalNumber(QString text, std::optional<float>& value) {
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    if (text.isEmpty()) {
        value.reset();
        return true;
    }
    bool ok = false;
    const float number = text.toFloat(&ok);
    if (!ok || !std::isfinite(number)) {
        return false;
    }
    value = number;
    return true;
}

QString optionalNumberText(const std::optional<float>& value) {
    return value ? shortestDecimal(*value) : QString();
}

void ListWriter::separate() {
    if (m_lineHasItem) {
        m_data.append(',');
    }
    m_lineHasItem = true;
}

void ListWriter::writeString(const QString& text) {
    separate();
    m_data.append('"');
    m_data.append(text.toLatin1());
    m_data.append('"');
}

void ListWriter::writeInteger(int64_t value) {
    separate();
    m_data.append(QByteArray::number(static_cast<qlonglong>(value)));
}

void ListWriter::writeSingle(float value) {
    separate();
    m_data.append(shortestDecimal(value).toLatin1());
}

void ListWriter::writeBool(bool value) {
    separate();
    m_data.append(value ? "#TRUE#" : "#FALSE#");
}

void ListWriter::endLine(bool trailingComma) {
    if (trailingComma) {
        m_data.append(',');
    }
    m_data.append("\r\n");
    m_lineHasItem = false;
}

ListReader::ListReader(const QByteArray& data) {
    const QString text = QString::fromLatin1(data);
    int line = 1;
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n) {
        // One physical line: split into items at commas outside quotes.
        int end = i;
        while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r')) {
            ++end;
        }
        int p = i;
        while (true) {
            Item item;
            item.line = line;
            while (p < end && text[p] == QLatin1Char(' ')) {
                ++p;
            }
            if (p < end && text[p] == QLatin1Char('"')) {
                item.quoted = true;
                int close = text.indexOf(QLatin1Char('"'), p + 1);
                if (close < 0 || close > end) {
                    close = end;
                }
                item.text = text.mid(p + 1, close - p - 1);
                p = close < end ? close + 1 : end;
                while (p < end && text[p] != QLatin1Char(',')) {
                    ++p;
                }
            } else {
                int comma = p;
                while (comma < end && text[comma] != QLatin1Char(',')) {
                    ++comma;
                }
                item.text = text.mid(p, comma - p).trimmed();
                p = comma;
            }
            m_items.push_back(item);
            if (p < end && text[p] == QLatin1Char(',')) {
                ++p;
                continue;
            }
            break;
        }
        // Line end: CR LF, a lone LF or a lone CR.
        i = end;
        if (i < n && text[i] == QLatin1Char('\r')) {
            ++i;
        }
        if (i < n && text[i] == QLatin1Char('\n')) {
            ++i;
        }
        ++line;
    }
}

bool ListReader::atEnd() const {
    return m_pos >= m_items.size();
}

void ListReader::fail(int line, const QString& why) {
    if (m_error.isEmpty()) {
        m_line = line;
        m_error = QStringLiteral("line %1: %2").arg(line).arg(why);
    }
}

const ListReader::Item* ListReader::next(const char* what) {
    if (failed()) {
        return nullptr;
    }
    if (atEnd()) {
        const int line = m_items.empty() ? 1 : m_items.back().line + 1;
        fail(line, QStringLiteral("the file ends where %1 was expected").arg(QLatin1String(what)));
        return nullptr;
    }
    const Item* item = &m_items[m_pos++];
    m_line = item->line;
    return item;
}

std::optional<QString> ListReader::readString() {
    const Item* item = next("a text");
    if (!item) {
        return std::nullopt;
    }
    return item->text;
}

bool ListReader::skip() {
    return next("an item") != nullptr;
}

std::optional<int64_t> ListReader::readInteger(int64_t min, int64_t max) {
    const Item* item = next("a whole number");
    if (!item) {
        return std::nullopt;
    }
    const QByteArray bytes = item->text.toLatin1();
    int64_t value = 0;
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    first = skipPlus(first, last);
    auto r = std::from_chars(first, last, value);
    if (item->quoted || bytes.isEmpty() || r.ec == std::errc::invalid_argument || r.ptr != last) {
        // A whole number written with a zero fraction ("12.0") is still whole.
        double d = 0;
        auto rd = std::from_chars(first, last, d);
        if (item->quoted || bytes.isEmpty() || rd.ec != std::errc() || rd.ptr != last ||
            d != std::trunc(d)) {
            fail(item->line,
                 QStringLiteral("expected a whole number, found %1").arg(quotedItem(item->text)));
            return std::nullopt;
        }
        // 2^63, the first whole double that int64_t cannot hold, rounds to
        // INT64_MAX as a double and would pass the comparison with max.
        constexpr double kBeyondInt64 = 9223372036854775808.0;
        if (d < static_cast<double>(min) || d > static_cast<double>(max) || d >= kBeyondInt64) {
            fail(item->line, QStringLiteral("%1 is outside %2..%3")
                                 .arg(quotedItem(item->text))
                                 .arg(min)
                                 .arg(max));
            return std::nullopt;
        }
        return static_cast<int64_t>(d);
    }
    if (r.ec == std::errc::result_out_of_range || value < min || value > max) {
        fail(item->line,
             QStringLiteral("%1 is outside %2..%3").arg(quotedItem(item->text)).arg(min).arg(max));
        return std::nullopt;
    }
    return value;
}

std::optional<float> ListReader::readSingle() {
    const Item* item = next("a number");
    if (!item) {
        return std::nullopt;
    }
    const QByteArray bytes = item->text.toLatin1();
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    first = skipPlus(first, last);
    float value = 0;
    auto r = std::from_chars(first, last, value);
    if (item->quoted || bytes.isEmpty() || r.ec != std::errc() || r.ptr != last ||
        !std::isfinite(value)) {
        fail(item->line, QStringLiteral("expected a number, found %1").arg(quotedItem(item->text)));
        return std::nullopt;
    }
    return value;
}

std::optional<bool> ListReader::readBool() {
    const Item* item = next("#TRUE# or #FALSE#");
    if (!item) {
        return std::nullopt;
    }
    if (!item->quoted && item->text == QLatin1String("#TRUE#")) {
        return true;
    }
    if (!item->quoted && item->text == QLatin1String("#FALSE#")) {
        return false;
    }
    fail(item->line,
         QStringLiteral("expected #TRUE# or #FALSE#, found %1").arg(quotedItem(item->text)));
    return std::nullopt;
}
