// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/TimeHistoryWindow.h"

#include "monitor/LiveFeed.h"
#include "monitor/SampleSeries.h"
#include "record/AppState.h"
#include "record/NumberFormat.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor kTrace1Colour(0, 0, 255);
const QColor kTrace2Colour(255, 0, 0);
const QColor kGridColour(200, 200, 200);

constexpr int kDivisions = 10;
constexpr double kPenWidth = 1.5;

// 1800 twips at 1440 twips to the inch.
constexpr double kHeightReductionInches = 1800.0 / 1440.0;

QFont labelFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    return font;
}

// Room for a scale label beside the plot area: the widest number the scale
// patterns give for the allowed limits, the rotated name and some air.
int sideMargin(const QFontMetrics& metrics) {
    return metrics.horizontalAdvance(QStringLiteral("-20000.00")) + 2 * metrics.height() + 8;
}

} // namespace

QRect timeHistoryPlotArea(const QRect& area, const QFontMetrics& metrics) {
    const int side = sideMargin(metrics);
    const int top = metrics.height();
    const int bottom = 2 * metrics.height() + 8;
    const int w = std::max(1, area.width() - 2 * side);
    const int h = std::max(1, area.height() - top - bottom);
    return {area.left() + side, area.top() + top, w, h};
}

QPointF timeHistoryToPixels(const QRectF& plotArea, const TimeHistoryFrame& frame,
                            const QPointF& plotPoint) {
    const double n = std::max(1, frame.pointCount);
    double range = static_cast<double>(frame.max0) - frame.min0;
    if (range == 0.0) {
        range = 1.0;
    }
    const double x = plotArea.left() + plotPoint.x() / n * plotArea.width();
    const double y = plotArea.bottom() - (plotPoint.y() - frame.min0) / range * plotArea.height();
    return {x, y};
}

void paintTimeHistoryFrame(QPainter& p, const QRect& area, const TimeHistoryFrame& frame) {
    p.save();
    p.fillRect(area, Qt::white);
    p.setFont(labelFont());
    const QFontMetrics metrics = p.fontMetrics();
    const QRect r = timeHistoryPlotArea(area, metrics);
    const int textHeight = metrics.height();
    const int side = r.left() - area.left();
    const int gap = textHeight / 3 + 1;

    // Grid and horizontal axis labels: sample numbers under each vertical line.
    for (int i = 0; i <= kDivisions; ++i) {
        const double x = r.left() + r.width() * i / double(kDivisions);
        p.setPen(kGridColour);
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        p.setPen(Qt::black);
        const QString text = QString::number(frame.pointCount * i / kDivisions);
        const QRectF box(x - side / 2.0, r.bottom() + gap, side, textHeight);
        p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, text);
    }
    p.drawText(QRectF(r.left(), r.bottom() + gap + textHeight, r.width(), textHeight),
               Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Points"));

    // Horizontal grid lines with the limits of each trace beside them.
    for (int i = 0; i <= kDivisions; ++i) {
        const double y = r.bottom() - r.height() * i / double(kDivisions);
        p.setPen(kGridColour);
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        const double f = i / double(kDivisions);
        const double v0 = frame.min0 + (frame.max0 - frame.min0) * f;
        p.setPen(kTrace1Colour);
        p.drawText(QRectF(area.left(), y - textHeight / 2.0, side - gap, textHeight),
                   Qt::AlignRight | Qt::AlignVCenter, formatNumber(v0, frame.scalePattern0));
        if (frame.trace2Active) {
            const double v1 = frame.min1 + (frame.max1 - frame.min1) * f;
            p.setPen(kTrace2Colour);
            p.drawText(QRectF(r.right() + gap, y - textHeight / 2.0, side - gap, textHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, formatNumber(v1, frame.scalePattern1));
        }
    }
    p.setPen(Qt::black);
    p.drawRect(r);

    // Channel names, rotated, beside each vertical axis.
    auto rotated = [&](const QString& text, double x, const QColor& colour) {
        p.save();
        p.setPen(colour);
        p.translate(x, r.center().y());
        p.rotate(-90);
        p.drawText(QRectF(-r.height() / 2.0, -textHeight / 2.0, r.height(), textHeight),
                   Qt::AlignCenter, text.trimmed());
        p.restore();
    };
    rotated(frame.title0, area.left() + textHeight / 2.0 + 2, kTrace1Colour);
    if (frame.trace2Active) {
        rotated(frame.title1, area.right() - textHeight / 2.0 - 2, kTrace2Colour);
    }
    p.restore();
}

TimeHistoryPlotBox::TimeHistoryPlotBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QRect TimeHistoryPlotBox::plotRect() const {
    if (m_pixmap.isNull()) {
        return timeHistoryPlotArea(rect(), QFontMetrics(labelFont(), this));
    }
    return timeHistoryPlotArea(rect(), QFontMetrics(labelFont(), &m_pixmap));
}

QPointF TimeHistoryPlotBox::toPixels(const QPointF& plotPoint) const {
    return timeHistoryToPixels(plotRect(), m_frame, plotPoint);
}

void TimeHistoryPlotBox::drawFrame(const TimeHistoryFrame& frame) {
    m_frame = frame;
    renderFrame();
    update();
}

void TimeHistoryPlotBox::renderFrame() {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1));
    if (m_pixmap.size() != pixels) {
        m_pixmap = QPixmap(pixels);
        m_pixmap.setDevicePixelRatio(dpr);
    }
    ++m_framesDrawn;
    QPainter p(&m_pixmap);
    paintTimeHistoryFrame(p, rect(), m_frame);
}

