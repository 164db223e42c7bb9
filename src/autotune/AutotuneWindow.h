// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autotune/AutotuneWorkspace.h"
#include "autotune/ProposalView.h"

#include <QWidget>
#include <array>
#include <functional>
#include <map>

struct AppState;
class AutotuneGridModel;
class LiveSource;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QTableView;
class QTimer;
class QVBoxLayout;
class SettingsStore;
class TableUndoHistory;
class UserInteraction;

// What the autotune window works with: the program's state (for the grid's
// axis labels), the store, the messages, the fuel table's undo history, into
// which an apply goes as one step, the live samples, and the file chooser of
// the logs.
struct AutotuneWindowParts {
    AppState& state;
    SettingsStore& store;
    UserInteraction& ui;
    TableUndoHistory& fuelHistory;
    // None where nothing reads the ECU.
    LiveSource* live = nullptr;
    // A log to add; empty when the tuner cancelled.
    std::function<QString()> chooseLog;
};

// Tuning > Autotune...: the fuel table corrected from the EGO sensor.
//
// The source is one or more logs (read on a worker thread, with a progress
// bar) or the live stream. The proposal is a 16 x 16 grid with the fuel
// editor's axis labels, showing the new or old value, the change in per
// cent, the hits or the weight of every cell, coloured by the change (red
// where the engine ran lean and gets more fuel, blue where it ran rich); the
// line under it tells all of the current cell. A click on a cell locks or
// unlocks it, as Space does the selected cells. The settings, each filter
// with the records it rejected, and the limits are on the right. Apply
// sends the changed cells through the store as one undo step of the fuel
// table. With the live source the proposal follows every sample and is
// applied only by Apply, or by itself every so many seconds when the tuner
// turned that on. Where the window is too narrow for the grid and the
// settings side by side, they are two pages, the source with the settings.
class AutotuneWindow : public QWidget {
    Q_OBJECT
public:
    explicit AutotuneWindow(AutotuneWindowParts parts, QWidget* parent = nullptr);
    ~AutotuneWindow() override;

    AutotuneWorkspace& workspace() { return m_workspace; }
    QTableView* grid() const { return m_grid; }

signals:
    // After an apply that sent cells, by Apply or by itself.
    void applied(int cells, bool automatic);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildSource();
    QWidget* buildGrid();
    QWidget* buildSettings();
    QWidget* buildBottom();
    QLineEdit* fieldBox(AutotuneField field);
    void enterField(AutotuneField field);
    void changeChoices(const std::function<void(AutotuneChoices&)>& change);
    void showChoices();
    void showLoadCaption();
    void showProposal();
    void showLogs();
    void showReading(bool reading);
    void showDetail();
    void applyProposal();
    void arrange();

    AutotuneWindowParts m_parts;
    AutotuneWorkspace m_workspace;

    QVBoxLayout* m_layout = nullptr;
    QVBoxLayout* m_settingsLayout = nullptr;
    QWidget* m_source = nullptr;
    QStackedWidget* m_body = nullptr;
    QSplitter* m_splitter = nullptr;
    QTabWidget* m_pages = nullptr;
    QWidget* m_gridPage = nullptr;
    QWidget* m_settings = nullptr;
    QAbstractButton* m_logsSource = nullptr;
    QAbstractButton* m_liveSource = nullptr;
    QListWidget* m_logList = nullptr;
    QPushButton* m_addLog = nullptr;
    QPushButton* m_removeLog = nullptr;
    QProgressBar* m_progress = nullptr;
    QTimer* m_progressTimer = nullptr;
    QTableView* m_grid = nullptr;
    AutotuneGridModel* m_model = nullptr;
    QComboBox* m_egoInput = nullptr;
    QAbstractButton* m_setpointTarget = nullptr;
    QAbstractButton* m_oneTarget = nullptr;
    std::map<AutotuneField, QLineEdit*> m_boxes;
    std::array<QLabel*, kAutotuneFilterCount> m_rejected{};
    QLabel* m_used = nullptr;
    QCheckBox* m_autoApply = nullptr;
    QComboBox* m_showCombo = nullptr;
    QLabel* m_loadCaption = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_detail = nullptr;
    QPushButton* m_apply = nullptr;
};
