// Renders the program as a tuner sees it with an engine running, in one of
// two scenes: "monitor" (the default), the main window with the engine data
// window and the time history plot sampling rpm and injector open time; and
// "tables", the fuel table editor with its operating cells, cross-hair and
// load plot, and the fuel 3D plot. Both run on the simulated ECU. The picture
// is taken from the widgets themselves, so no display is needed
// (QT_QPA_PLATFORM=offscreen).

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "cli/StderrInteraction.h"
#include "monitor/DataWindow.h"
#include "monitor/TimeHistoryWindow.h"
#include "plot3d/Plot3DViews.h"
#include "plot3d/Plot3DWindow.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"
#include "tables/TableEditorWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

constexpr int kRunMs = 9000;
constexpr int kTablesRunMs = 5000;
constexpr QSize kWindowSize(1280, 860);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    const QStringList args = QApplication::arguments();
    const QString scene = args.size() == 3 ? args[2] : QStringLiteral("monitor");
    if (args.size() < 2 || args.size() > 3 ||
        (scene != QLatin1String("monitor") && scene != QLatin1String("tables"))) {
        std::fprintf(stderr, "usage: vantrel-screenshot OUTPUT.png [monitor|tables]\n");
        return 2;
    }
    const QString output = args[1];

    AppState state;
    prepareStartupState(state);

    QFile err;
    if (!err.open(stderr, QIODevice::WriteOnly)) {
        return 1;
    }
    StderrInteraction ui(err);
    ui.setAssumeYes(true);

    SimulatedEcu ecu;
    SimulatedLink link(&ecu);
    ecu.startEngine();

    QTemporaryDir scratch;
    MainWindow::Options options;
    options.settingsPath = scratch.filePath(QStringLiteral("Vantrel.ini"));
    options.chooseFile = [](const QString&, const QString&, MainWindow::FileDialogMode) {
        return QString();
    };
    options.portGiven = true;

    MainWindow window(state, ui, link, options);
    window.show();
    window.runStartup();
    window.setWindowState(Qt::WindowNoState);
    window.resize(kWindowSize);

    int result = 0;
    const auto saveAfter = [&](int ms, const std::function<void()>& done) {
        QTimer::singleShot(ms, &window, [&, done] {
            // The 3D plots float over the main window as windows of their own.
            QPixmap picture = window.grab();
            QPainter painter(&picture);
            for (Plot3DWindow* plot : window.plots3d().openWindows()) {
                painter.drawPixmap(picture.width() - plot->width() - 12,
                                   picture.height() - plot->height() - 40, plot->grab());
            }
            painter.end();
            if (!picture.save(output)) {
                std::fprintf(stderr, "vantrel-screenshot: could not write %s\n",
                             qPrintable(output));
                result = 1;
            }
            done();
            QApplication::exit(result);
        });
    };

    // The data window opens with the table editors.
    const bool tables = scene == QLatin1String("tables");
    if (tables) {
        window.menus().comFuelLoadLine->setChecked(true);
        window.menus().setupDisplayFuelCrossHair->setChecked(true);
    }
    window.menus().tuningFuel->trigger();
    if (tables) {
        // A mid-load row, so that the load plot shows all three curves.
        if (auto* fuel = window.findChild<FuelWindow*>()) {
            fuel->select({10, 3, 10, 3});
        }
        window.menus().setup3DFuel->trigger();
        window.mdiArea()->activeSubWindow()->resize(
            window.mdiArea()->viewport()->width(),
            window.mdiArea()->viewport()->height() - window.dataWindow()->parentWidget()->height());
        saveAfter(kTablesRunMs, [] {});
        QApplication::exec();
        return result;
    }
    window.menus().fileCloseActiveWindow->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window.menus().plotRealTime->trigger();
    auto* plot = qobject_cast<TimeHistoryWindow*>(window.timeHistoryWindow());
    if (plot == nullptr) {
        std::fprintf(stderr, "vantrel-screenshot: the time history plot did not open\n");
        return 1;
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

    saveAfter(kRunMs, [plot] { plot->stop(); });
    QApplication::exec();
    return result;
}
