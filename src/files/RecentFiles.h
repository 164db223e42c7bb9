// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The data files last opened or saved, newest first, kept in a small per-user
// file of their own (the program's settings file has a fixed format): one full
// path a line, in UTF-8.
class RecentFiles {
public:
    static constexpr int kMaxFiles = 3;

    // Keeps the list in the file at path.
    explicit RecentFiles(QString path);

    // The user's own list.
    static QString defaultPath();

    QStringList files() const;
    // Why the list was not read although its file is there (it is a FIFO, a
    // device or too large), naming the file; empty otherwise. Such a file is
    // left as it is: the list then stays empty.
    QString problem() const;
    // Puts a file at the top; a file already listed moves up, the oldest of
    // more than kMaxFiles drops out.
    void add(const QString& path);
    void remove(const QString& path);

private:
    struct List {
        QStringList files;
        QString problem;
    };
    List read() const;
    void write(const QStringList& files);

    QString m_path;
};
