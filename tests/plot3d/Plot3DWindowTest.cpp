// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot3d/Plot3DViews.h"

#include "SimulatedMainWindow.h"
#include "record/SettingsStore.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>
#include <QtTest/QTest>

namespace {

// The 3D plots of a main window on the simulated ECU with a running engine.
class Plot3DWindowTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        ecu.startEngine();
        start();
    }

    // Starts the program again on the same settings file.
    void restart() {
        window.reset();
        state = AppState{};
        prepareStartupState(state);
        start();
    }

    Plot3DViews& plots() { return window->plots3d(); }

    // Pixels of about this colour in the plot as shown (lines are smoothed).
    static int count(Plot3DWindow* plot, QColor colour) {
        const QImage image = plot->grab().toImage();
        int n = 0;
        for (int i = 0; i < image.width() * image.height(); ++i) {
            const QColor c = image.pixelColor(i % image.width(), i / image.width());
            const int off = std::abs(c.red() - colour.red()) +
                            std::abs(c.green() - colour.green()) +
                            std::abs(c.blue() - colour.blue());
            n += off < 120 ? 1 : 0;
        }
        return n;
    }

    static void mouse(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButton button) {
        QMouseEvent event(type, QPointF(global - w->pos()), QPointF(global), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                          Qt::NoModifier);
        QApplication::sendEvent(w, &event);
    }
};

TEST_F(Plot3DWindowTest, DisplayMenuAndPopupMenuOpenZoomAndCloseWithTheTicksInStep) {
    QAction* fuelTick = window->menus().setup3DFuel;
    QAction* ignitionTick = window->menus().setup3DIgnition;
    fuelTick->trigger();
    ignitionTick->trigger();
    Plot3DWindow* fuel = plots().window(fuelPlot());
    Plot3DWindow* ignition = plots().window(ignitionPlot());
    ASSERT_NE(fuel, nullptr);
    ASSERT_NE(ignition, nullptr);
    EXPECT_EQ(fuel->windowTitle(), "Fuel 3D Plot");
    EXPECT_EQ(ignition->windowTitle(), "Ignition 3D Plot");
    EXPECT_TRUE(fuelTick->isChecked() && ignitionTick->isChecked());
    EXPECT_TRUE(state.display.Fuel3DPlotFlag && state.display.Ignition3DPlotFlag);
    EXPECT_EQ(fuel->size(), QSize(200, 200)); // 3000 twips at 96 dpi
    EXPECT_NE(fuel->pos(), ignition->pos());

    // The popup menu acts on the plot it was opened on.
    QTest::mouseClick(ignition, Qt::RightButton, {}, QPoint(100, 100));
    EXPECT_EQ(plots().popupOwner(), 2);
    EXPECT_TRUE(window->menus().popup->isVisible());
    window->menus().popup->hide();
    window->menus().popupZoom->trigger();
    EXPECT_EQ(ignition->size(), QSize(400, 400));
    EXPECT_EQ(ignition->labelPoints(), 16);
    EXPECT_EQ(fuel->size(), QSize(200, 200));
    window->menus().popupClose->trigger();
    EXPECT_EQ(plots().window(ignitionPlot()), nullptr);
    EXPECT_FALSE(ignitionTick->isChecked());
    EXPECT_FALSE(state.display.Ignition3DPlotFlag);
    EXPECT_EQ(plots().openWindows(), QList<Plot3DWindow*>{fuel});

    // Closed by the window system, the plot takes its tick along.
    fuel->close();
    EXPECT_EQ(plots().window(fuelPlot()), nullptr);
    EXPECT_FALSE(fuelTick->isChecked() || state.display.Fuel3DPlotFlag);
}

TEST_F(Plot3DWindowTest, RedrawsOnChangesOfItsTableAndDrawsTheLiveDots) {
    window->menus().setup3DFuel->trigger();
    Plot3DWindow* fuel = plots().window(fuelPlot());
    ASSERT_NE(fuel, nullptr);
    const QColor green(0, 255, 0), blue(0, 0, 255);
    EXPECT_GT(count(fuel, QColor(255, 255, 0)), 100); // the yellow mesh

    const QImage before = fuel->grab().toImage();
    window->store().setCells(FieldId::IgnitionTable, {{5, 5, 90}}, SettingsStore::Send::IfChanged);
    EXPECT_EQ(fuel->grab().toImage(), before);
    window->store().setCells(FieldId::FuelTable, {{5, 5, 250}}, SettingsStore::Send::IfChanged);
    EXPECT_NE(fuel->grab().toImage(), before);

    window->pollTick();
    EXPECT_GT(count(fuel, green), 5);
    EXPECT_EQ(count(fuel, blue), 0);
    window->menus().tuningFuel->trigger(); // the editor's selected cell
    EXPECT_GT(count(fuel, blue), 5);

    const Eye start = fuel->eye();
    const QImage unturned = fuel->grab().toImage();
    QTest::keyClick(fuel, Qt::Key_Left);
    EXPECT_NE(fuel->eye().x, start.x);
    EXPECT_NE(fuel->grab().toImage(), unturned);
}

TEST_F(Plot3DWindowTest, PrintsToAPdfFileAndTellsWhenItCannot) {
    window->menus().setup3DFuel->trigger();
    Plot3DWindow* fuel = plots().window(fuelPlot());
    ASSERT_NE(fuel, nullptr);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString path = dir.filePath(QStringLiteral("plot.pdf"));
    printer.setOutputFileName(path);
    ASSERT_TRUE(fuel->print(printer));
    QFile pdf(path);
    EXPECT_TRUE(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-" && pdf.size() > 1000);

    printer.setOutputFileName(dir.filePath(QStringLiteral("missing/plot.pdf")));
    EXPECT_FALSE(fuel->print(printer));
}

TEST_F(Plot3DWindowTest, DraggedPositionsAndOpenPlotsComeBackAfterARestart) {
    window->menus().setup3DFuel->trigger();
    Plot3DWindow* fuel = plots().window(fuelPlot());
    ASSERT_NE(fuel, nullptr);
    fuel->move(300, 150);
    const QPoint grip = fuel->pos() + QPoint(100, 100);
    mouse(fuel, QEvent::MouseButtonPress, grip, Qt::LeftButton);
    mouse(fuel, QEvent::MouseMove, grip + QPoint(30, 20), Qt::LeftButton);
    mouse(fuel, QEvent::MouseButtonRelease, grip + QPoint(30, 20), Qt::LeftButton);
    EXPECT_EQ(fuel->pos(), QPoint(330, 170));

    window->close(); // closes the plot, keeps its flag and writes the settings
    EXPECT_TRUE(state.display.Fuel3DPlotFlag);
    EXPECT_EQ(state.display.Fuel3DPlotX, 330 * 15);
    EXPECT_EQ(state.display.Fuel3DPlotY, 170 * 15);

    restart();
    EXPECT_TRUE(window->menus().setup3DFuel->isChecked());
    ASSERT_EQ(plots().openWindows(), QList<Plot3DWindow*>{plots().window(fuelPlot())});
    EXPECT_EQ(plots().window(fuelPlot())->pos(), QPoint(330, 170));
}

} // namespace
