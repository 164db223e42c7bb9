// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowRegistry.h"

#include "record/AreaFit.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {
constexpr const char* kCodeProperty = "windowCode";

WindowCode codeOf(const QMdiSubWindow* window) {
    return static_cast<WindowCode>(window->property(kCodeProperty).toInt());
}

// Gives the focus to the window's grid or first box, so that typing works at
// once: the first control in Tab order that takes typed keys. Buttons are
// passed over (a key would press them), and so are controls that only Tab
// reaches, such as a page's tab strip. A window without one takes the focus
// itself.
void focusFirstControl(QWidget* window) {
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if (window->isAncestorOf(w) && w->isVisibleTo(window) && w->isEnabled() &&
            (w->focusPolicy() & Qt::StrongFocus) == Qt::StrongFocus &&
            qobject_cast<QAbstractButton*>(w) == nullptr) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    window->setFocus(Qt::OtherFocusReason);
}

// Each round of layout requests takes the size hints one level of nested
// widgets further out: a grid, its titled box, the window, its frame.
constexpr int kLayoutRounds = 4;

// Lets the layouts of a window just shown or resized settle on the sizes its
// contents took.
void settleLayouts() {
    for (int round = 0; round < kLayoutRounds; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
}

} // namespace

QRect ownSize(const QMdiSubWindow& shown) {
    return {shown.pos(), shown.sizeHint()};
}

WindowRegistry::WindowRegistry(QMdiArea* area, QObject* parent) : QObject(parent), m_area(area) {
    connect(m_area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (window != nullptr) {
            m_active = codeOf(window);
        }
    });
}

QMdiSubWindow* WindowRegistry::show(QWidget* window, WindowCode code, const Placement& placement) {
    QMdiSubWindow* sub = m_area->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setProperty(kCodeProperty, static_cast<int>(code));
    emit windowAdded(sub);
    sub->show();
    // Placed twice: contents that fit themselves to the window's width (the
    // grids) know the height they need only once the window has that width.
    for (int pass = 0; pass < 2; ++pass) {
        settleLayouts();
        const QRect wanted = placement ? placement(*sub) : sub->geometry();
        sub->setGeometry(keepInside(wanted, visibleArea(), sub->minimumSizeHint()));
    }
    m_area->setActiveSubWindow(sub);
    focusFirstControl(window);
    return sub;
}

QRect WindowRegistry::visibleArea() const {
    return m_area->viewport()->rect();
}

bool WindowRegistry::raise(WindowCode code) {
    QMdiSubWindow* existing = find(code);
    if (existing == nullptr) {
        return false;
    }
    existing->show();
    m_area->setActiveSubWindow(existing);
    focusFirstControl(existing->widget());
    return true;
}

QMdiSubWindow* WindowRegistry::find(WindowCode code) const {
    for (QMdiSubWindow* w : m_area->subWindowList()) {
        if (codeOf(w) == code) {
            return w;
        }
    }
    return nullptr;
}

QList<QWidget*> WindowRegistry::windows() const {
    QList<QWidget*> list;
    for (QMdiSubWindow* w : m_area->subWindowList()) {
        list.append(w->widget());
    }
    return list;
}

void WindowRegistry::close(WindowCode code) {
    if (QMdiSubWindow* window = find(code)) {
        window->close();
    }
}

void WindowRegistry::closeActive() {
    close(m_active);
}

void WindowRegistry::closeAll() {
    for (QMdiSubWindow* window : m_area->subWindowList()) {
        window->close();
    }
}

void WindowRegistry::closeAllExcept(WindowCode keep) {
    for (QMdiSubWindow* window : m_area->subWindowList()) {
        if (codeOf(window) != keep) {
            window->close();
        }
    }
}

void WindowRegistry::tileInRows() {
    const QList<QMdiSubWindow*> children = m_area->subWindowList();
    if (children.isEmpty()) {
        return;
    }
    const QRect area = visibleArea();
    const int h = area.height() / static_cast<int>(children.size());
    int y = 0;
    for (QMdiSubWindow* child : children) {
        child->showNormal();
        child->setGeometry(0, y, area.width(), h);
        y += h;
    }
}
