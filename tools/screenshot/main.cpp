// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the program as a tuner sees it with an engine running on the
// in-process simulated ECU, in one of several scenes, and saves the picture.
// The picture is taken from the widgets themselves, so no display is needed
// (QT_QPA_PLATFORM=offscreen). A screen size after the scene (800x600) shows
// the program as on a screen of that size.

#include "Harness.h"
#include "Scenes.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <cstdio>

namespace {

struct Scene {
    const char* name;
    int (*run)(Harness&);
};

constexpr std::array kScenes{
    Scene{"monitor", monitorScene},   Scene{"tables", tablesScene},
    Scene{"setup", setupScene},       Scene{"diagnostics", diagnosticsScene},
    Scene{"idle", idleScene},         Scene{"curves", curvesScene},
    Scene{"review", reviewScene},     Scene{"scatter", scatterScene},
    Scene{"hits", hitsScene},         Scene{"gauges", gaugesScene},
    Scene{"autotune", autotuneScene}, Scene{"history", historyScene},
};

constexpr QSize kSmallestScreen(320, 240);

// Gives the offscreen platform one screen of the size (for example "800x600")
// before the application starts; false when the size is not of that form.
bool useScreen(const char* size, QTemporaryDir& dir) {
    const QStringList parts = QString::fromLatin1(size).split(QLatin1Char('x'));
    bool wide = false;
    bool high = false;
    const int width = parts.size() == 2 ? parts[0].toInt(&wide) : 0;
    const int height = parts.size() == 2 ? parts[1].toInt(&high) : 0;
    if (!wide || !high || width < kSmallestScreen.width() || height < kSmallestScreen.height() ||
        !dir.isValid()) {
        return false;
    }
    // No window frames: a maximised window takes the whole screen.
    const QString config =
        QStringLiteral(R"({"windowFrameMargins": false, "screens": [{"name": "screen", )"
                       R"("x": 0, "y": 0, "width": %1, "height": %2, "logicalDpi": 96, )"
                       R"("logicalBaseDpi": 96, "dpr": 1}]})")
            .arg(width)
            .arg(height);
    QFile file(dir.filePath(QStringLiteral("screen.json")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) {
        return false;
    }
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(file.fileName()));
    return true;
}

int usage() {
    std::fprintf(stderr, "usage: vantrel-screenshot OUTPUT.png "
                         "[monitor|tables|setup|diagnostics|idle|curves|review|scatter|hits|gauges|"
                         "autotune|history [WIDTHxHEIGHT]]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // A screen size makes the program start as on a screen of that size:
    // maximised, with its first-start choices for it.
    QTemporaryDir screenDir;
    const bool onScreen = argc == 4;
    if (argc < 2 || argc > 4 || (onScreen && !useScreen(argv[3], screenDir))) {
        return usage();
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    const QStringList args = QApplication::arguments();
    const QString name = args.size() >= 3 ? args[2] : QStringLiteral("monitor");
    for (const Scene& scene : kScenes) {
        if (name == QLatin1String(scene.name)) {
            Harness h(args[1], onScreen);
            return scene.run(h);
        }
    }
    return usage();
}
