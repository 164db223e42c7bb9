// Renders the four pages of the engine setup window side by side, opened
// from the Engine menu on the in-process simulated ECU with a running engine.
// The picture is taken from the widgets themselves, so no display is needed
// (QT_QPA_PLATFORM=offscreen).

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "cli/StderrInteraction.h"
#include "config/SetupWindow.h"
#include "monitor/Poller.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kGap = 8;

// A configured engine: two custom outputs, an analog input and the secondary
// rev limit in use.
EcuSettings configuredImage() {
    EcuSettings s = SimulatedEcu::defaultImage();
    s.LoadControl = 1;
    s.UserOutputType = {3, 2, 0, 0};
    s.UserOutputOn = {65, 84, 0, 0};
    s.UserOutputOff = {60, 90, 0, 0};
    s.UserInputAnalogMode = {1, 0, 0};
    s.UserInputDigitalMode = {4, 0, 0};
    s.LaunchControlRpm = 4500;
    return s;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vantrel-screenshot-setup OUTPUT.png\n");
        return 2;
    }

    AppState state;
    prepareStartupState(state);
    QFile err;
    if (!err.open(stderr, QIODevice::WriteOnly)) {
        return 1;
    }
    StderrInteraction ui(err);
    ui.setAssumeYes(true);

    SimulatedEcu ecu(configuredImage());
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
    // Every frame shown, as the code-section flags of a developer's ECU do.
    state.CodeSectionFlags = {true, true, true, true};
    window.menus().engineSetup->trigger();
    window.pollTick();

    SetupWindow* setup = nullptr;
    for (QMdiSubWindow* sub : window.mdiArea()->subWindowList()) {
        if (auto* s = qobject_cast<SetupWindow*>(sub->widget())) {
            setup = s;
        }
    }
    if (setup == nullptr) {
        std::fprintf(stderr, "vantrel-screenshot-setup: the setup window did not open\n");
        return 1;
    }
    auto* sub = qobject_cast<QMdiSubWindow*>(setup->parentWidget());
    sub->resize(sub->sizeHint().expandedTo(QSize(520, 0)));

    QList<QPixmap> pages;
    for (int i = 0; i < setup->tabs()->count(); ++i) {
        setup->tabs()->setCurrentIndex(i);
        QApplication::processEvents();
        pages << sub->grab();
    }
    int width = kGap;
    int height = 0;
    for (const QPixmap& p : pages) {
        width += p.width() + kGap;
        height = std::max(height, p.height());
    }
    QImage picture(width, height + 2 * kGap, QImage::Format_RGB32);
    picture.fill(QColor(96, 96, 96));
    QPainter painter(&picture);
    int x = kGap;
    for (const QPixmap& p : pages) {
        painter.drawPixmap(x, kGap, p);
        x += p.width() + kGap;
    }
    painter.end();
    if (!picture.save(args[1])) {
        std::fprintf(stderr, "vantrel-screenshot-setup: could not write %s\n", qPrintable(args[1]));
        return 1;
    }
    return 0;
}
