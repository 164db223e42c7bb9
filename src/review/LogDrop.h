// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

// The logs among dropped files: local files ending ".log" or ".csv" (in
// any letter case), in the order dropped.
QStringList droppedLogs(const QMimeData& data);

// Lets a window take logs dropped on it: accepts a drag that carries one
// and hands the first log dropped to open. Installed on the window, which it
// sets to accept drops.
class LogDrop : public QObject {
    Q_OBJECT
public:
    LogDrop(QWidget* window, std::function<void(const QString& path)> open);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QString&)> m_open;
};
