// Renders the idle air control and the extra-parameters windows side by side
// on the simulated ECU, as a tuner in developer mode sees them. No display is
// needed (QT_QPA_PLATFORM=offscreen).

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "cli/StderrInteraction.h"
#include "config/IdleExtraWindows.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kRunMs = 1500;
constexpr QSize kWindowSize(1100, 600);

// Places the sub-window of a child at its natural size; false when the child
// did not open.
bool place(QWidget* child, int x, int y) {
    auto* sub = child != nullptr ? qobject_cast<QMdiSubWindow*>(child->parentWidget()) : nullptr;
    if (sub == nullptr) {
        return false;
    }
    sub->move(x, y);
    sub->resize(sub->sizeHint());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vantrel-screenshot-idle OUTPUT.png\n");
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

    EcuSettings image = SimulatedEcu::defaultImage();
    image.UC_Extra = {12, 0, 200, 0, 0};
    image.UI_Extra = {1500, 40000, 0, 0, 0};
    SimulatedEcu ecu(image);
    SimulatedLink link(&ecu);
    ecu.startEngine();

    QTemporaryDir scratch;
    MainWindow::Options options;
    options.settingsPath = scratch.filePath(QStringLiteral("Vantrel.ini"));
    options.recentFilesPath = scratch.filePath(QStringLiteral("recent.conf"));
    options.chooseFile = [](const QString&, const QString&, MainWindow::FileDialogMode) {
        return QString();
    };
    options.portGiven = true;

    MainWindow window(state, ui, link, options);
    window.show();
    window.runStartup();
    window.setWindowState(Qt::WindowNoState);
    window.resize(kWindowSize);
    state.DeveloperMode = true;

    window.menus().engineExtra->trigger();
    window.menus().tuningIac->trigger();
    if (!place(window.findChild<IacWindow*>(), 20, 20) ||
        !place(window.findChild<ExtraWindow*>(), 500, 20)) {
        std::fprintf(stderr, "vantrel-screenshot-idle: a window did not open\n");
        return 1;
    }

    int result = 0;
    QTimer::singleShot(kRunMs, &window, [&] {
        if (!window.grab().save(output)) {
            std::fprintf(stderr, "vantrel-screenshot-idle: could not write %s\n",
                         qPrintable(output));
            result = 1;
        }
        QApplication::exit(result);
    });
    QApplication::exec();
    return result;
}
