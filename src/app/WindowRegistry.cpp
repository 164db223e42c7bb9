#include "app/WindowRegistry.h"

#include "record/AreaFit.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace {
constexpr const char* kCodeProperty = "windowCode";

WindowCode codeOf(const QMdiSubWindow* window) {
    return static_cast<WindowCode>(window->property(kCodeProperty).toInt());
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
    const QRect wanted = placement ? placement(*sub) : sub->geometry();
    sub->setGeometry(keepInside(wanted, visibleArea(), sub->minimumSizeHint()));
    m_area->setActiveSubWindow(sub);
    window->setFocus();
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

void WindowRegistry::closeActive() {
    if (QMdiSubWindow* window = find(m_active)) {
        window->close();
    }
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
