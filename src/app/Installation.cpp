// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

Branding brandingOf(Edition edition) {
    switch (edition) {
    case Edition::Gullwick:
        return {QStringLiteral("Gullwick - Vantrel by Marrowby"), QStringLiteral("board.jpg")};
    case Edition::Ostrand:
        return {QStringLiteral("Vantrel by Ostrand"), QStringLiteral("background3.jpg")};
    case Edition::Kelmsby:
        return {QStringLiteral("Vantrel by Kelmsby"), QStringLiteral("kelmsby.jpg")};
    default:
        return {QStringLiteral("Vantrel by Marrowby"), QStringLiteral("background.jpg")};
    }
}

QIcon applicationIcon() {
    QSvgRenderer renderer(QStringLiteral(":/icons/vantrel.svg"));
    QIcon icon;
    if (!renderer.isValid()) {
        return icon;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QString userManualPath() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/doc/vantrel/manual/index.html"));
}
