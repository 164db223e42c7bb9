// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/WindowCode.h"

#include <QList>
#include <QObject>
#include <QRect>
#include <functional>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

// The placement of a window that opens at its own size where the area puts
// it.
QRect ownSize(const QMdiSubWindow& shown);

// The child windows of the main window's multiple-document area: shows them,
// finds them by type or code, remembers the code of the one last activated,
// and closes them.
class WindowRegistry : public QObject {
    Q_OBJECT
public:
    explicit WindowRegistry(QMdiArea* area, QObject* parent = nullptr);

    // Where a window opens, asked once it is shown: the place and size it
    // wants in the area's viewport.
    using Placement = std::function<QRect(const QMdiSubWindow& shown)>;

    // Adds a window under its code, shows it and gives the focus to its grid
    // or first box. It takes the geometry of the placement (without one, the
    // place and size the area gave it), moved and if need be shrunk into the
    // area's visible part, so that it opens whole.
    QMdiSubWindow* show(QWidget* window, WindowCode code, const Placement& placement = {});
    // The visible part of the area, in the coordinates of its child windows.
    QRect visibleArea() const;
    // Brings an open window of the code to the front and gives the focus to
    // its grid or first box; false when none is open.
    bool raise(WindowCode code);

    QMdiSubWindow* find(WindowCode code) const;
    // The open window of a type, or null.
    template <typename T> T* find() const {
        for (QWidget* w : windows()) {
            if (auto* t = qobject_cast<T*>(w)) {
                return t;
            }
        }
        return nullptr;
    }

    WindowCode activeWindow() const { return m_active; }
    // Closes the open window of the code, if there is one.
    void close(WindowCode code);
    void closeActive();
    void closeAll();
    // Every window but those of the code given.
    void closeAllExcept(WindowCode keep);
    // Tiles the windows in rows, each as wide as the area.
    void tileInRows();

signals:
    // A window was added to the area (before it is shown).
    void windowAdded(QMdiSubWindow* window);

private:
    QList<QWidget*> windows() const;

    QMdiArea* m_area;
    WindowCode m_active = WindowCode::None;
};
