// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tables/CurveDescription.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QTableWidget;
class QUndoStack;
class LiveFeed;
class SettingsStore;

// One curve under its title: a two-row grid (the axis over the values) with
// the in-place edit of the table editors. An entry writes the selected run;
// every change goes to the settings store as one change and one undo step on
// the window's stack. The grid shows what the record holds.
class CurveGrid : public QWidget {
    Q_OBJECT
public:
    // An edit holds the feed's poll while it is open.
    CurveGrid(CurveDescription curve, LiveFeed* feed, SettingsStore& store, QUndoStack* undo,
              QWidget* parent = nullptr);

    const CurveDescription& curve() const { return m_curve; }
    // A new description for the same field (a user input changed its mode).
    void setCurve(CurveDescription curve);
    QTableWidget* grid() const { return m_grid; }
    QLineEdit* editBox() const { return m_edit; }
    QLabel* title() const { return m_title; }

    // The selected run of values from `column` towards `columnSel`, grid
    // columns 1..points.
    std::pair<int, int> run() const;
    void selectRun(int column, int columnSel);

    // Applies an open in-place edit, as leaving the cell does.
    void finishEdit();
    void smooth();
    // Rewrites the texts from the record.
    void refresh();
    // Only the current grid of a window shows its selection.
    void setCurrent(bool current);

signals:
    // The grid was entered (the focus, a press, a key that starts an edit, a
    // move of its cell): it becomes the window's current grid.
    void entered();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startEdit(const QString& text);
    void releasePoll();
    void apply(const std::vector<FieldCell>& cells, const QString& what);

    CurveDescription m_curve;
    LiveFeed* m_feed = nullptr;
    SettingsStore& m_store;
    QUndoStack* m_undo;
    QLabel* m_title = nullptr;
    QTableWidget* m_grid = nullptr;
    QLineEdit* m_edit = nullptr;
    std::pair<int, int> m_editRun{1, 1};
    bool m_finishing = false;
};