void TimeHistoryPlotBox::drawSegment(const PlotSegment& segment) {
    if (m_pixmap.isNull()) {
        renderFrame();
    }
    const QPointF from = toPixels(segment.from);
    const QPointF to = toPixels(segment.to);
    const QRect clip = plotRect().adjusted(1, 1, 0, 0);
    {
        QPainter p(&m_pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setClipRect(clip);
        p.setPen(QPen(segment.trace == 0 ? kTrace1Colour : kTrace2Colour, kPenWidth));
        p.drawLine(from, to);
    }
    const QRect touched =
        QRectF(from, to).normalized().adjusted(-3, -3, 3, 3).toAlignedRect().intersected(clip);
    if (!touched.isEmpty()) {
        update(touched);
    }
}

void TimeHistoryPlotBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    const qreal dpr = m_pixmap.devicePixelRatio();
    p.drawPixmap(r, m_pixmap, QRectF(r.topLeft() * dpr, QSizeF(r.size()) * dpr).toAlignedRect());
}

void TimeHistoryPlotBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    renderFrame();
}

TimeHistoryWindow::TimeHistoryWindow(AppState& state, const SettingsStore& store,
                                     UserInteraction& ui, LiveFeed& feed, QWidget* parent)
    : QWidget(parent), m_state(state), m_store(store), m_ui(ui), m_feed(feed),
      m_run(state, store.settings()) {
    setObjectName(QStringLiteral("frmRealTimePlot"));
    setWindowTitle(QStringLiteral("Time History Plot"));

    m_feed.openPlot();
    connect(&m_feed, &LiveFeed::plotSampled, this, &TimeHistoryWindow::draw);
    connect(&m_feed, &LiveFeed::plotStopped, this, &TimeHistoryWindow::stopped);

    for (int k = 0; k < 2; ++k) {
        m_channelCombos[k] = new QComboBox(this);
        m_channelCombos[k]->setObjectName(QStringLiteral("ChannelCombo%1").arg(k));
        m_valueLabels[k] = new QLabel(this);
        m_valueLabels[k]->setObjectName(QStringLiteral("ValueLabel%1").arg(k));
        m_valueLabels[k]->setMinimumWidth(180);
        QPalette palette = m_valueLabels[k]->palette();
        palette.setColor(QPalette::WindowText, k == 0 ? kTrace1Colour : kTrace2Colour);
        m_valueLabels[k]->setPalette(palette);
    }
    for (int b = 0; b < 4; ++b) {
        m_limitBoxes[b] = new QLineEdit(this);
        m_limitBoxes[b]->setObjectName(QStringLiteral("MaxMinTextBox%1").arg(b));
        m_limitBoxes[b]->setFixedWidth(70);
        m_limitBoxes[b]->installEventFilter(this);
    }
    m_pointsCombo = new QComboBox(this);
    m_pointsCombo->setObjectName(QStringLiteral("NmaxCombo"));
    m_startButton = new QPushButton(QStringLiteral("Start"), this);
    m_startButton->setObjectName(QStringLiteral("StartButton"));
    m_stopButton = new QPushButton(QStringLiteral("Stop"), this);
    m_stopButton->setObjectName(QStringLiteral("StopButton"));
    m_rpmLabel = new QLabel(this);
    m_rpmLabel->setObjectName(QStringLiteral("RpmLabel"));
    m_rpmLabel->setMinimumWidth(100);
    m_loadLabel = new QLabel(this);
    m_loadLabel->setObjectName(QStringLiteral("LoadLabel"));
    m_loadLabel->setMinimumWidth(120);
    m_plot = new TimeHistoryPlotBox(this);
    m_plot->setObjectName(QStringLiteral("PlotBox"));

    // Each trace's value under its channel, so that the window fits an
    // 800-pixel screen.
    auto* top = new QGridLayout;
    for (int k = 0; k < 2; ++k) {
        top->addWidget(m_channelCombos[k], 0, k);
        top->addWidget(m_valueLabels[k], 1, k);
    }
    top->setColumnStretch(2, 1);

    auto* middle = new QGridLayout;
    middle->addWidget(m_limitBoxes[1], 0, 0, Qt::AlignTop);
    middle->addWidget(m_limitBoxes[0], 1, 0, Qt::AlignBottom);
    middle->addWidget(m_plot, 0, 1, 2, 1);
    middle->addWidget(m_limitBoxes[3], 0, 2, Qt::AlignTop);
    middle->addWidget(m_limitBoxes[2], 1, 2, Qt::AlignBottom);
    middle->setColumnStretch(1, 1);

    auto* bottom = new QHBoxLayout;
    // The rpm and load sit below the plot, for the same reason.
    bottom->addWidget(m_pointsCombo);
    bottom->addStretch(1);
    bottom->addWidget(m_rpmLabel);
    bottom->addWidget(m_loadLabel);
    bottom->addWidget(m_startButton);
    bottom->addWidget(m_stopButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);

    // Fill the lists and select the stored choices.
    m_filling = true;
    m_channelCombos[0]->addItems(plotChannelItems(m_store.settings(), false));
    m_channelCombos[1]->addItems(plotChannelItems(m_store.settings(), true));
    m_pointsCombo->addItems(plotPointItems());
    std::array<int, 2> channels{};
    for (int k = 0; k < 2; ++k) {
        channels[k] =
            resolvePlotChoice(m_state.display.PlotChannelChoice[k], m_channelCombos[k]->count());
        m_channelCombos[k]->setCurrentIndex(channels[k]);
        m_state.display.PlotChannelChoice[k] = static_cast<int16_t>(channels[k]);
    }
    m_run.setChannels(channels);
    m_filling = false;
    loadChannelScales();
    enableControls(true);

    for (int k = 0; k < 2; ++k) {
        connect(m_channelCombos[k], &QComboBox::currentIndexChanged, this,
                [this, k](int index) { channelChosen(k, index); });
    }
    connect(m_pointsCombo, &QComboBox::currentIndexChanged, this,
            &TimeHistoryWindow::pointCountChosen);
    connect(m_startButton, &QPushButton::clicked, this, &TimeHistoryWindow::start);
    connect(m_stopButton, &QPushButton::clicked, this, &TimeHistoryWindow::stop);
}

