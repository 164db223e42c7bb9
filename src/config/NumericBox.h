// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/NumericEntry.h"

#include <QLineEdit>
#include <functional>

class SettingsStore;
struct SettingsChange;

// The numeric box of every configuration window. Escape restores the stored
// value, Enter and leaving the box run the entry once; the box is then
// rewritten from the stored value, so that text the user did not change is
// never converted back and rejected input vanishes without a message.
class NumericBox : public QLineEdit {
    Q_OBJECT
public:
    // The stored value's text, and the entry of typed text (the text last
    // shown and the text typed).
    using TextSource = std::function<QString()>;
    using Entry = std::function<void(const QString& shown, const QString& typed)>;

    explicit NumericBox(QWidget* parent = nullptr);
    NumericBox(TextSource text, Entry entry, QWidget* parent = nullptr);

    // A box bound to a field: it shows the field, runs its entry with the
    // rule given and rewrites itself whenever the field changes.
    static NumericBox* forField(SettingsStore& store, FieldId id, EntryRule rule = {},
                                QWidget* parent = nullptr);

    // Rewrites the box from the stored value.
    void refresh();
    // Runs the entry of the box now, as Enter does.
    void commit();

    // Never narrower than the value it shows, so that a small window does
    // not cut it.
    QSize minimumSizeHint() const override;

signals:
    // A typed value of a field box was stored and sent; before is the value
    // it replaced.
    void stored(int64_t before);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    TextSource m_text;
    Entry m_entry;
    QString m_shown;
    bool m_inEntry = false;
};
