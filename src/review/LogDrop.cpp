// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/LogDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

QStringList droppedLogs(const QMimeData& data) {
    QStringList logs;
    for (const QUrl& url : data.urls()) {
        const QString path = url.toLocalFile();
        if (path.endsWith(QLatin1String(".log"), Qt::CaseInsensitive) ||
            path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
            logs << path;
        }
    }
    return logs;
}

LogDrop::LogDrop(QWidget* window, std::function<void(const QString&)> open)
    : QObject(window), m_open(std::move(open)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool LogDrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData() != nullptr && !droppedLogs(*drag->mimeData()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
        break;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList logs =
            drop->mimeData() != nullptr ? droppedLogs(*drop->mimeData()) : QStringList();
        if (!logs.isEmpty()) {
            drop->acceptProposedAction();
            m_open(logs.front());
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
