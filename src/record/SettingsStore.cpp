// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/SettingsStore.h"

SettingsStore::SettingsStore(QObject* parent) : QObject(parent) {}

SettingsStore::SettingsStore(const EcuSettings& record, QObject* parent)
    : QObject(parent), m_record(record) {}

int64_t SettingsStore::value(FieldId id, int index1, int index2) const {
    return fieldRow(id).get(m_record, index1, index2);
}

void SettingsStore::setSender(Sender sender) {
    m_sender = std::move(sender);
}

bool SettingsStore::setValue(FieldId id, int64_t value, Send send, int index1, int index2) {
    const FieldRow& row = fieldRow(id);
    if (!fieldIndexesValid(row, index1, index2)) {
        return false;
    }
    const int64_t before = row.get(m_record, index1, index2);
    row.set(m_record, index1, index2, value);
    const int64_t after = row.get(m_record, index1, index2);
    const bool differs = after != before;
    if (send == Send::Always || (send == Send::IfChanged && differs)) {
        sendField(row, index1, index2);
    }
    if (differs) {
        SettingsChange change;
        change.field = id;
        if (row.shape != FieldShape::Scalar) {
            change.cells.push_back({index1, index2, after});
        }
        emit changed(change);
    }
    return differs;
}

void SettingsStore::setCells(FieldId id, const std::vector<FieldCell>& cells, Send send) {
    const FieldRow& row = fieldRow(id);
    SettingsChange change;
    change.field = id;
    for (const FieldCell& cell : cells) {
        if (!fieldIndexesValid(row, cell.index1, cell.index2)) {
            continue;
        }
        const int64_t before = row.get(m_record, cell.index1, cell.index2);
        row.set(m_record, cell.index1, cell.index2, cell.value);
        const int64_t after = row.get(m_record, cell.index1, cell.index2);
        if (send == Send::Always || (send == Send::IfChanged && after != before)) {
            sendField(row, cell.index1, cell.index2);
        }
        if (after != before) {
            change.cells.push_back({cell.index1, cell.index2, after});
        }
    }
    if (!change.cells.empty()) {
        emit changed(change);
    }
}

void SettingsStore::replace(const EcuSettings& record, ChangeOrigin origin) {
    m_record = record;
    announceRecord(origin);
}

void SettingsStore::receive(const FieldRow& row, int wireValue, int index1, int index2) {
    decodeFromWire(row, m_record, wireValue, index1, index2);
    SettingsChange change;
    change.field = row.id;
    change.origin = ChangeOrigin::Ecu;
    if (row.shape != FieldShape::Scalar) {
        change.cells.push_back({index1, index2, row.get(m_record, index1, index2)});
    }
    emit changed(change);
}

void SettingsStore::announceRecord(ChangeOrigin origin) {
    SettingsChange change;
    change.wholeRecord = true;
    change.origin = origin;
    emit changed(change);
}

void SettingsStore::sendField(const FieldRow& row, int index1, int index2) {
    if (m_sender && row.writeCode != 0) {
        m_sender(row.writeCode, index1, index2);
    }
}
