// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/MenuBuilder.h"
#include "app/WindowRegistry.h"

#include <QKeySequence>
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct AppState;
class EcuActions;
class LiveFeed;
class LiveSource;
class LoggingController;
class LogOverlay;
class QMdiArea;
class SettingsStore;
class TableUndoHistory;
class UserInteraction;

// One child window of the main window: the menu command that shows it, with
// that command's keys, how it is made and where it opens.
struct WindowEntry {
    WindowCode code = WindowCode::None;
    // The menu command that shows the window; none for a window that others
    // open (the data window opens with the editors).
    QAction* MainMenus::*command = nullptr;
    QKeySequence keys{};
    // The data window opens or comes to the front first, so that it sits
    // above this one.
    bool withData = false;
    // Runs before the window is shown; false stops the command, the user
    // having been told why.
    std::function<bool()> mayOpen{};
    std::function<QWidget*()> make{};
    // Where it opens; where the area puts it when empty.
    WindowRegistry::Placement placement{};
};

// Twips as pixels of the widget's screen.
double twipsPerPixel(const QWidget& widget);

// The table of the main window's child windows, one entry a window. Showing
// a window brings an open one to the front, or makes it and opens it at its
// placement; either way it takes the focus.
class WindowTable : public QObject {
    Q_OBJECT
public:
    // What the windows are made with.
    struct Parts {
        AppState& state;
        SettingsStore& store;
        // The ECU commands the windows ask for.
        EcuActions& ecu;
        UserInteraction& ui;
        // The live values the views show.
        LiveFeed& feed;
        LoggingController& logging;
        WindowRegistry& windows;
        QMdiArea& area;
        // The main window, whose screen turns twips into pixels.
        QWidget& frame;
        // The serial number was changed in the extra window.
        std::function<void()> identityChanged;
        // Where the log review keeps its panes and channels.
        QString reviewLayoutPath;
        // Where the gauges window keeps its gauges.
        QString gaugeLayoutPath;
        // A log for autotune to read; empty when the tuner cancelled.
        std::function<QString()> chooseLog;
    };

    explicit WindowTable(Parts parts, QObject* parent = nullptr);
    ~WindowTable() override;

    const std::vector<WindowEntry>& entries() const { return m_entries; }

    // Gives each window's menu command its keys and makes it show the window.
    void connectMenus(const MainMenus& menus);
    // Runs the window's command: its checks, then the data window if it goes
    // with it, then the window itself.
    void show(WindowCode code);
    // Builds an open window again (a changed setting alters its layout).
    void reopen(WindowCode code);

    // What the log open in the log review shows over the table editors.
    LogOverlay& logOverlay() const { return *m_overlay; }

private:
    const WindowEntry& entry(WindowCode code) const;
    std::vector<WindowEntry> makeEntries();
    // Twips as whole pixels of the main window's screen.
    int pixels(double twips) const;
    // Pixels of the main window's screen as twips, kept to 0..32767.
    int16_t twipsOf(int pixels) const;
    // The width of the windows that open beside the data window: the area's,
    // less the data window's margin.
    int childWidth() const;
    // The top of a child window placed topTwips down, moved by what the open
    // data window is taller or shorter than its places assume, so that both
    // of its rows stay in view.
    int belowDataWindow(int topTwips) const;
    // Below the data window, as wide as it, heightTwips tall and, if
    // atLeastMinimum, no smaller than the window allows.
    WindowRegistry::Placement belowData(int topTwips, std::function<int()> heightTwips,
                                        bool atLeastMinimum) const;
    QWidget* makeLogReview();

    Parts m_parts;
    // The undo history of each table, kept while its editor is closed.
    std::unique_ptr<TableUndoHistory> m_fuelHistory;
    std::unique_ptr<TableUndoHistory> m_ignitionHistory;
    std::unique_ptr<LogOverlay> m_overlay;
    // The live feed's readings for autotune's live source.
    std::unique_ptr<LiveSource> m_live;
    std::vector<WindowEntry> m_entries;
};
