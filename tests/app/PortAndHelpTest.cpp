// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingInteraction.h"
#include "app/Installation.h"
#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "app/Startup.h"
#include "comm/QtSerialLink.h"
#include "monitor/DataWindow.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QList<SerialPortEntry> kPorts{
    {"/dev/ttyS0", "", "", ""},
    {"/dev/ttyUSB0", "USB Serial Converter", "Acme Cables", "A10K3ZQ"},
};

TEST(PortDialog, ListsThePortsAndGivesTheChosenDeviceAndNumber) {
    PortDialog dialog(kPorts, 3, "/dev/ttyUSB0");
    const QTableWidget* grid = dialog.portTable();
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(1, 0)->text(), "/dev/ttyUSB0");
    // The port in use is marked.
    EXPECT_EQ(grid->item(1, 1)->text(), "USB Serial Converter (current)");
    EXPECT_TRUE(grid->item(1, 0)->font().bold());
    EXPECT_EQ(grid->item(0, 1)->text(), "");
    EXPECT_FALSE(grid->item(0, 0)->font().bold());
    EXPECT_EQ(grid->item(1, 2)->text(), "Acme Cables");
    EXPECT_EQ(grid->item(1, 3)->text(), "A10K3ZQ");
    EXPECT_TRUE(dialog.noPortsLabel()->isHidden());
    // The port of the current number comes preselected.
    EXPECT_EQ(dialog.comNumber(), 3);
    EXPECT_EQ(dialog.device(), "/dev/ttyUSB0");

    dialog.portTable()->selectRow(0);
    dialog.comCombo()->setCurrentIndex(0);
    EXPECT_EQ(dialog.comNumber(), 1);
    EXPECT_EQ(dialog.device(), "/dev/ttyS0");
    EXPECT_TRUE(dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
}

TEST(PortDialog, AMachineWithoutPortsListsNoneAndSaysSo) {
    PortDialog dialog({}, 1, "/dev/ttyS0");
    EXPECT_EQ(dialog.portTable()->rowCount(), 0);
    EXPECT_FALSE(dialog.noPortsLabel()->isHidden());
    EXPECT_EQ(dialog.noPortsLabel()->text(), "No serial ports found.");
    EXPECT_FALSE(dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled());
    EXPECT_TRUE(dialog.device().isEmpty());
}

// The main window's Port..., Help > Contents and icon.
class MainWindowDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        prepareStartupState(state);
        QFile::remove(PortMap::defaultPath());
    }
    void start(const QString& manualPath, const QString& givenDevice = {}) {
        MainWindow::Options options;
        options.settingsPath = dir.filePath("Vantrel.ini");
        options.history.path = dir.filePath("history.sqlite");
        options.portGiven = true;
        options.givenDevice = givenDevice;
        options.listPorts = [] { return kPorts; };
        options.manualPath = manualPath;
        window = std::make_unique<MainWindow>(state, ui, link, options);
    }

    QTemporaryDir dir;
    AppState state;
    RecordingInteraction ui;
    SimulatedEcu ecu;
    SimulatedLink link{&ecu};
    std::unique_ptr<MainWindow> window;
};

// Records the addresses the desktop is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

TEST_F(MainWindowDesktopTest, PortEntryMapsTheChosenDeviceAndSelectsItsNumber) {
    start(dir.filePath("manual.html"));
    QAction* entry = window->menus().comPortChoose;
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), "&Port...");
    EXPECT_EQ(window->menus().com->actions().last(), entry);

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<PortDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->portTable()->selectRow(1);
        dialog->comCombo()->setCurrentIndex(3);
        dialog->accept();
    });
    entry->trigger();
    EXPECT_EQ(PortMap::load(PortMap::defaultPath()).deviceFor(4), "/dev/ttyUSB0");
    EXPECT_EQ(state.display.ComPortNumber, 4);
    EXPECT_TRUE(window->menus().comPort[3]->isChecked());
}

TEST_F(MainWindowDesktopTest, PortEntryListsTheDeviceGivenOnTheCommandLineAsTheCurrentOne) {
    start(dir.filePath("manual.html"), "/dev/pts/7");
    QStringList rows;
    QString chosen;
    const auto look = [&] {
        auto* dialog = qobject_cast<PortDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        const QTableWidget* grid = dialog->portTable();
        for (int row = 0; row < grid->rowCount(); ++row) {
            rows << grid->item(row, 0)->text() + " | " + grid->item(row, 1)->text() +
                        (grid->item(row, 0)->font().bold() ? " | bold" : "");
        }
        chosen = dialog->device();
        dialog->reject();
    };
    QTimer::singleShot(0, look);
    window->menus().comPortChoose->trigger();
    EXPECT_EQ(rows, QStringList({"/dev/ttyS0 | ", "/dev/ttyUSB0 | USB Serial Converter",
                                 "/dev/pts/7 | Given with --port (current) | bold"}));
    EXPECT_EQ(chosen, "/dev/pts/7");

    // Once a COM port is chosen, its device is the one in use.
    window->menus().comPort[1]->trigger();
    rows.clear();
    QTimer::singleShot(0, look);
    window->menus().comPortChoose->trigger();
    EXPECT_EQ(rows, QStringList({"/dev/ttyS0 | ", "/dev/ttyUSB0 | USB Serial Converter"}));
}

TEST_F(MainWindowDesktopTest, EveryEntryOfTheFileAndSetupMenusHasAnAccessKeyOfItsOwn) {
    start(dir.filePath("manual.html"));
    for (const QMenu* menu : {window->menus().file, window->menus().com}) {
        QStringList keys;
        for (const QAction* action : menu->actions()) {
            const QString text = action->text();
            if (action->isSeparator() || (text.isEmpty() && !action->isVisible())) {
                continue; // an unused recent file entry
            }
            const qsizetype at = text.indexOf('&');
            ASSERT_GE(at, 0) << text.toStdString();
            keys << text.mid(at + 1, 1).toLower();
        }
        QStringList unique = keys;
        unique.removeDuplicates();
        EXPECT_EQ(keys, unique) << menu->title().toStdString();
    }
    EXPECT_EQ(window->menus().fileCompare->text(), "Co&mpare with ECU...");
}

TEST_F(MainWindowDesktopTest, HelpContentsOpensTheManualOrNamesTheMissingFile) {
    const QString manual = dir.filePath("manual.html");
    start(manual);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    window->menus().helpContents->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("The user manual %1 was not found.").arg(manual));
    EXPECT_EQ(ui.messages[0].icon, UserInteraction::Icon::Critical);
    EXPECT_TRUE(catcher.urls.isEmpty());

    QFile file(manual);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ui.clear();
    window->menus().helpContents->trigger();
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(manual)});
    EXPECT_EQ(window->menus().helpContents->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST_F(MainWindowDesktopTest, EveryWindowShowsTheProgramsIcon) {
    const QImage icon = applicationIcon().pixmap(32).toImage();
    ASSERT_FALSE(icon.isNull());
    // Drawn, not blank: the middle of the dial is opaque.
    EXPECT_EQ(qAlpha(icon.pixel(16, 16)), 255);

    start(QString());
    window->menus().tuningFuel->trigger(); // opens the data window
    ASSERT_NE(window->dataWindow(), nullptr);
    EXPECT_EQ(window->windowIcon().pixmap(32).toImage(), icon);
    EXPECT_EQ(window->dataWindow()->windowIcon().pixmap(32).toImage(), icon);
    QMessageBox box;
    EXPECT_EQ(box.windowIcon().pixmap(32).toImage(), icon);
}

} // namespace

#include "PortAndHelpTest.moc"
