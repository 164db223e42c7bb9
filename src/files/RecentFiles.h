#pragma once

#include <QString>
#include <QStringList>

// The data files last opened or saved, newest first, kept in a small per-user
// settings file of their own (the program's settings file has a fixed format).
class RecentFiles {
public:
    static constexpr int kMaxFiles = 3;

    // Keeps the list in the file at path.
    explicit RecentFiles(QString path);

    // The user's own list.
    static QString defaultPath();

    QStringList files() const;
    // Puts a file at the top; a file already listed moves up, the oldest of
    // more than kMaxFiles drops out.
    void add(const QString& path);
    void remove(const QString& path);

private:
    void write(const QStringList& files);

    QString m_path;
};
