// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot3d/Plot3DWindow.h"

#include "monitor/LiveFeed.h"
#include "record/AppState.h"
#include "record/AreaFit.h"
#include "record/Rounding.h"
#include "record/SettingsStore.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPolygon>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegion>
#include <QScreen>
#include <QWindow>
#include <algorithm>

namespace {

struct Colours {
    QColor mesh;
    QColor axes;
    QColor text;
};
const Colours kScreen{QColor(255, 255, 0), QColor(255, 0, 0), QColor(255, 255, 255)};
const Colours kPaper{QColor(0, 0, 0), QColor(255, 0, 0), QColor(0, 0, 0)};

// Pixels between the window's top edge and its title.
constexpr double kTitleGap = 4;

// Text centred on the point with its top there, turned by the angle in
// degrees (counter-clockwise).
void plotLabel(QPainter& painter, const QString& text, const QPointF& at, double angle) {
    painter.save();
    painter.translate(at);
    painter.rotate(-angle);
    const QRectF box = painter.fontMetrics().boundingRect(text);
    painter.drawText(QRectF(-box.width(), 0, 2 * box.width(), box.height()),
                     Qt::AlignHCenter | Qt::AlignTop, text);
    painter.restore();
}

// The angle of a label that follows the screen line from a to b.
double followingAngle(const QPointF& a, const QPointF& b) {
    return axisLabelAngle(b.x() - a.x(), a.y() - b.y()); // device y grows downward
}

QPointF midpoint(const QPointF& a, const QPointF& b) {
    return (a + b) / 2.0;
}

} // namespace

Plot3DWindow::Plot3DWindow(const Plot3DDescription& plot, AppState& state, SettingsStore& store,
                           LiveFeed* feed, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint), m_plot(plot), m_state(state),
      m_store(store) {
    setObjectName(plot.isIgnition ? QStringLiteral("frm3dPlotIgnition")
                                  : QStringLiteral("frm3dPlotFuel"));
    setWindowTitle(plot.caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setWhatsThis(tr("Arrow keys turn the surface; drag the plot anywhere; the right button "
                    "zooms, prints or closes it."));
    connect(&store, &SettingsStore::changed, this, [this](const SettingsChange& change) {
        if (change.touches(m_plot.field)) {
            drawSurface();
        }
    });
    if (feed != nullptr) {
        if (feed->latest().channels().any()) {
            m_point = operatingPoint(m_store.settings(), feed->latest());
        }
        connect(feed, &LiveFeed::sampled, this, &Plot3DWindow::takeSample);
    }
    place(owner);
    zoomForm();
}

void Plot3DWindow::takeSample(const LiveSample& sample) {
    m_point = operatingPoint(m_store.settings(), sample);
    update();
}

void Plot3DWindow::setSelectedCell(SelectedCell selected) {
    m_selected = std::move(selected);
    update();
}

double Plot3DWindow::twipsPerPixel() const {
    return 1440.0 / std::max(1, logicalDpiX());
}

void Plot3DWindow::place(QWidget* owner) {
    const double tpp = twipsPerPixel();
    QRectF main;
    if (owner != nullptr) {
        const QRect frame = owner->window()->frameGeometry();
        main = QRectF(frame.left() * tpp, frame.top() * tpp, frame.width() * tpp,
                      frame.height() * tpp);
    }
    const QPointF at = plotPlacement(m_state.display.*m_plot.savedX, m_state.display.*m_plot.savedY,
                                     main, m_plot.defaultTopOffsetTwips);
    move(static_cast<int>(roundHalfEven(at.x() / tpp)),
         static_cast<int>(roundHalfEven(at.y() / tpp)));
}

void Plot3DWindow::keepInView() {
    const QScreen* shown = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shown == nullptr) {
        return;
    }
    QRect area = shown->availableGeometry();
    const auto* main = parentWidget() != nullptr
                           ? qobject_cast<const QMainWindow*>(parentWidget()->window())
                           : nullptr;
    if (main != nullptr && main->centralWidget() != nullptr) {
        const QWidget* central = main->centralWidget();
        const QRect inMain =
            QRect(central->mapToGlobal(QPoint(0, 0)), central->size()).intersected(area);
        if (inMain.width() >= width() && inMain.height() >= height()) {
            area = inMain;
        }
    }
    move(keepInside(geometry(), area, size()).topLeft());
}

void Plot3DWindow::zoomForm() {
    const ZoomStep step = zoomStep(width(), twipsPerPixel());
    setFixedSize(step.sizePixels, step.sizePixels);
    keepInView();
    m_labelPoints = step.labelPoints;
    createProfile();
    drawSurface();
}

void Plot3DWindow::createProfile() {
    const std::vector<QPoint> points = outlinePoints(width());
    setMask(QRegion(QPolygon(QList<QPoint>(points.begin(), points.end())), Qt::WindingFill));
}

void Plot3DWindow::rotate(RotateKey key) {
    m_eye = rotateEye(m_eye, key);
    drawSurface();
}

void Plot3DWindow::drawSurface() {
    const qreal ratio = devicePixelRatioF();
    QPixmap image(size() * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);
    QPainter painter(&image);
    paintSurface(painter, QRectF(QPointF(0, 0), size()), true);
    painter.end();
    m_surface = std::move(image);
    update();
}

