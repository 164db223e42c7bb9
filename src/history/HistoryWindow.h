// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/Snapshot.h"
#include "record/EcuSettings.h"

#include <QWidget>
#include <functional>
#include <vector>

class DifferenceView;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTableWidget;
class SettingsStore;
class TableUndoHistory;
class TuneHistory;
class UserInteraction;

// What the history window works with: the history, the store of the settings
// now loaded, the undo histories of the two tables (a restored table is one
// undo step of its editor), and the main window's restore of a whole
// snapshot (which replaces the record and sends it when the ECU is online).
struct HistoryWindowParts {
    TuneHistory& history;
    SettingsStore& store;
    UserInteraction& ui;
    TableUndoHistory& fuelHistory;
    TableUndoHistory& ignitionHistory;
    std::function<void(const EcuSettings& settings, const SnapshotInfo& snapshot)> restoreAll;
};

// File > History...: the snapshots of the tune history, newest first,
// filtered by ECU or by file. The tuner names a snapshot and adds a note,
// compares one snapshot with the settings now loaded or two snapshots with
// each other, and restores from one snapshot the whole record, one table, one
// curve or one setting, each through the settings store.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit HistoryWindow(HistoryWindowParts parts, QWidget* parent = nullptr);

    QComboBox* ecuFilter() const { return m_ecuFilter; }
    QComboBox* fileFilter() const { return m_fileFilter; }
    QTableWidget* list() const { return m_list; }
    QLineEdit* nameBox() const { return m_name; }
    QLineEdit* noteBox() const { return m_note; }
    DifferenceView* differenceView() const { return m_view; }
    QPushButton* restoreAllButton() const { return m_restoreAll; }
    QPushButton* restoreItemButton() const { return m_restoreItem; }

    // Lists the snapshots again, keeping the rows chosen.
    void refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void fillFilters(const std::vector<SnapshotInfo>& all);
    std::vector<const SnapshotInfo*> chosen() const;
    void choiceChanged();
    void compareChosen();
    void updateRestoreButtons();
    // The snapshot the name and note boxes show, or null.
    const SnapshotInfo* edited() const;
    void commitName();
    void commitNote();
    void restoreAll();
    void restoreItem();
    bool report(bool ok);

    HistoryWindowParts m_parts;
    std::vector<SnapshotInfo> m_snapshots;
    QComboBox* m_ecuFilter = nullptr;
    QComboBox* m_fileFilter = nullptr;
    QTableWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_note = nullptr;
    DifferenceView* m_view = nullptr;
    QSplitter* m_splitter = nullptr;
    // Once the tuner moves the splitter, it stays where it was put.
    bool m_splitMoved = false;
    QPushButton* m_restoreAll = nullptr;
    QPushButton* m_restoreItem = nullptr;
    qint64 m_editedId = 0;
    bool m_filling = false;
};
