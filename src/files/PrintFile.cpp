// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/PrintFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <filesystem>
#include <system_error>

namespace {
QString finalPath(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
}
} // namespace

PrintFile::PrintFile(const QString& path) : m_path(finalPath(path)) {
    const QFileInfo info(m_path);
    m_temporary.setFileTemplate(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                                QStringLiteral(".XXXXXX"));
}

bool PrintFile::open() {
    if (!m_temporary.open()) {
        m_error = m_temporary.errorString();
        return false;
    }
    // The printer opens the file by its name.
    m_temporary.close();
    return true;
}

bool PrintFile::finish() {
    if (!putInPlace()) {
        m_temporary.remove();
        return false;
    }
    return true;
}

bool PrintFile::putInPlace() {
    QFile written(m_temporary.fileName());
    if (!written.open(QIODevice::ReadOnly)) {
        m_error = written.errorString();
        return false;
    }
    if (!isWholePdf(written.readAll())) {
        m_error = QStringLiteral("the document came out cut short; the disk may be full");
        return false;
    }
    written.close();
    // A printed file is for others to read too, as one written in place
    // would be; one that is replaced keeps its permissions.
    const QFileInfo earlier(m_path);
    m_temporary.setPermissions(earlier.exists()
                                   ? earlier.permissions()
                                   : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                         QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
    // Unlike QFile::rename, this replaces an earlier file in one step.
    std::error_code failure;
    std::filesystem::rename(QFile::encodeName(m_temporary.fileName()).toStdString(),
                            QFile::encodeName(m_path).toStdString(), failure);
    if (failure) {
        m_error = QString::fromLocal8Bit(failure.message());
        return false;
    }
    m_temporary.setAutoRemove(false);
    return true;
}

bool isWholePdf(const QByteArray& data) {
    const QByteArray text = data.trimmed();
    const QByteArray endMarker("%%EOF");
    const QByteArray pointer("startxref");
    const qsizetype at = text.lastIndexOf(pointer);
    if (!text.startsWith("%PDF-") || !text.endsWith(endMarker) || at < 0) {
        return false;
    }
    const qsizetype from = at + pointer.size();
    bool ok = false;
    const qint64 offset =
        text.mid(from, text.size() - endMarker.size() - from).trimmed().toLongLong(&ok);
    if (!ok || offset <= 0 || offset >= at) {
        return false;
    }
    // A table, or a cross-reference stream object.
    static const QRegularExpression object(QStringLiteral("^\\d+ \\d+ obj"));
    const QByteArray table = data.mid(offset, 32);
    return table.startsWith("xref") || object.match(QString::fromLatin1(table)).hasMatch();
}
