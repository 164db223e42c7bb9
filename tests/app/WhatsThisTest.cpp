// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedMainWindow.h"
#include "StoreRecord.h"
#include "config/EgoWindow.h"
#include "config/SetupWindow.h"
#include "tables/CurveWindow.h"
#include "tables/TableEditorWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTest>
#include <QWhatsThis>

#include <functional>

namespace {

class WhatsThisTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        start();
        QApplication::setActiveWindow(window.get());
    }
    void TearDown() override { window->unloadAllWindows(); }

    // What a tuner clicks in a window: buttons (but a tab strip's scroll
    // arrows and a grid's corner), lists, grids, and boxes (but the grids'
    // in-place edit box).
    static QList<QWidget*> controlsOf(QWidget* window) {
        QList<QWidget*> controls;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            const bool button = qobject_cast<QAbstractButton*>(w) != nullptr &&
                                qobject_cast<QTabBar*>(w->parentWidget()) == nullptr &&
                                qobject_cast<QAbstractItemView*>(w->parentWidget()) == nullptr;
            const bool grid = qobject_cast<QAbstractItemView*>(w) != nullptr &&
                              qobject_cast<QHeaderView*>(w) == nullptr &&
                              !w->inherits("QComboBoxListView");
            const bool box = qobject_cast<QLineEdit*>(w) != nullptr && w->objectName() != "Text1";
            if (button || grid || box || qobject_cast<QComboBox*>(w) != nullptr) {
                controls << w;
            }
        }
        return controls;
    }

    // The What's This popup shown now, if any.
    static QWidget* shownHelp() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && qstrcmp(w->metaObject()->className(), "QWhatsThat") == 0) {
                return w;
            }
        }
        return nullptr;
    }
};

// Every control a tuner works with in the editors, the curve windows, the autotune window and
// the setup window answers What's This with a line of its own.
TEST_F(WhatsThisTest, EveryEditorAndSetupControlHasItsLine) {
    recordOf(window->store()).UserInputAnalogMode = {3, 1, 2};
    const struct {
        const char* name;
        std::function<void()> open;
    } windows[] = {
        {"fuel", [this] { QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier); }},
        {"ignition", [this] { QTest::keyClick(window.get(), Qt::Key_I, Qt::ControlModifier); }},
        {"compensation", [this] { QTest::keyClick(window.get(), Qt::Key_W, Qt::ControlModifier); }},
        {"user inputs", [this] { QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier); }},
        {"setup", [this] { QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier); }},
        {"EGO", [this] { window->menus().tuningEgo->trigger(); }},
        {"autotune", [this] { QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier); }},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.name);
        w.open();
        QMdiSubWindow* sub = window->findChild<QMdiArea*>()->activeSubWindow();
        ASSERT_NE(sub, nullptr);
        QWidget* child = sub->widget();
        if (qobject_cast<CurveWindow*>(child) != nullptr) {
            EXPECT_FALSE(child->whatsThis().isEmpty());
        }
        const QList<QWidget*> controls = controlsOf(child);
        ASSERT_FALSE(controls.isEmpty());
        for (QWidget* control : controls) {
            EXPECT_FALSE(control->whatsThis().isEmpty())
                << control->metaObject()->className() << " " << control->objectName().toStdString();
        }
    }
}

// Shift+F1 and then a click on a control shows that control's line.
TEST_F(WhatsThisTest, ShiftF1ThenAClickShowsTheControlsLine) {
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    auto* fuel = window->findChild<TableEditorWindow*>();
    ASSERT_NE(fuel, nullptr);
    for (const char* name : {"SmoothButton", "AddText1"}) {
        SCOPED_TRACE(name);
        QTest::keyClick(window.get(), Qt::Key_F1, Qt::ShiftModifier);
        ASSERT_TRUE(QWhatsThis::inWhatsThisMode());
        auto* control = fuel->findChild<QWidget*>(name);
        QTest::mouseClick(control, Qt::LeftButton);
        QWidget* help = shownHelp();
        ASSERT_NE(help, nullptr);
        help->close();
        QWhatsThis::leaveWhatsThisMode();
    }
}

} // namespace
