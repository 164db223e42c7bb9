// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveSample.h"
#include "tables/OperatingHighlight.h"
#include "tables/TableEditorDescription.h"
#include "tables/TableOperations.h"

#include <QWidget>
#include <optional>

class LiveFeed;
class LoadPlot;
class LogOverlay;
class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QUndoStack;
class SettingsStore;
class TableGridModel;
class TableUndoHistory;
class UserInteraction;
struct SettingsChange;

// A table editor: the 16 x 16 grid of a table with its rpm and load labels,
// the in-place edit, the block operations and marks, the operating cells of
// the live values, the cross-hair dot, the load plot, undo and redo, copy and
// paste. One class, configured for the fuel or the ignition table by its
// description. Every change goes to the settings store, which stores and
// sends it; the grid shows what the record holds.
//
// With a log overlay, the Hits toggle shows how many records of the open log
// fell in each cell and the mean of a chosen channel there, and the record
// at the log review's cursor takes the place of the live operating point
// until live data arrives or the log closes.
class TableEditorWindow : public QWidget {
    Q_OBJECT
public:
    // Placement inside the main window, in twips.
    static constexpr int kTopTwips = 1000;
    static int heightTwips(bool loadPlot) { return loadPlot ? 7850 : 5850; }

    // The undo history is the table's own, kept by the caller across the
    // editor's life; without one the editor keeps a history of its own.
    TableEditorWindow(const TableEditorDescription& description, AppState& state,
                      SettingsStore& store, UserInteraction& ui, LiveFeed* feed,
                      TableUndoHistory* history = nullptr, LogOverlay* overlay = nullptr,
                      QWidget* parent = nullptr);
    ~TableEditorWindow() override;

    const TableEditorDescription& description() const { return m_description; }
    QTableView* grid() const { return m_grid; }
    QLineEdit* editBox() const { return m_edit; }
    QLineEdit* operandBox(Operand operand) const;
    LoadPlot* loadPlot() const { return m_plot; }
    QWidget* crossHair() const { return m_crossHair; }
    QUndoStack* undoStack() const;

    // The grid selection: (row, column) where it started, (rowSel,
    // columnSel) the current cell, grid numbers 1..16.
    GridSelection selection() const;
    void select(const GridSelection& selection);

    // The block operations of the buttons and the Modify menu.
    void arithmetic(BlockArithmetic operation);
    void smooth();
    void mark(uint8_t mark);
    // Smart add (+1) and subtract (-1): the fuel table's red cells nearest
    // the operating point. Available once a poll of the online ECU has found
    // the operating cells.
    void addCurrent(int sign);
    bool smartAddAvailable() const;

    // Copy and paste of the selected block as tab-separated text.
    void copyBlock();
    void pasteBlock();

    // One poll's sample: the cross-hair dot, then the operating cells.
    void upDate(const LiveSample& sample);

    // The Hits toggle (its button and its keys) and the channels whose mean
    // the hits can show.
    QAction* hitsAction() const { return m_hitsAction; }
    QMenu* meanMenu() const { return m_meanMenu; }
    // Whether the operating cells show a record of the log review.
    bool replaying() const { return m_replaying; }

signals:
    void smartAddAvailabilityChanged(bool available);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void buildActions();
    void startEdit(const QString& text);
    void finishEdit();
    // Withdraws this editor's hold of the poll.
    void releasePoll();
    void leaveOperand(Operand operand);
    double operand(Operand operand);
    // Stores and sends the cells as one change and one undo step.
    void apply(const std::vector<FieldCell>& cells, SettingsStore::Send send, const QString& what);
    void settingsChanged(const SettingsChange& change);
    // The cross-hair and the operating cells of the replayed record, or of
    // the live values while the ECU is online; none otherwise.
    void showOperatingPoint();
    void moveCrossHair();
    bool crossHairShown() const;
    void showAvailability();
    void logChanged();
    void checkMeanChoice();
    void replayChanged();
    void countHits();
    // The hits of the grid's current cell in words, while hits are shown.
    void showHitsLine();

    const TableEditorDescription& m_description;
    AppState& m_state;
    LiveFeed* m_feed = nullptr;
    // The sample of the last poll, which the cross-hair and smart add use.
    LiveSample m_sample;
    SettingsStore& m_store;
    UserInteraction& m_ui;
    TableGridModel* m_model = nullptr;
    QTableView* m_grid = nullptr;
    QLineEdit* m_edit = nullptr;
    QLineEdit* m_amount = nullptr;
    QLineEdit* m_factor = nullptr;
    // The operands as typed; the boxes show them in their patterns.
    OperandBox m_amountEntry = operandAtLoad(m_description, Operand::Amount);
    OperandBox m_factorEntry = operandAtLoad(m_description, Operand::Factor);
    LoadPlot* m_plot = nullptr;
    QWidget* m_crossHair = nullptr;
    TableUndoHistory* m_history = nullptr;
    QAction* m_smartAdd = nullptr;
    QAction* m_smartSubtract = nullptr;
    LogOverlay* m_overlay = nullptr;
    QPushButton* m_hitsButton = nullptr;
    QAction* m_hitsAction = nullptr;
    QMenu* m_meanMenu = nullptr;
    QLabel* m_hitsLine = nullptr;
    QActionGroup* m_meanChoices = nullptr;
    // The operating point shown: the replayed record's or the live one.
    std::optional<GridPoint> m_point;
    bool m_replaying = false;
    bool m_loadPlotShown = false;
    bool m_smartAvailable = false;
    bool m_finishing = false;
    GridSelection m_editSelection;
    HighlightTracker m_highlight;
};

// The fuel table editor.
class FuelWindow : public TableEditorWindow {
    Q_OBJECT
public:
    FuelWindow(AppState& state, SettingsStore& store, UserInteraction& ui, LiveFeed* feed,
               TableUndoHistory* history = nullptr, LogOverlay* overlay = nullptr,
               QWidget* parent = nullptr)
        : TableEditorWindow(fuelEditor(), state, store, ui, feed, history, overlay, parent) {}
};

// The ignition table editor.
class IgnWindow : public TableEditorWindow {
    Q_OBJECT
public:
    IgnWindow(AppState& state, SettingsStore& store, UserInteraction& ui, LiveFeed* feed,
              TableUndoHistory* history = nullptr, LogOverlay* overlay = nullptr,
              QWidget* parent = nullptr)
        : TableEditorWindow(ignitionEditor(), state, store, ui, feed, history, overlay, parent) {}
};
