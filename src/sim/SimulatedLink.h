// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/SerialLink.h"
#include "sim/SimulatedEcu.h"

#include <QByteArray>
#include <QString>

// A serial link that talks to a SimulatedEcu in the same process. Every byte
// written goes to the ECU at once and its reply is queued; reads take from the
// queue and never wait: with nothing queued they return at once as a time-out
// would. The bytes written are recorded for assertions.
class SimulatedLink : public SerialLink {
public:
    explicit SimulatedLink(SimulatedEcu* ecu) : m_ecu(ecu) {}

    bool open(QString* errorText) override;
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void clear() override { m_pending.clear(); }
    bool writeByte(uint8_t byte) override;
    int readByte(int timeoutMs) override;
    QByteArray readBlock(int minLength, int timeoutMs) override;

    // Makes the next open() fail with this text (empty = opens normally).
    void setOpenError(const QString& text) { m_openError = text; }

    SimulatedEcu* ecu() const { return m_ecu; }
    const QByteArray& written() const { return m_written; }
    void clearWritten() { m_written.clear(); }
    // Replies queued and not yet read.
    const QByteArray& pending() const { return m_pending; }

private:
    SimulatedEcu* m_ecu = nullptr;
    bool m_open = true;
    QString m_openError;
    QByteArray m_written;
    QByteArray m_pending;
};
