// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plot3d/Plot3DView.h"

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>

struct AppState;
class LiveFeed;
class LiveSample;
class QPainter;
class QPrinter;
class SettingsStore;

// A table as a wire-frame surface in a small borderless window that floats
// over the main window: turned with the arrow keys, dragged by any point,
// zoomed between a small and a large size, printed. A green dot marks the
// live operating point and a blue one the cell selected in the table's
// editor. The surface is drawn again whenever its table changes; the dots on
// every poll and repaint.
class Plot3DWindow : public QWidget {
    Q_OBJECT
public:
    // The editor's selected grid cell (x the column, y the row, 1..16), or
    // nothing while the editor is closed.
    using SelectedCell = std::function<std::optional<QPoint>()>;

    Plot3DWindow(const Plot3DDescription& plot, AppState& state, SettingsStore& store,
                 LiveFeed* feed, QWidget* owner = nullptr);

    const Plot3DDescription& plot() const { return m_plot; }
    const Eye& eye() const { return m_eye; }
    int labelPoints() const { return m_labelPoints; }
    void setSelectedCell(SelectedCell selected);

    // Builds the surface from the table and draws it into the persistent
    // image, then the live dots.
    void drawSurface();
    // Turns the view as the arrow key does and draws it again.
    void rotate(RotateKey key);
    // Toggles the small and the large size.
    void zoomForm();
    // Asks for a printer (or a PDF file) and prints the plot on it; false
    // when the chosen printer or file could not take it.
    bool print3DPlot();
    // Prints the plot on one page of the printer; false when it could not.
    bool print(QPrinter& printer) const;
    // Draws the mesh, the axes and their labels into the target rectangle on
    // white, as printed; labels of the window's size in points.
    void paintPlot(QPainter& painter, const QRectF& target) const;

signals:
    // The right button asks for the plots' popup menu at this screen point.
    void popupRequested(const QPoint& globalPos);
    // The window is closing; its position is in the settings.
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // On screen in the window's colours with the title, else as printed.
    void paintSurface(QPainter& painter, const QRectF& target, bool onScreen) const;
    void drawCurrentState(QPainter& painter) const;
    // A poll's sample: the live dot moves to its operating point.
    void takeSample(const LiveSample& sample);
    void createProfile();
    void place(QWidget* owner);
    // Moves the window into the part of the screen it keeps to: the main
    // window's area for its child windows when the plot fits there, else the
    // screen's free area.
    void keepInView();
    double twipsPerPixel() const;

    const Plot3DDescription& m_plot;
    // Where the live dot stands: at 0 until the first poll.
    OperatingPoint m_point{};
    AppState& m_state;
    const SettingsStore& m_store;
    Eye m_eye;
    int m_labelPoints = 10;
    QPixmap m_surface;
    SelectedCell m_selected;
    std::optional<QPoint> m_dragOffset; // moving by the mouse where the system cannot
};
