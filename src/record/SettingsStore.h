// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "record/FieldTable.h"

#include <QObject>
#include <functional>
#include <vector>

// Where a change to the settings came from.
enum class ChangeOrigin : uint8_t {
    Editor, // a window of the program
    File,   // a data file was loaded
    Ecu,    // read from the ECU
    Check,  // repaired by the consistency check
};

// One table cell or curve slot: index 1 (load or slot) and index 2 (rpm).
struct FieldCell {
    int index1 = 0;
    int index2 = 0;
    int64_t value = 0;

    bool operator==(const FieldCell&) const = default;
};

// What changed: one field (with the cells of a curve or table that changed),
// or the whole record.
struct SettingsChange {
    bool wholeRecord = false;
    FieldId field = FieldId::NumberOfCylinders;
    std::vector<FieldCell> cells; // the new values, for a curve or a table
    ChangeOrigin origin = ChangeOrigin::Editor;

    bool touches(FieldId id) const { return wholeRecord || field == id; }
};

// The settings record, which the store owns, and every change to it. Each
// change is stored, sent to the ECU with the field's write command (through
// the sender the program gives the store) and announced once with changed(),
// however many cells it sends. Views read the record through settings() and
// re-read what they show from the signal.
class SettingsStore : public QObject {
    Q_OBJECT
public:
    // Sends one write command: code, index 1, index 2.
    using Sender = std::function<void(int command, int index1, int index2)>;

    enum class Send : uint8_t {
        IfChanged, // only a value that differs from the stored one
        Always,    // every value given, changed or not
        Never,     // store only: the field has no command, or the caller sends
    };

    explicit SettingsStore(QObject* parent = nullptr);
    explicit SettingsStore(const EcuSettings& record, QObject* parent = nullptr);

    const EcuSettings& settings() const { return m_record; }
    int64_t value(FieldId id, int index1 = 0, int index2 = 0) const;

    void setSender(Sender sender);

    // Stores one value and sends it by the rule given. Returns whether the
    // stored value changed.
    bool setValue(FieldId id, int64_t value, Send send = Send::IfChanged, int index1 = 0,
                  int index2 = 0);

    // Stores cells of one curve or table, sends them in the order given by
    // the rule, and announces them as one change.
    void setCells(FieldId id, const std::vector<FieldCell>& cells, Send send);

    // Replaces the whole record (a loaded file, a full read); nothing is sent.
    void replace(const EcuSettings& record, ChangeOrigin origin);

    // Runs a change that works on the record as a whole (the consistency
    // check, a table generator) and announces the record as changed. The
    // function sends what it changes itself.
    template <typename F> auto modify(ChangeOrigin origin, F&& change) {
        struct Announce {
            SettingsStore* store;
            ChangeOrigin origin;
            ~Announce() { store->announceRecord(origin); }
        } announce{this, origin};
        return change(m_record);
    }

    // Stores a value the ECU sent for one field, as it came over the wire,
    // and announces it as read from the ECU.
    void receive(const FieldRow& row, int wireValue, int index1, int index2);

signals:
    void changed(const SettingsChange& change);

private:
    void announceRecord(ChangeOrigin origin);
    void sendField(const FieldRow& row, int index1, int index2);

    EcuSettings m_record;
    Sender m_sender;
};
