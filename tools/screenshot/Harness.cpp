// SPDX-License-Identifier: GPL-3.0-or-later
#include "Harness.h"

#include "app/Startup.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <utility>

Harness::Harness(QString output, bool onScreen)
    : m_output(std::move(output)), m_onScreen(onScreen) {
    prepareStartupState(m_state);
    if (!m_err.open(stderr, QIODevice::WriteOnly)) {
        std::fprintf(stderr, "vantrel-screenshot: could not open stderr\n");
    }
    m_ui.setAssumeYes(true);
}

void Harness::start(const EcuSettings& image, QSize size, SimulatedEcu::Clock clock) {
    m_ecu = std::make_unique<SimulatedEcu>(image, clock);
    m_link = std::make_unique<SimulatedLink>(m_ecu.get());
    m_ecu->startEngine();

    MainWindow::Options options;
    options.settingsPath = m_scratch.filePath(QStringLiteral("Vantrel.ini"));
    options.recentFilesPath = m_scratch.filePath(QStringLiteral("recent.conf"));
    options.history.path = m_scratch.filePath(QStringLiteral("history.sqlite"));
    options.chooseFile = [](const QString&, const QString&, MainWindow::FileDialogMode) {
        return QString();
    };
    options.portGiven = true;
    options.clock = clock;

    m_window = std::make_unique<MainWindow>(m_state, m_ui, *m_link, options);
    m_window->show();
    m_window->runStartup();
    if (size.isValid() && !m_onScreen) {
        m_window->setWindowState(Qt::WindowNoState);
        m_window->resize(size);
    }
}

int Harness::fail(const char* what) {
    std::fprintf(stderr, "vantrel-screenshot: %s\n", what);
    return 1;
}

int Harness::save(const QImage& picture) const {
    if (!picture.save(m_output)) {
        std::fprintf(stderr, "vantrel-screenshot: could not write %s\n", qPrintable(m_output));
        return 1;
    }
    return 0;
}

int Harness::saveAfter(int ms, const std::function<QPixmap()>& grab,
                       const std::function<void()>& done) {
    int result = 0;
    QTimer::singleShot(ms, m_window.get(), [&] {
        result = save((grab ? grab() : m_window->grab()).toImage());
        if (done) {
            done();
        }
        QApplication::exit(result);
    });
    QApplication::exec();
    return result;
}
