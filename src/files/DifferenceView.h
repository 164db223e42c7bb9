// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/SettingsDifference.h"

#include <QWidget>
#include <optional>
#include <vector>

class QLabel;
class QTabWidget;
class QTableWidget;

// The differences of two records ("first -> second") on pages: the settings
// that differ with the names and units of their windows, each table that
// differs as a grid like its editor's with every cell coloured by its change
// in per cent, and the curves as rows of changed points. The history window
// and the question after a search show it.
class DifferenceView : public QWidget {
    Q_OBJECT
public:
    explicit DifferenceView(QWidget* parent = nullptr);

    // Compares the records; the names head the value columns ("Now loaded",
    // "Snapshot 12").
    void compare(const EcuSettings& first, const EcuSettings& second, const QString& firstName,
                 const QString& secondName);
    // Shows no comparison, only the text given.
    void showText(const QString& text);

    const SettingsDifference& difference() const { return m_difference; }
    // What the page shown and its chosen row stand for: a table, or the
    // setting or curve of the chosen row; nothing on an empty page.
    std::optional<RestoreTarget> chosenItem() const;

    QLabel* heading() const { return m_heading; }
    QTabWidget* pages() const { return m_pages; }
    QTableWidget* settingsGrid() const { return m_settings; }
    QTableWidget* curvesGrid() const { return m_curves; }
    // The grid of a table that differs, or null.
    QTableWidget* tableGrid(FieldId field) const;

signals:
    void chosenItemChanged();

private:
    // A page listing rows under the headings, added to the pages as tab.
    QTableWidget* addListPage(const QString& name, const QStringList& headings,
                              const std::vector<QStringList>& rows, const QString& tab);
    QWidget* tablePage(const TableDifference& table);
    void fillSettings(const QString& firstName, const QString& secondName);
    void fillCurves(const QString& firstName, const QString& secondName);
    void clearPages();
    QString pageName(int index) const;

    SettingsDifference m_difference;
    QLabel* m_heading = nullptr;
    QTabWidget* m_pages = nullptr;
    QTableWidget* m_settings = nullptr;
    QTableWidget* m_curves = nullptr;
};
