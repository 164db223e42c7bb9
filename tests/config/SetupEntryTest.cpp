// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/EgoWindow.h"
#include "config/SetupWindow.h"

#include "SimulatedMainWindow.h"
#include "StoreRecord.h"
#include "app/MenuBuilder.h"
#include "config/NumericBox.h"
#include "tables/CurveGrid.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

namespace {

// The boxes of the configuration windows as the tuner uses them: opened by
// the main window's shortcuts, a mouse press into a box, keys; every byte
// that reaches the simulated ECU is checked.
class SetupEntryTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        image = SimulatedEcu::defaultImage();
        image.UserInputAnalogTable[0].fill(100);
    }
    void TearDown() override {
        // As when the program ends: the tool windows close first, and a box
        // with the focus takes its entry while the store still exists.
        window->mdiArea()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void startWith(const EcuSettings& settings) {
        ecu.setSettings(settings);
        start();
        ASSERT_TRUE(state.EcuOnline);
        // Analog input 1 drives the EGO loop (offered in developer mode only).
        recordOf(window->store()).UserInputAnalogMode[0] = 3;
        QApplication::setActiveWindow(window.get());
    }
    template <typename T> T* child(const QString& name) const {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    static void typeOver(QLineEdit* box, const QString& text) {
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    void showPage(const QString& caption) {
        auto* tabs = child<QTabWidget>(QStringLiteral("TabStrip1"));
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i) == caption) {
                QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                                  tabs->tabBar()->tabRect(i).center());
            }
        }
    }
    static QByteArray bytes(std::initializer_list<int> values) {
        QByteArray out;
        for (int v : values) {
            out.append(char(v));
        }
        return out;
    }

    EcuSettings image;
};

struct BoxCase {
    QAction* MainMenus::*open; // the window's menu entry
    const char* box;
    const char* typed;
    QByteArray sent; // nothing: the stored value stays
};

// A number far beyond a box's limits, either way, stores the nearest limit;
// "inf" and "nan" are no numbers and change nothing.
TEST_F(SetupEntryTest, HugeNumbersStoreTheNearestLimitOfEachBox) {
    startWith(image);
    const BoxCase cases[] = {
        {&MainMenus::engineSetup, "RevLimitText", "1e19", bytes({194, 0x40, 0x74})},
        {&MainMenus::engineSetup, "RevLimitText", "inf", {}},
        {&MainMenus::engineSetup, "RevLimitText", "-1e308", bytes({194, 0x03, 0xE8})},
        {&MainMenus::engineSetup, "RevLimitText", "nan", {}},
        {&MainMenus::engineSetup, "RevLimitText", "1e308", bytes({194, 0x40, 0x74})},
        {&MainMenus::engineSetup, "MinOpenTimeText", "1e308", bytes({193, 255})},
        {&MainMenus::engineSetup, "MinOpenTimeText", "-1e19", bytes({193, 4})},
        {&MainMenus::engineSetup, "ChargeTimeText", "1e19", bytes({227, 100})},
        {&MainMenus::engineSetup, "ChargeTimeText", "-inf", {}},
        {&MainMenus::tuningComp2, "AccelRpmText", "1e308", bytes({234, 0x52, 0x08})},
        {&MainMenus::tuningComp2, "AccelRpmText", "-1e308", bytes({234, 0, 0})},
        {&MainMenus::tuningEgo, "EgoTextBox7", "1e19", bytes({131, 250})},
        {&MainMenus::tuningEgo, "EgoTextBox0", "-1e308", bytes({135, 254})}, // -60 °F
    };
    for (const BoxCase& c : cases) {
        QAction* entry = window->menus().*c.open;
        const QKeySequence keys = entry->shortcut();
        if (keys.isEmpty()) {
            entry->trigger(); // a hidden entry without a key
        } else {
            QTest::keyClick(window.get(), keys[0].key(), keys[0].keyboardModifiers());
        }
        auto* box = child<NumericBox>(QString::fromLatin1(c.box));
        ASSERT_NE(box, nullptr);
        const QString before = box->text();
        link.clearWritten();
        typeOver(box, QString::fromLatin1(c.typed));
        EXPECT_EQ(link.written(), c.sent) << c.box << " " << c.typed;
        if (c.sent.isEmpty()) {
            EXPECT_EQ(box->text(), before) << c.box << " " << c.typed;
        }
    }
}

// A stored value outside a box's limits (as a file or the ECU may hold it)
// stays as it is while the tuner only passes through the box.
TEST_F(SetupEntryTest, PassingThroughABoxSendsNothing) {
    image.RevLimit = 500;
    image.MaxRpm = 9000;
    image.LaunchControlRpm = 12000;
    image.UserInputDigitalMode[0] = 4; // the secondary rev limit is in use
    startWith(image);
    QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
    auto* revLimit = child<NumericBox>(QStringLiteral("RevLimitText"));
    ASSERT_NE(revLimit, nullptr);
    link.clearWritten();
    QTest::mouseClick(revLimit, Qt::LeftButton);
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QTest::mouseClick(revLimit, Qt::LeftButton);
    QTest::keyClick(revLimit, Qt::Key_Return);
    QTest::keyClick(revLimit, Qt::Key_Escape);
    showPage(QStringLiteral("User Inputs"));
    auto* secondary = child<NumericBox>(QStringLiteral("LCText"));
    ASSERT_NE(secondary, nullptr);
    ASSERT_TRUE(secondary->isEnabled());
    QTest::mouseClick(secondary, Qt::LeftButton);
    QTest::keyClick(secondary, Qt::Key_Return);
    QTest::keyClick(secondary, Qt::Key_Tab);
    EXPECT_EQ(revLimit->text(), "500");
    EXPECT_EQ(secondary->text(), "12000");
    EXPECT_TRUE(link.written().isEmpty());
    EXPECT_EQ(ecu.settings().RevLimit, 500);
    EXPECT_EQ(window->store().settings().LaunchControlRpm, 12000);
}

// EGO setpoints: above 5 V stores the top count 255, not one below it.
TEST_F(SetupEntryTest, EgoSetpointsAbove5VoltsStoreTheTopCount) {
    startWith(image);
    window->menus().tuningEgo->trigger();
    auto* ego = window->findChild<EgoWindow*>();
    ASSERT_NE(ego, nullptr);
    QTableWidget* grid = ego->grids().front()->grid();
    const struct {
        int column;
        const char* typed;
        int count;
    } cases[] = {{4, "6", 255}, {5, "10000000000000000000", 255}, {6, "5", 255}, {7, "4.99", 254}};
    for (const auto& c : cases) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(1, c.column)).center());
        link.clearWritten();
        QTest::keyClicks(grid, QString::fromLatin1(c.typed));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(link.written(), bytes({217, c.column - 1, c.count})) << c.typed;
        EXPECT_EQ(ecu.settings().UserInputAnalogTable[0][std::size_t(c.column - 1)], c.count);
    }
}

} // namespace
