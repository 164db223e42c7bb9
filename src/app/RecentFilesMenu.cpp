// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecentFilesMenu.h"

#include "record/UserInteraction.h"

#include <QAction>
#include <QFileInfo>

RecentFilesMenu::RecentFilesMenu(const QString& path, QList<QAction*> entries, QAction* separator,
                                 UserInteraction& ui, std::function<void(const QString&)> open,
                                 QObject* parent)
    : QObject(parent), m_files(path), m_entries(std::move(entries)), m_separator(separator),
      m_ui(ui), m_open(std::move(open)) {
    for (int i = 0; i < m_entries.size(); ++i) {
        connect(m_entries[i], &QAction::triggered, this, [this, i] { choose(i); });
    }
    show();
}

void RecentFilesMenu::add(const QString& path) {
    m_files.add(path);
    show();
}

void RecentFilesMenu::show() {
    const QStringList files = m_files.files();
    for (int i = 0; i < m_entries.size(); ++i) {
        QAction* entry = m_entries[i];
        const bool used = i < files.size();
        entry->setVisible(used);
        entry->setText(used
                           ? QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(files[i]).fileName())
                           : QString());
        entry->setToolTip(used ? files[i] : QString());
        entry->setData(used ? files[i] : QString());
    }
    m_separator->setVisible(!files.isEmpty());
}

void RecentFilesMenu::choose(int index) {
    const QString path = m_entries[index]->data().toString();
    if (path.isEmpty()) {
        return;
    }
    if (!QFileInfo::exists(path)) {
        m_ui.message(
            tr("The data file %1 is missing; it is taken off the list of recent files.").arg(path),
            UserInteraction::Icon::Information);
        m_files.remove(path);
        show();
        return;
    }
    m_open(path);
}
