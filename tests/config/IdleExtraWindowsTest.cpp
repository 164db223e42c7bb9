// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/IdleExtraWindows.h"

#include "SimulatedMainWindow.h"
#include "config/NumericBox.h"
#include "monitor/StatusBarWidget.h"
#include "record/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QtTest/QTest>

namespace {

struct Entry {
    int box;
    const char* typed; // none: the box is left as it is
    const char* sent;  // the bytes written, in hex
};

// The idle air control and extra-parameters windows of a main window on the
// simulated ECU, in developer mode.
class IdleExtraWindowsTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        start();
        state.DeveloperMode = true;
    }
    // A box left with the focus takes its entry while the line still exists.
    void TearDown() override { window->unloadAllWindows(); }

    template <typename W> void check(W* w, const std::vector<Entry>& entries) {
        for (const Entry& e : entries) {
            link.clearWritten();
            NumericBox* box = w->box(e.box);
            if (e.typed != nullptr) {
                box->setText(QString::fromLatin1(e.typed));
            }
            box->commit();
            EXPECT_EQ(link.written().toHex(), QByteArray(e.sent)) << e.box << " " << e.typed;
        }
    }

    // Close Active Window's key, pressed in the first box while the tuner is
    // typing into it: the typed value is taken as leaving the box would.
    template <typename W> void closeWithKey(W* w, const char* typed, const char* sent) {
        QApplication::setActiveWindow(window.get());
        w->box(0)->setFocus();
        w->box(0)->selectAll();
        QTest::keyClicks(w->box(0), QString::fromLatin1(typed));
        link.clearWritten();
        QTest::keyClick(w->box(0), Qt::Key_C, Qt::ControlModifier);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(window->findChild<W*>(), nullptr);
        EXPECT_EQ(link.written().toHex(), QByteArray(sent));
    }
};

TEST_F(IdleExtraWindowsTest, IdleAirBoxesAndValveTypeSendTheirCommands) {
    window->menus().tuningIac->trigger();
    auto* iac = window->findChild<IacWindow*>();
    ASSERT_NE(iac, nullptr);
    EXPECT_EQ(iac->windowTitle(), "Idle Air Control (IAC)");
    EXPECT_TRUE(iac->typeButton(window->store().settings().IacType)->isChecked());
    EXPECT_TRUE(link.written().isEmpty()) << "opening sends nothing";
    check(iac, {{0, "1250", "9704e2"},
                {2, "300", "9bfa"}, // held to 250 degrees
                {5, "12.5", "9a0c"},
                {1, nullptr, ""}}); // untouched
    EXPECT_EQ(window->store().settings().IacTemp, 250);
    EXPECT_EQ(iac->box(0)->text(), " 1250");

    link.clearWritten();
    iac->typeButton(0)->click();
    EXPECT_EQ(link.written().toHex(), "9600");
    EXPECT_FALSE(iac->box(3)->isEnabled());
    iac->typeButton(0)->click();
    iac->typeButton(2)->click();
    EXPECT_EQ(link.written().toHex(), "96009602");
    EXPECT_TRUE(iac->box(3)->isEnabled());
    closeWithKey(iac, "1300", "970514");
}

TEST_F(IdleExtraWindowsTest, ExtraWindowReadsOnOpeningAndSendsOnlyChangedSerialBytes) {
    window->menus().engineExtra->trigger();
    auto* extra = window->findChild<ExtraWindow*>();
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(extra->windowTitle(), "Extra Stuff");
    // The two-byte values ask for their low byte with "!".
    EXPECT_EQ(link.written().toHex(), "7273747721782179217c7d7e");
    EXPECT_EQ(extra->box(13)->text(), "42");
    check(extra, {{0, "300", "f2ff"},
                  {7, "40000", "f99c40"},
                  {3, "9", ""}, // kept in memory only
                  {12, "40", "fc7f"},
                  {13, "298", "fd01"},
                  {10, "1", ""}});
    EXPECT_EQ(window->store().settings().UC_Extra[3], 9);
    EXPECT_EQ(state.identity.SerialNumberText, "1-4-31-00298");
    closeWithKey(extra, "200", "f2c8");
}

// The status bar shows the serial number the tuner typed at once, as Print
// Data does.
TEST_F(IdleExtraWindowsTest, StatusBarShowsTheSerialNumberTypedInTheExtraWindow) {
    QApplication::setActiveWindow(window.get());
    window->menus().engineExtra->trigger();
    auto* extra = window->findChild<ExtraWindow*>();
    ASSERT_NE(extra, nullptr);
    const QLabel* version = window->statusBarWidget()->panel(StatusBarView::kVersion + 1);
    const QString before = "ECU Version: " + state.identity.VersionText + "   Serial#: ";
    EXPECT_EQ(version->text().toStdString(), (before + "1-4-07-00042 ").toStdString());

    NumericBox* year = extra->box(12);
    QTest::mouseClick(year, Qt::LeftButton);
    QTest::keyClick(year, Qt::Key_End);
    QTest::keyClick(year, Qt::Key_Backspace);
    QTest::keyClicks(year, QStringLiteral("40"));
    link.clearWritten();
    QTest::keyClick(year, Qt::Key_Return);
    EXPECT_EQ(link.written().toHex(), "fc7f");
    EXPECT_EQ(year->text(), "31");
    EXPECT_EQ(version->text().toStdString(), (before + "1-4-31-00042 ").toStdString());
}

} // namespace