QSize TimeHistoryWindow::openingSize(const QSize& area, int logicalDpiY) {
    const int reduction = static_cast<int>(kHeightReductionInches * logicalDpiY + 0.5);
    return {area.width(), std::max(200, area.height() - reduction)};
}

void TimeHistoryWindow::channelChosen(int trace, int index) {
    if (m_filling || index < 0) {
        return;
    }
    m_state.display.PlotChannelChoice[trace] = static_cast<int16_t>(index);
    std::array<int, 2> channels = m_run.channels();
    channels[trace] = index;
    m_run.setChannels(channels);
    enableControls(!running());
    loadChannelScales();
}

void TimeHistoryWindow::loadChannelScales() {
    const int channel0 = m_run.channels()[0];
    const int stored = m_state.display.PlotChannelScales[channel0].PointsIndex;
    const int index = resolvePlotPointIndex(stored);
    m_filling = true;
    m_pointsCombo->setCurrentIndex(index);
    m_filling = false;
    m_run.setPointCount(*plotPointCount(index));
    showLimits();
    redrawFrame();
}

void TimeHistoryWindow::pointCountChosen(int index) {
    if (m_filling) {
        return;
    }
    const auto count = plotPointCount(index);
    if (!count) {
        m_ui.message(QStringLiteral("Not valid Nmax"));
        return;
    }
    m_state.display.PlotChannelScales[m_run.channels()[0]].PointsIndex =
        static_cast<int16_t>(index);
    m_run.setPointCount(*count);
    redrawFrame();
}

void TimeHistoryWindow::showLimits() {
    for (int b = 0; b < 4; ++b) {
        m_limitBoxes[b]->setText(
            plotLimitText(m_state.display, m_store.settings(), m_run.channels(), b));
    }
}

void TimeHistoryWindow::applyLimitBox(int box) {
    const QString text = m_limitBoxes[box]->text();
    const DisplaySettings before = m_state.display;
    if (!text.isEmpty()) {
        applyPlotLimitEntry(m_state.display, m_run.channels(), box, text);
    }
    showLimits();
    if (!(m_state.display == before)) {
        redrawFrame();
    }
}

