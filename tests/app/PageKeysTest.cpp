// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedMainWindow.h"
#include "config/NumericBox.h"
#include "config/SetupWindow.h"
#include "record/SettingsStore.h"

#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
#include <QTest>

namespace {

// The entry shown by every list of a window, by the list's name.
std::string listTexts(const QWidget* window) {
    QStringList texts;
    for (const QComboBox* combo : window->findChildren<QComboBox*>()) {
        texts << combo->objectName() + QLatin1Char('=') + combo->currentText();
    }
    texts.sort();
    return texts.join(QLatin1Char('|')).toStdString();
}

class PageKeysTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        start();
        QApplication::setActiveWindow(window.get());
    }
    // A box left with the focus takes its entry while the store still exists.
    void TearDown() override { window->unloadAllWindows(); }
};

// Ctrl+PageDown and Ctrl+PageUp turn the setup window's pages from whatever
// control has the focus: a box takes its entry as leaving it does, a list
// keeps its entry, and the focus stays on the page shown so the keys go on
// working. Past the last page comes the first.
TEST_F(PageKeysTest, CtrlPageKeysTurnTheSetupPagesFromAnyControl) {
    QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
    auto* setup = window->findChild<SetupWindow*>();
    ASSERT_NE(setup, nullptr);
    QTabWidget* tabs = setup->tabs();
    // From the focus the window takes when it opens.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
    ASSERT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(link.written().isEmpty());

    auto* revLimit = setup->findChild<NumericBox*>("RevLimitText");
    QTest::mouseClick(revLimit, Qt::LeftButton);
    QTest::keyClick(revLimit, Qt::Key_End);
    QTest::keyClick(revLimit, Qt::Key_Home, Qt::ShiftModifier);
    QTest::keyClicks(revLimit, QStringLiteral("7000"));
    link.clearWritten();

    const struct {
        Qt::Key key;
        int page;
        QByteArray sent;
    } steps[] = {
        {Qt::Key_PageDown, 1, QByteArray::fromHex("c21b58")}, // the rev limit typed
        {Qt::Key_PageDown, 2, {}},
        {Qt::Key_PageDown, 3, {}},
        {Qt::Key_PageDown, 0, {}},
        {Qt::Key_PageUp, 3, {}},
        {Qt::Key_PageUp, 2, {}},
        {Qt::Key_PageUp, 1, {}},
    };
    const std::string lists = listTexts(setup);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.page);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        ASSERT_TRUE(tabs->isAncestorOf(focus));
        link.clearWritten();
        QTest::keyClick(focus, step.key, Qt::ControlModifier);
        EXPECT_EQ(tabs->currentIndex(), step.page);
        EXPECT_EQ(link.written().toHex(), step.sent.toHex());
        EXPECT_TRUE(tabs->currentWidget()->isAncestorOf(QApplication::focusWidget()));
    }
    EXPECT_EQ(window->store().settings().RevLimit, 7000);
    EXPECT_EQ(listTexts(setup), lists);
}

} // namespace
