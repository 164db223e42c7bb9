// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a tuner sees it with an engine running: "monitor", the
// engine data window and the time history plot sampling rpm and injector
// open time; and "tables", the fuel table editor with its operating cells,
// cross-hair and load plot, and the fuel 3D plot (on a screen given to the
// program, the editor alone as the program opens it there).

#include "Harness.h"
#include "Scenes.h"
#include "monitor/DataWindow.h"
#include "monitor/TimeHistoryWindow.h"
#include "plot3d/Plot3DViews.h"
#include "plot3d/Plot3DWindow.h"
#include "tables/TableEditorWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>

namespace {

constexpr int kRunMs = 9000;
constexpr int kTablesRunMs = 5000;
constexpr QSize kWindowSize(1280, 860);

} // namespace

int monitorScene(Harness& h) {
    h.start(SimulatedEcu::defaultImage(), kWindowSize);
    MainWindow& window = h.window();
    // The data window opens with the table editor, which is closed again.
    window.menus().tuningFuel->trigger();
    window.menus().fileCloseActiveWindow->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window.menus().plotRealTime->trigger();
    auto* plot = qobject_cast<TimeHistoryWindow*>(window.timeHistoryWindow());
    if (plot == nullptr) {
        return Harness::fail("the time history plot did not open");
    }
    plot->findChild<QComboBox*>(QStringLiteral("ChannelCombo0"))->setCurrentIndex(PlotChannel::Rpm);
    plot->findChild<QComboBox*>(QStringLiteral("ChannelCombo1"))
        ->setCurrentIndex(PlotChannel::Fuel);
    plot->findChild<QComboBox*>(QStringLiteral("NmaxCombo"))->setCurrentIndex(2);

    // Data window along the top, the plot filling the rest.
    const QRect area = window.mdiArea()->viewport()->rect();
    int top = 0;
    for (QMdiSubWindow* sub : window.mdiArea()->subWindowList()) {
        if (sub->widget() != plot) {
            sub->move(0, top);
            top += sub->height();
        }
    }
    if (auto* sub = qobject_cast<QMdiSubWindow*>(plot->parentWidget())) {
        sub->setGeometry(0, top, area.width(), std::max(300, area.height() - top));
    }
    plot->start();
    return h.saveAfter(kRunMs, {}, [plot] { plot->stop(); });
}

int tablesScene(Harness& h) {
    h.start(SimulatedEcu::defaultImage(), kWindowSize);
    MainWindow& window = h.window();
    // On a given screen the editor is as the program opens it there (a small
    // screen starts without the load plot); otherwise it shows its load plot
    // and the 3D plot too, and fills the area below the data window.
    if (!h.onScreen()) {
        window.menus().comFuelLoadLine->setChecked(true);
    }
    window.menus().setupDisplayFuelCrossHair->setChecked(true);
    window.menus().tuningFuel->trigger();
    // A mid-load row, so that the load plot shows all three curves.
    if (auto* fuel = window.findChild<FuelWindow*>()) {
        fuel->select({10, 3, 10, 3});
    }
    if (h.onScreen()) {
        return h.saveAfter(kTablesRunMs);
    }
    window.menus().setup3DFuel->trigger();
    window.mdiArea()->activeSubWindow()->resize(window.mdiArea()->viewport()->width(),
                                                window.mdiArea()->viewport()->height() -
                                                    window.dataWindow()->parentWidget()->height());
    return h.saveAfter(kTablesRunMs, [&window] {
        // The 3D plots float over the main window as windows of their own.
        QPixmap picture = window.grab();
        QPainter painter(&picture);
        for (Plot3DWindow* plot : window.plots3d().openWindows()) {
            painter.drawPixmap(picture.width() - plot->width() - 12,
                               picture.height() - plot->height() - 40, plot->grab());
        }
        painter.end();
        return picture;
    });
}
