// Renders the program as a tuner sees it with an engine running: the main
// window with the engine data window and the time history plot sampling rpm
// and injector open time from the simulated ECU. The picture is taken from the
// widgets themselves, so no display is needed (QT_QPA_PLATFORM=offscreen).

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "cli/StderrInteraction.h"
#include "monitor/TimeHistoryWindow.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kRunMs = 9000;
constexpr QSize kWindowSize(1280, 860);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vantrel-screenshot OUTPUT.png\n");
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

    // The data window opens with the table editors.
    window.menus().tuningFuel->trigger();
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

    int result = 0;
    QTimer::singleShot(kRunMs, &window, [&] {
        if (!window.grab().save(output)) {
            std::fprintf(stderr, "vantrel-screenshot: could not write %s\n", qPrintable(output));
            result = 1;
        }
        plot->stop();
        QApplication::exit(result);
    });
    QApplication::exec();
    return result;
}
