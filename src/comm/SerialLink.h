// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The byte pipe to the ECU. Every wait has a time limit; a time-out is told
// apart from an error by the return value (-1 for nothing received).
class SerialLink {
public:
    virtual ~SerialLink() = default;

    // Opens the link; on failure returns false with the system's text.
    virtual bool open(QString* errorText) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Empties the receive buffer (nothing when closed).
    virtual void clear() = 0;
    // Transmits one byte; false when the port is closed or the write failed.
    virtual bool writeByte(uint8_t byte) = 0;
    // The first byte received within timeoutMs, or -1.
    virtual int readByte(int timeoutMs) = 0;
    // Collects received bytes until at least minLength have arrived or
    // timeoutMs has passed; returns all that arrived.
    virtual QByteArray readBlock(int minLength, int timeoutMs) = 0;
};
