// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <map>

// A block reply of the given length with data bytes at 1-based positions, the
// sum of the data bytes in the two bytes before the last (high, low), and junk
// in the header and trailer, which are neither summed nor compared.
inline QByteArray makeBlock(int length, const std::map<int, int>& data) {
    QByteArray block(length, '\0');
    const int sumAt = length - 2;
    int sum = 0;
    for (const auto& [position, value] : data) {
        block[position - 1] = static_cast<char>(value);
        sum += value;
    }
    block[0] = static_cast<char>(0xA5);
    block[sumAt - 1] = static_cast<char>(sum / 256);
    block[sumAt] = static_cast<char>(sum % 256);
    block[length - 1] = static_cast<char>(0x5A);
    return block;
}

// A table block: load rows 0..15 of rpm cells 0..15.
template <typename F> QByteArray tableBlock(F cell) {
    std::map<int, int> data;
    for (int load = 0; load < 16; ++load) {
        for (int rpm = 0; rpm < 16; ++rpm) {
            data[2 + load * 16 + rpm] = cell(load, rpm);
        }
    }
    return makeBlock(260, data);
}
