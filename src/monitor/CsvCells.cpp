// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/CsvCells.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

} // namespace

char csvSeparator(QByteArrayView header) {
    constexpr std::array<char, 3> kSeparators{'\t', ';', ','};
    std::array<int, 3> counts{};
    bool quoted = false;
    for (const char c : header) {
        if (c == '"') {
            quoted = !quoted;
        }
        for (size_t s = 0; s < kSeparators.size(); ++s) {
            counts[s] += !quoted && c == kSeparators[s] ? 1 : 0;
        }
    }
    size_t best = kSeparators.size() - 1;
    for (size_t s = kSeparators.size(); s-- > 0;) {
        if (counts[s] > 0 && counts[s] >= counts[best]) {
            best = s;
        }
    }
    return kSeparators[best];
}

void splitCsvLine(QByteArrayView line, char separator, std::vector<QByteArrayView>& cells,
                  std::vector<QByteArray>& storage) {
    cells.clear();
    if (!line.contains('"')) {
        qsizetype start = 0;
        for (qsizetype at = line.indexOf(separator); at >= 0; at = line.indexOf(separator, start)) {
            cells.push_back(line.sliced(start, at - start));
            start = at + 1;
        }
        cells.push_back(line.sliced(start));
        return;
    }
    storage.assign(1, QByteArray());
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            storage.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            storage.emplace_back();
        } else {
            storage.back() += c;
        }
    }
    for (const QByteArray& cell : storage) {
        cells.push_back(cell);
    }
}

QByteArrayView trimmedCsvCell(QByteArrayView cell) {
    if (cell.startsWith("\xEF\xBB\xBF")) {
        cell = cell.sliced(3);
    }
    while (!cell.isEmpty() && isBlank(cell.front())) {
        cell = cell.sliced(1);
    }
    while (!cell.isEmpty() && isBlank(cell.back())) {
        cell.chop(1);
    }
    return cell;
}

std::optional<double> parseCsvNumber(QByteArrayView cell, char separator) {
    cell = trimmedCsvCell(cell);
    if (cell.startsWith('+')) {
        cell = cell.sliced(1);
    }
    // Room for any number a logger writes; a longer cell is no number.
    std::array<char, 64> text{};
    if (cell.isEmpty() || cell.size() > static_cast<qsizetype>(text.size())) {
        return std::nullopt;
    }
    int marks = 0;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        char c = cell[i];
        if (c == ',' && separator != ',') {
            c = '.';
        }
        if (c == '.') {
            ++marks;
        } else if (!(c >= '0' && c <= '9') && c != '-' && c != 'e' && c != 'E') {
            return std::nullopt; // letters of "inf" and "nan" included
        }
        text[static_cast<size_t>(i)] = c;
    }
    if (marks > 1) {
        return std::nullopt;
    }
    double value = 0.0;
    const char* end = text.data() + cell.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}
