// SPDX-License-Identifier: GPL-3.0-or-later
// The four pages of the engine setup window side by side, opened from the
// Engine menu.

#include "Harness.h"
#include "Scenes.h"
#include "config/SetupWindow.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QTabWidget>

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

int setupScene(Harness& h) {
    h.start(configuredImage());
    MainWindow& window = h.window();
    // Every frame shown, as the code-section flags of a developer's ECU do.
    h.state().CodeSectionFlags = {true, true, true, true};
    window.menus().engineSetup->trigger();
    window.pollTick();

    SetupWindow* setup = nullptr;
    for (QMdiSubWindow* sub : window.mdiArea()->subWindowList()) {
        if (auto* s = qobject_cast<SetupWindow*>(sub->widget())) {
            setup = s;
        }
    }
    if (setup == nullptr) {
        return Harness::fail("the setup window did not open");
    }
    auto* sub = qobject_cast<QMdiSubWindow*>(setup->parentWidget());
    if (!h.onScreen()) {
        sub->resize(sub->sizeHint().expandedTo(QSize(520, 0)));
    }

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
    return h.save(picture);
}
