// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/SerialLink.h"

#include <QByteArray>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

// A serial link that plays the ECU from a script. Every byte written is
// recorded; each read takes the next scripted reply (-1 stands for a time-out
// and costs no real time). When the script runs dry, an optional responder
// decides the reply from the bytes written so far, else the read times out.
class ScriptedLink : public SerialLink {
public:
    using Responder = std::function<int(const std::vector<int>& written)>;

    bool open(QString* errorText) override {
        if (!openError.isEmpty()) {
            if (errorText != nullptr) {
                *errorText = openError;
            }
            return false;
        }
        ++opens;
        m_open = true;
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void clear() override {
        ++clears;
        events.push_back(kClearMark);
    }
    bool writeByte(uint8_t byte) override {
        if (!m_open) {
            return false;
        }
        written.push_back(byte);
        events.push_back(byte);
        return true;
    }
    int readByte(int timeoutMs) override {
        readTimeouts.push_back(timeoutMs);
        events.push_back(kReadMark);
        if (!replies.empty()) {
            const int r = replies.front();
            replies.pop_front();
            return r;
        }
        if (responder) {
            return responder(written);
        }
        return -1;
    }
    QByteArray readBlock(int minLength, int timeoutMs) override {
        blockRequests.push_back({minLength, timeoutMs});
        QByteArray out;
        if (!blocks.empty()) {
            out = blocks.front();
            blocks.pop_front();
        }
        return out;
    }

    // The command byte of every exchange: the first byte written after each
    // time the receive buffer was emptied.
    std::vector<int> commands() const {
        std::vector<int> out;
        bool expectCommand = false;
        for (int e : events) {
            if (e == kClearMark) {
                expectCommand = true;
            } else if (e >= 0 && expectCommand) {
                out.push_back(e);
                expectCommand = false;
            }
        }
        return out;
    }

    // Queues replies for readByte.
    void reply(std::initializer_list<int> bytes) { replies.insert(replies.end(), bytes); }

    static constexpr int kClearMark = -100;
    static constexpr int kReadMark = -200;

    std::vector<int> written;
    // Written bytes in order, with kClearMark where the receive buffer was
    // emptied and kReadMark where a reply was awaited.
    std::vector<int> events;
    std::deque<int> replies;
    std::deque<QByteArray> blocks;
    Responder responder;
    std::vector<int> readTimeouts;
    std::vector<std::pair<int, int>> blockRequests;
    QString openError;
    int clears = 0;
    int opens = 0;

private:
    bool m_open = true;
};
