// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PageKeys.h"

#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QTabWidget>

namespace {

// +1 for Ctrl+PageDown, -1 for Ctrl+PageUp, 0 for any other key.
int pageStep(const QKeyEvent* key) {
    if (key->modifiers() != Qt::ControlModifier) {
        return 0;
    }
    switch (key->key()) {
    case Qt::Key_PageDown:
        return 1;
    case Qt::Key_PageUp:
        return -1;
    default:
        return 0;
    }
}

// The paged container of a widget: the nearest one around it, or, for a
// control outside the pages or the window itself, the window's only one.
// The main window's child windows are windows of their own here.
QTabWidget* pagesOf(QObject* watched) {
    if (!watched->isWidgetType()) {
        return nullptr;
    }
    for (auto* w = static_cast<QWidget*>(watched); w != nullptr; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            return tabs;
        }
        if (w->isWindow() || qobject_cast<QMdiSubWindow*>(w->parentWidget()) != nullptr) {
            if (qobject_cast<QMainWindow*>(w) != nullptr) {
                return nullptr;
            }
            const QList<QTabWidget*> all = w->findChildren<QTabWidget*>();
            return all.size() == 1 ? all.front() : nullptr;
        }
    }
    return nullptr;
}

// The next page that can be shown, skipping hidden and disabled ones.
void turn(QTabWidget* tabs, int step) {
    const int count = tabs->count();
    int index = tabs->currentIndex();
    for (int tried = 1; tried < count; ++tried) {
        index = (index + step + count) % count;
        if (tabs->isTabEnabled(index) && tabs->isTabVisible(index)) {
            tabs->setCurrentIndex(index);
            return;
        }
    }
}

} // namespace

bool PageKeys::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) {
        return QObject::eventFilter(watched, event);
    }
    const int step = pageStep(static_cast<QKeyEvent*>(event));
    QTabWidget* tabs = step != 0 ? pagesOf(watched) : nullptr;
    if (tabs == nullptr || !tabs->isEnabled()) {
        return QObject::eventFilter(watched, event);
    }
    if (type == QEvent::ShortcutOverride) {
        // The key comes to the focused control as a key press, where this
        // filter takes it; no shortcut runs on it.
        event->accept();
        return true;
    }
    turn(tabs, step);
    return true;
}
