// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/NumericBox.h"

#include "config/FieldHelp.h"
#include "record/SettingsStore.h"

#include <QKeyEvent>
#include <QStyle>
#include <algorithm>

namespace {
// Pixels a line edit keeps between its frame and its text on each side.
constexpr int kTextGap = 2;
} // namespace

NumericBox::NumericBox(QWidget* parent) : QLineEdit(parent) {}

NumericBox::NumericBox(TextSource text, Entry entry, QWidget* parent)
    : QLineEdit(parent), m_text(std::move(text)), m_entry(std::move(entry)) {
    refresh();
}

NumericBox* NumericBox::forField(SettingsStore& store, FieldId id, EntryRule rule,
                                 QWidget* parent) {
    auto* box = new NumericBox(parent);
    box->setObjectName(QString::fromUtf8(fieldRow(id).name));
    box->setWhatsThis(fieldHelp(id));
    box->m_text = [&store, id] { return entryText(store.settings(), id); };
    box->m_entry = [box, &store, id, rule](const QString& shown, const QString& typed) {
        const EntryResult result = commitEntry(store, id, rule, shown, typed);
        if (result.stored) {
            emit box->stored(result.before);
        }
    };
    connect(&store, &SettingsStore::changed, box, [box, id](const SettingsChange& change) {
        // A value read again while the user is typing into the box (the
        // poll re-reads the spare values) leaves the typing alone.
        const bool typing = box->hasFocus() && box->isModified();
        if (change.touches(id) && !typing) {
            box->refresh();
        }
    });
    box->refresh();
    return box;
}

void NumericBox::refresh() {
    if (m_text) {
        m_shown = m_text();
        setText(m_shown);
        end(false);
        updateGeometry();
    }
}

QSize NumericBox::minimumSizeHint() const {
    QSize size = QLineEdit::minimumSizeHint();
    const QMargins margins = textMargins();
    // Room for one more digit: the caret after the text.
    const int needed =
        fontMetrics().horizontalAdvance(m_shown + QLatin1Char('0')) +
        2 * (style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) + kTextGap) +
        margins.left() + margins.right();
    size.setWidth(std::max(size.width(), needed));
    return size;
}

void NumericBox::commit() {
    // A message or question of the entry takes the focus; that is no second
    // entry.
    if (m_inEntry || !m_entry) {
        return;
    }
    m_inEntry = true;
    const QString typed = text();
    m_entry(m_shown, typed);
    m_inEntry = false;
    refresh();
}

void NumericBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        clear();
        commit();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        commit();
        break;
    default:
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

void NumericBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    end(false);
}

void NumericBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    commit();
}
