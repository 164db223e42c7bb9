// Renders the program as a tuner sees it with an engine running on the
// in-process simulated ECU, in one of several scenes, and saves the picture.
// The picture is taken from the widgets themselves, so no display is needed
// (QT_QPA_PLATFORM=offscreen).

#include "Harness.h"
#include "Scenes.h"

#include <QApplication>
#include <array>
#include <cstdio>

namespace {

struct Scene {
    const char* name;
    int (*run)(Harness&);
};

constexpr std::array kScenes{
    Scene{"monitor", monitorScene}, Scene{"tables", tablesScene},
    Scene{"setup", setupScene},     Scene{"diagnostics", diagnosticsScene},
    Scene{"idle", idleScene},       Scene{"curves", curvesScene},
    Scene{"review", reviewScene},   Scene{"scatter", scatterScene},
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    const QStringList args = QApplication::arguments();
    const QString name = args.size() == 3 ? args[2] : QStringLiteral("monitor");
    if (args.size() == 2 || args.size() == 3) {
        for (const Scene& scene : kScenes) {
            if (name == QLatin1String(scene.name)) {
                Harness h(args[1]);
                return scene.run(h);
            }
        }
    }
    std::fprintf(stderr, "usage: vantrel-screenshot OUTPUT.png "
                         "[monitor|tables|setup|diagnostics|idle|curves|review|scatter]\n");
    return 2;
}
