#pragma once

#include <QList>
#include <QObject>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

// The codes the child windows record when they are activated; Close Active
// Window and the Modify menu route by them.
enum class WindowCode : int {
    None = 0,
    Fuel = 1,
    Data = 2,
    Charge = 3,
    Comp1 = 5,
    Comp2 = 6,
    DefaultFuel = 7,
    DefaultIgnition = 8,
    Ignition = 9,
    Input = 10,
    TimeHistory = 11,
    SensorCheck = 12,
    Setup = 13,
    Ego = 15,
    Iac = 16,
    Extra = 17,
    LogReview = 18,
};

// The child windows of the main window's multiple-document area: shows them,
// finds them by type or code, remembers the code of the one last activated,
// and closes them.
class WindowRegistry : public QObject {
    Q_OBJECT
public:
    explicit WindowRegistry(QMdiArea* area, QObject* parent = nullptr);

    // Adds a window under its code, shows it and gives the focus to its grid
    // or first box.
    QMdiSubWindow* show(QWidget* window, WindowCode code);
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
    void closeActive();
    void closeAll();
    // Every window but those of the code given.
    void closeAllExcept(WindowCode keep);

signals:
    // A window was added to the area (before it is shown).
    void windowAdded(QMdiSubWindow* window);

private:
    QList<QWidget*> windows() const;

    QMdiArea* m_area;
    WindowCode m_active = WindowCode::None;
};
