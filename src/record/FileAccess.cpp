#include "record/FileAccess.h"

#include "record/AtomicSave.h"

#include <QFile>
#include <new>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

QString errorText(const QFileDevice& file) {
    return QStringLiteral("Error - %1 - %2")
        .arg(static_cast<int>(file.error()))
        .arg(file.errorString());
}

QString tooLargeText(qint64 maxBytes) {
    return QStringLiteral("Error - %1 - The file is larger than %2 KB and was not read")
        .arg(static_cast<int>(QFileDevice::ReadError))
        .arg(maxBytes / 1024);
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

} // namespace

WholeFile readWholeFile(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return {{}, errorText(file)};
    }
    if (file.size() > maxBytes) {
        return {{}, tooLargeText(maxBytes)};
    }
    try {
        // Devices and pipes tell no size: read until the end or the limit.
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
                return {{}, tooLargeText(maxBytes)};
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
