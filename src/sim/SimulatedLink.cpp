// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimulatedLink.h"

bool SimulatedLink::open(QString* errorText) {
    if (!m_openError.isEmpty()) {
        if (errorText)
            *errorText = m_openError;
        m_open = false;
        return false;
    }
    m_open = true;
    return true;
}

bool SimulatedLink::writeByte(uint8_t byte) {
    if (!m_open)
        return false;
    m_written.append(static_cast<char>(byte));
    m_pending.append(m_ecu->receive(byte));
    return true;
}

int SimulatedLink::readByte(int /*timeoutMs*/) {
    if (!m_open || m_pending.isEmpty())
        return -1;
    const auto byte = static_cast<uint8_t>(m_pending.front());
    m_pending.remove(0, 1);
    return byte;
}

QByteArray SimulatedLink::readBlock(int /*minLength*/, int /*timeoutMs*/) {
    if (!m_open)
        return {};
    QByteArray all = m_pending;
    m_pending.clear();
    return all;
}
