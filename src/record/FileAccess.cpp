// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/FileAccess.h"

#include "record/AtomicSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <new>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString errorText(const QFileDevice& file) {
    return QStringLiteral("Error - %1 - %2")
        .arg(static_cast<int>(file.error()))
        .arg(file.errorString());
}

WholeFile refusal(const QString& path, const QString& reason) {
    WholeFile file;
    file.error = QStringLiteral("Error - %1 - %2 %3 and was not read")
                     .arg(static_cast<int>(QFileDevice::OpenError))
                     .arg(QDir::toNativeSeparators(path), reason);
    file.refused = true;
    return file;
}

WholeFile tooLarge(const QString& path, qint64 maxBytes) {
    return refusal(path, QStringLiteral("is larger than %1 KB").arg(maxBytes / 1024));
}

bool isFifoOrCharacterDevice([[maybe_unused]] const QString& path) {
#ifdef Q_OS_UNIX
    struct stat info {};
    // stat follows a symbolic link to what it names.
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 &&
           (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode));
#else
    return false;
#endif
}

#ifdef Q_OS_UNIX
// What a file that is not a regular one is, for the refusal.
QString kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) {
        return QStringLiteral("a FIFO (named pipe)");
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return QStringLiteral("a device");
    }
    if (S_ISDIR(mode)) {
        return QStringLiteral("a folder");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("a socket");
    }
    return QStringLiteral("a special file");
}
#endif

// Opens a regular file for reading, or says why not.
WholeFile openRegularFile(const QString& path, QFile& file) {
#ifdef Q_OS_UNIX
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never
    // come. A regular file reads the same either way.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {{},
                QStringLiteral("Error - %1 - %2")
                    .arg(static_cast<int>(QFileDevice::OpenError))
                    .arg(qt_error_string(errno))};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return refusal(path,
                       QStringLiteral("is %1, not a regular file,").arg(kindOf(info.st_mode)));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {{}, errorText(file)};
    }
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        return refusal(path, QStringLiteral("is not a regular file"));
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return {{}, errorText(file)};
    }
#endif
    return {};
}

} // namespace

WholeFile readWholeFile(const QString& path, qint64 maxBytes) {
    QFile file;
    if (WholeFile refused = openRegularFile(path, file); !refused.ok()) {
        return refused;
    }
    if (file.size() > maxBytes) {
        return tooLarge(path, maxBytes);
    }
    try {
        // A file that grows while it is read stops at the limit.
        QByteArray data;
        for (;;) {
            const QByteArray chunk = file.read(maxBytes + 1 - data.size());
            if (file.error() != QFileDevice::NoError) {
                return {{}, errorText(file)};
            }
            if (chunk.isEmpty()) {
                return {data, {}};
            }
            data += chunk;
            if (data.size() > maxBytes) {
                return tooLarge(path, maxBytes);
            }
        }
    } catch (const std::bad_alloc&) {
        return {{},
                QStringLiteral("Error - %1 - Out of memory")
                    .arg(static_cast<int>(QFileDevice::ResourceError))};
    }
}

QString saveOutputFile(const QString& path, const QByteArray& data) {
    if (!isFifoOrCharacterDevice(path)) {
        return saveFileAtomically(path, data);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(data) != data.size()) {
        return errorText(file);
    }
    return {};
}

QString fileBesideSettings(const QString& settingsPath, const QString& name) {
    return QFileInfo(settingsPath).absoluteDir().filePath(name);
}

QString saveFileWithFolder(const QString& path, const QByteArray& data) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return QStringLiteral("Cannot create the folder of %1").arg(QDir::toNativeSeparators(path));
    }
    return saveFileAtomically(path, data);
}