void Plot3DWindow::paintSurface(QPainter& painter, const QRectF& target, bool onScreen) const {
    const Colours& colours = onScreen ? kScreen : kPaper;
    const ProjectedSurface s = projectSurface(m_plot.tableOf(m_store.settings()), m_eye);
    const PlotMapping map(s.scale, target);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    painter.setPen(QPen(colours.mesh, 0));
    QPolygonF line(16);
    for (std::size_t r = 0; r < 16; ++r) { // each load line in rpm order
        for (std::size_t c = 0; c < 16; ++c) {
            line[static_cast<qsizetype>(c)] = map.toDevice(s.points[r][c]);
        }
        painter.drawPolyline(line);
    }
    for (std::size_t c = 0; c < 16; ++c) { // each rpm line in load order
        for (std::size_t r = 0; r < 16; ++r) {
            line[static_cast<qsizetype>(r)] = map.toDevice(s.points[r][c]);
        }
        painter.drawPolyline(line);
    }

    const QPointF origin = map.toDevice(s.origin);
    const QPointF rpmEnd = map.toDevice(s.rpmEnd);
    const QPointF loadEnd = map.toDevice(s.loadEnd);
    painter.setPen(QPen(colours.axes, 0));
    painter.drawLine(origin, rpmEnd);
    painter.drawLine(origin, loadEnd);
    painter.drawLine(origin, map.toDevice(s.valueEnd));

    QFont font(QStringLiteral("Arial"));
    font.setPointSize(m_labelPoints);
    painter.setFont(font);
    painter.setPen(colours.text);
    plotLabel(painter, QStringLiteral("Rpm"), midpoint(origin, rpmEnd),
              followingAngle(origin, rpmEnd));
    plotLabel(painter, QStringLiteral("Load"), midpoint(origin, loadEnd),
              followingAngle(origin, loadEnd));
    if (onScreen) {
        plotLabel(painter, m_plot.title, QPointF(target.center().x(), target.top() + kTitleGap), 0);
    }
    painter.restore();
}

void Plot3DWindow::paintPlot(QPainter& painter, const QRectF& target) const {
    paintSurface(painter, target, false);
}

void Plot3DWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_surface);
    drawCurrentState(painter);
}

void Plot3DWindow::drawCurrentState(QPainter& painter) const {
    const EcuSettings::Table& table = m_plot.tableOf(m_store.settings());
    const Matrix4 view = buildViewMatrix(m_eye);
    const PlotMapping map(plotScale(zMax(table)), QRectF(rect()));
    const double radius = map.xLength(0.5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    painter.setBrush(QColor(0, 255, 0));
    painter.drawEllipse(map.toDevice(projectPoint(liveMarker(m_point, m_plot), view)), radius,
                        radius);
    const std::optional<QPoint> cell = m_selected ? m_selected() : std::nullopt;
    if (cell && cell->y() >= 1 && cell->y() <= 16 && cell->x() >= 1 && cell->x() <= 16) {
        painter.setBrush(QColor(0, 0, 255));
        painter.drawEllipse(
            map.toDevice(projectPoint(selectedMarker(table, cell->y(), cell->x()), view)), radius,
            radius);
    }
    painter.restore();
}

void Plot3DWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        rotate(RotateKey::Left);
        break;
    case Qt::Key_Up:
        rotate(RotateKey::Up);
        break;
    case Qt::Key_Right:
        rotate(RotateKey::Right);
        break;
    case Qt::Key_Down:
        rotate(RotateKey::Down);
        break;
    default:
        QWidget::keyPressEvent(event);
        break;
    }
}

void Plot3DWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        emit popupRequested(event->globalPosition().toPoint());
        return;
    }
    // The window system moves the window where it can (Wayland allows no
    // other way); elsewhere the window follows the mouse itself.
    QWindow* handle = windowHandle();
    if (handle == nullptr || !handle->startSystemMove()) {
        m_dragOffset = event->globalPosition().toPoint() - pos();
    }
}

void Plot3DWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragOffset && event->buttons() != Qt::NoButton) {
        move(event->globalPosition().toPoint() - *m_dragOffset);
    }
}

void Plot3DWindow::mouseReleaseEvent(QMouseEvent*) {
    m_dragOffset.reset();
}

void Plot3DWindow::closeEvent(QCloseEvent* event) {
    const double tpp = twipsPerPixel();
    m_state.display.*m_plot.savedX = storedPosition(pos().x() * tpp);
    m_state.display.*m_plot.savedY = storedPosition(pos().y() * tpp);
    emit closed();
    event->accept();
}

bool Plot3DWindow::print3DPlot() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(tr("Print %1").arg(m_plot.caption));
    if (dialog.exec() != QDialog::Accepted) {
        return true;
    }
    return print(printer);
}

bool Plot3DWindow::print(QPrinter& printer) const {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    // A square as wide as the page, or as high where the page is wider.
    const QRectF page(QPointF(0, 0),
                      printer.pageLayout().paintRectPixels(printer.resolution()).size());
    const double side = std::min(page.width(), page.height());
    paintPlot(painter, QRectF(page.left() + (page.width() - side) / 2, page.top(), side, side));
    return painter.end();
}
