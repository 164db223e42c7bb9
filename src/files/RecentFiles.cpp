// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/RecentFiles.h"

#include "record/AtomicSave.h"
#include "record/FileAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString normalised(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}
} // namespace

RecentFiles::RecentFiles(QString path) : m_path(std::move(path)) {}

QString RecentFiles::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/recent-files.conf");
}

RecentFiles::List RecentFiles::read() const {
    const WholeFile file = readWholeFile(m_path);
    if (!file.ok()) {
        return {{}, file.refused ? file.error : QString()};
    }
    List list;
    for (QByteArray line : file.data.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        const QString path = QString::fromUtf8(line);
        if (!path.isEmpty() && list.files.size() < kMaxFiles) {
            list.files << path;
        }
    }
    return list;
}

QStringList RecentFiles::files() const {
    return read().files;
}

QString RecentFiles::problem() const {
    return read().problem;
}

void RecentFiles::add(const QString& path) {
    const List list = read();
    if (!list.problem.isEmpty()) {
        return;
    }
    const QString file = normalised(path);
    QStringList files = list.files;
    files.removeAll(file);
    files.prepend(file);
    write(files.mid(0, kMaxFiles));
}

void RecentFiles::remove(const QString& path) {
    const List list = read();
    QStringList files = list.files;
    if (list.problem.isEmpty() && files.removeAll(normalised(path)) > 0) {
        write(files);
    }
}

void RecentFiles::write(const QStringList& files) {
    // The list only helps: a failed write costs the menu its entries, so
    // nothing is said about it.
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    saveFileAtomically(m_path, (files.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}