TimeHistoryFrame TimeHistoryWindow::currentFrame() const {
    const auto& channels = m_run.channels();
    const auto& scale0 = m_state.display.PlotChannelScales[channels[0]];
    TimeHistoryFrame frame;
    frame.pointCount = m_run.pointCount();
    frame.min0 = scale0.Min[0];
    frame.max0 = scale0.Max[0];
    const PlotChannelInfo info0 = plotChannelInfo(channels[0], m_store.settings());
    frame.scalePattern0 = info0.scalePattern;
    frame.title0 = info0.itemText;
    frame.trace2Active = m_run.trace2Active();
    if (frame.trace2Active) {
        const auto& scale1 = m_state.display.PlotChannelScales[channels[1]];
        frame.min1 = scale1.Min[1];
        frame.max1 = scale1.Max[1];
        const PlotChannelInfo info1 = plotChannelInfo(channels[1], m_store.settings());
        frame.scalePattern1 = info1.scalePattern;
        frame.title1 = info1.itemText;
    }
    return frame;
}

void TimeHistoryWindow::redrawFrame() {
    m_plot->drawFrame(currentFrame());
}

void TimeHistoryWindow::printRealtimePlot(QPainter& painter, const QRect& area) const {
    const qsizetype count = m_run.history().size();
    TimeHistoryFrame frame = currentFrame();
    frame.pointCount = std::max(1, static_cast<int>(count) - 1);
    paintTimeHistoryFrame(painter, area, frame);

    painter.save();
    const QRect plotArea = timeHistoryPlotArea(area, QFontMetrics(labelFont(), painter.device()));
    painter.setClipRect(plotArea);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto& channels = m_run.channels();
    const auto& scale0 = m_state.display.PlotChannelScales[channels[0]];
    for (int k = 0; k < (frame.trace2Active ? 2 : 1); ++k) {
        QPolygonF line;
        for (qsizetype i = 0; i < count; ++i) {
            float y = m_run.historyValue(0, i);
            if (k == 1) {
                const auto& scale1 = m_state.display.PlotChannelScales[channels[1]];
                y = mapTrace2Value(m_run.historyValue(1, i), scale1.Min[1], scale1.Max[1],
                                   scale0.Min[0], scale0.Max[0]);
            }
            line << timeHistoryToPixels(plotArea, frame, QPointF(static_cast<double>(i), y));
        }
        painter.setPen(QPen(k == 0 ? kTrace1Colour : kTrace2Colour, 0));
        painter.drawPolyline(line);
    }
    painter.restore();
}

void TimeHistoryWindow::enableControls(bool enabled) {
    m_channelCombos[0]->setEnabled(enabled);
    m_channelCombos[1]->setEnabled(enabled);
    m_pointsCombo->setEnabled(enabled);
    m_limitBoxes[0]->setEnabled(enabled);
    m_limitBoxes[1]->setEnabled(enabled);
    m_limitBoxes[2]->setEnabled(enabled && m_run.trace2Active());
    m_limitBoxes[3]->setEnabled(enabled && m_run.trace2Active());
    m_startButton->setEnabled(enabled);
    m_stopButton->setEnabled(!enabled);
}

bool TimeHistoryWindow::running() const {
    return m_feed.plotRunning();
}

void TimeHistoryWindow::start() {
    if (running()) {
        return;
    }
    m_run.restart();
    enableControls(false);
    redrawFrame();
    m_feed.startPlot(m_run.channels());
}

void TimeHistoryWindow::stop() {
    m_feed.stopPlot();
}

void TimeHistoryWindow::stopped() {
    enableControls(true);
}

void TimeHistoryWindow::draw(const LiveSample& live) {
    const PlotSample sample = m_run.take(live);
    if (sample.wrapped) {
        redrawFrame();
    }
    for (const PlotSegment& segment : sample.segments) {
        m_plot->drawSegment(segment);
    }
    m_valueLabels[0]->setText(sample.valueLabels[0]);
    m_valueLabels[1]->setText(sample.trace2Active ? sample.valueLabels[1] : QString());
    m_rpmLabel->setText(sample.rpmLabel);
    if (sample.loadLabel) {
        m_loadLabel->setText(*sample.loadLabel);
    }
}

void TimeHistoryWindow::closeEvent(QCloseEvent* event) {
    if (!m_closed) {
        m_closed = true;
        m_feed.closePlot();
    }
    event->accept();
}

bool TimeHistoryWindow::eventFilter(QObject* watched, QEvent* event) {
    for (int b = 0; b < 4; ++b) {
        if (watched != m_limitBoxes[b]) {
            continue;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                applyLimitBox(b);
                return true;
            }
            if (key == Qt::Key_Escape) {
                m_limitBoxes[b]->clear();
                applyLimitBox(b);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            applyLimitBox(b);
        }
        break;
    }
    return QWidget::eventFilter(watched, event);
}
