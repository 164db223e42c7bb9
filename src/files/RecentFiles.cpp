#include "files/RecentFiles.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
const QString kKey = QStringLiteral("RecentFiles/files");

QString normalised(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}
} // namespace

RecentFiles::RecentFiles(QString path) : m_path(std::move(path)) {}

QString RecentFiles::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/recent-files.conf");
}

QStringList RecentFiles::files() const {
    const QSettings settings(m_path, QSettings::IniFormat);
    QStringList list = settings.value(kKey).toStringList();
    list.removeAll(QString());
    return list.mid(0, kMaxFiles);
}

void RecentFiles::add(const QString& path) {
    const QString file = normalised(path);
    QStringList list = files();
    list.removeAll(file);
    list.prepend(file);
    write(list.mid(0, kMaxFiles));
}

void RecentFiles::remove(const QString& path) {
    QStringList list = files();
    if (list.removeAll(normalised(path)) > 0) {
        write(list);
    }
}

void RecentFiles::write(const QStringList& files) {
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(kKey, files);
    settings.sync();
}
