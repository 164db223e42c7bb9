// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/RecentFiles.h"

#include <QList>
#include <QObject>
#include <functional>

class QAction;
class UserInteraction;

// The File menu's recent data files: its entries show the list, and choosing
// one opens that file, or takes it off the list when it is missing.
class RecentFilesMenu : public QObject {
    Q_OBJECT
public:
    // The entries and the separator after them; open opens a data file.
    RecentFilesMenu(const QString& path, QList<QAction*> entries, QAction* separator,
                    UserInteraction& ui, std::function<void(const QString&)> open,
                    QObject* parent = nullptr);

    // Why the list was not read, if it was not.
    QString problem() const { return m_files.problem(); }
    // Puts a file at the top of the list.
    void add(const QString& path);

private:
    void show();
    void choose(int index);

    RecentFiles m_files;
    QList<QAction*> m_entries;
    QAction* m_separator;
    UserInteraction& m_ui;
    std::function<void(const QString&)> m_open;
};
