// SPDX-License-Identifier: GPL-3.0-or-later
#include "gauges/GaugePanel.h"

#include "record/ListStyle.h"
#include "record/SettingsStore.h"

#include <QPainter>
#include <QScreen>
#include <cmath>
#include <numbers>

namespace {

const QColor kFace(30, 30, 30);
const QColor kRim(90, 90, 90);
const QColor kText(235, 235, 235);
const QColor kDim(150, 150, 150);
const QColor kNormalFill(46, 170, 220);
const QColor kCurrent(46, 170, 220);

// Bigger than the readable size by this much where the screen has room.
constexpr double kComfort = 1.25;
constexpr double kFallbackDpi = 96.0;

QColor zoneColour(GaugeZone zone, const QColor& normal) {
    return zone == GaugeZone::Normal ? normal : gaugeZoneColour(zone);
}

QString tickText(double value) {
    return shortestDecimal(static_cast<float>(value));
}

// A bold font whose "0" is digitHeight tall, shrunk where text would not fit
// width; the digits' height is returned in painted.
QFont digitFont(const QFont& base, double digitHeight, const QString& widest, double width,
                double& painted) {
    QFont f = base;
    f.setBold(true);
    f.setPixelSize(100);
    const QFontMetricsF probe(f);
    const double zeroPerPixel = probe.tightBoundingRect(QStringLiteral("0")).height() / 100.0;
    const double advancePerPixel = probe.horizontalAdvance(widest) / 100.0;
    double pixels = std::ceil(digitHeight / std::max(zeroPerPixel, 0.1));
    if (advancePerPixel > 0 && pixels * advancePerPixel > width) {
        pixels = std::floor(width / advancePerPixel);
    }
    f.setPixelSize(std::max(1, static_cast<int>(pixels)));
    painted = QFontMetricsF(f).tightBoundingRect(QStringLiteral("0")).height();
    return f;
}

// A font whose capitals are about letterHeight tall, smaller where text
// would be wider than width.
QFont textFont(const QFont& base, double letterHeight, const QString& text = {}, double width = 0) {
    QFont f = base;
    double pixels = letterHeight / 0.72;
    if (!text.isEmpty()) {
        f.setPixelSize(100);
        const double advance = QFontMetricsF(f).horizontalAdvance(text) / 100.0;
        if (advance > 0 && pixels * advance > width) {
            pixels = width / advance;
        }
    }
    f.setPixelSize(std::max(8, static_cast<int>(std::floor(pixels))));
    return f;
}

// The patch behind digits of the text's width, centred in their box.
QRectF digitsBack(const QRectF& box, const QString& text, const QFont& font, double digitHeight) {
    const double w =
        std::min(box.width(), QFontMetricsF(font).horizontalAdvance(text) + digitHeight * 0.4);
    const double h = std::min(box.height(), digitHeight * 1.35);
    return {box.center().x() - w / 2, box.center().y() - h / 2, w, h};
}

// Digits drawn centred in a box, on the zone's colour when not normal.
void drawDigits(QPainter& p, const QRectF& box, const QString& text, const QFont& font,
                GaugeZone zone, double digitHeight) {
    if (zone != GaugeZone::Normal) {
        const QRectF back = digitsBack(box, text, font, digitHeight);
        const double h = back.height();
        p.setPen(Qt::NoPen);
        p.setBrush(zoneColour(zone, kFace));
        p.drawRoundedRect(back, h * 0.15, h * 0.15);
    }
    p.setFont(font);
    p.setPen(zone == GaugeZone::Warning ? Qt::black : kText);
    p.drawText(box, Qt::AlignCenter, text);
}

} // namespace

QColor gaugeBackground() {
    return {17, 17, 17};
}

QColor gaugeZoneColour(GaugeZone zone) {
    switch (zone) {
    case GaugeZone::Warning:
        return {255, 176, 0};
    case GaugeZone::Danger:
        return {224, 32, 32};
    case GaugeZone::Normal:
        break;
    }
    return {70, 70, 70};
}

GaugePanel::GaugePanel(const SettingsStore& store, QWidget* parent)
    : QWidget(parent), m_store(store) {
    setObjectName(QStringLiteral("GaugePanel"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWhatsThis(tr("The live values as gauges. Each turns amber in its warning range and red in "
                    "its danger range; Edit gauges chooses them."));
}

void GaugePanel::setGauges(const std::vector<Gauge>& gauges) {
    m_gauges = gauges;
    m_current = std::min(m_current, static_cast<int>(m_gauges.size()) - 1);
    updateGeometry();
    update();
}

void GaugePanel::setSample(const LiveSample& sample) {
    m_sample = sample;
    update();
}

void GaugePanel::setCurrent(int index) {
    if (index != m_current) {
        m_current = index;
        update();
    }
}

double GaugePanel::pixelsPerMillimetre() const {
    const QScreen* s = screen();
    double dpi = s != nullptr ? s->physicalDotsPerInch() / s->devicePixelRatio() : 0.0;
    if (!(dpi >= 50.0 && dpi <= 600.0)) {
        dpi = kFallbackDpi;
    }
    return dpi / 25.4;
}

std::vector<GaugeShape> GaugePanel::shapes() const {
    std::vector<GaugeShape> list;
    for (const Gauge& g : m_gauges) {
        list.push_back({g.kind, gaugeCharacters(g, m_store.settings())});
    }
    return list;
}

GaugeGrid GaugePanel::grid() const {
    return gaugeGrid(shapes(), size());
}

QRectF GaugePanel::cell(int index) const {
    return gaugeCell(grid(), size(), index);
}

void GaugePanel::setCompact(bool compact) {
    if (compact != m_compact) {
        m_compact = compact;
        updateGeometry();
    }
}

QSize GaugePanel::minimumSizeHint() const {
    if (m_compact) {
        return {200, 120};
    }
    const QSizeF least = gaugePanelMinimum(shapes(), readableDigitPixels(pixelsPerMillimetre()));
    return least.isEmpty() ? QSize(200, 120) : least.toSize();
}

QSize GaugePanel::sizeHint() const {
    const QSizeF least = gaugePanelMinimum(shapes(), readableDigitPixels(pixelsPerMillimetre()));
    return least.isEmpty() ? QSize(200, 120) : (least * kComfort).toSize();
}

void GaugePanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), gaugeBackground());
    m_digitHeights.assign(m_gauges.size(), 0.0);
    if (m_gauges.empty()) {
        p.setPen(kDim);
        p.drawText(rect(), Qt::AlignCenter, tr("No gauges: Edit gauges adds them."));
        return;
    }
    const GaugeGrid g = grid();
    for (int i = 0; i < static_cast<int>(m_gauges.size()); ++i) {
        paintGauge(p, i, gaugeCell(g, size(), i));
    }
}

void GaugePanel::paintGauge(QPainter& p, int index, const QRectF& cell) {
    const Gauge& g = m_gauges[static_cast<size_t>(index)];
    const EcuSettings& settings = m_store.settings();
    const GaugeShape shape{g.kind, gaugeCharacters(g, settings)};
    const GaugeFace face = gaugeFace(shape, cell);
    const bool has = m_sample.has(g.channel);
    const float value = m_sample.value(g.channel);
    const GaugeZone zone = has ? gaugeZone(g, value) : GaugeZone::Normal;
    const QString text = gaugeValueText(g, m_sample, settings);
    const QString widest = QString(shape.characters, QLatin1Char('0'));
    double painted = 0;
    const QFont digits = digitFont(font(), face.digitHeight, widest, face.value.width(), painted);
    m_digitHeights[static_cast<size_t>(index)] = painted;
    const QString unit = gaugeUnit(g.channel, settings);
    const QString title =
        liveChannelName(g.channel) +
        (unit.isEmpty() || unit.compare(liveChannelName(g.channel), Qt::CaseInsensitive) == 0
             ? QString()
             : QStringLiteral(" ") + unit);
    const QFont titleFont = textFont(font(), face.titleHeight, title, face.title.width());
    const std::vector<GaugeBand> bands = gaugeBands(g);

    if (index == m_current) {
        p.setPen(QPen(kCurrent, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(cell.adjusted(1, 1, -1, -1));
    }

    switch (g.kind) {
    case GaugeKind::Dial: {
        const QRectF dial = face.dial;
        const double r = dial.width() / 2;
        const QPointF c = dial.center();
        p.setPen(QPen(kRim, std::max(1.0, r * 0.02)));
        p.setBrush(kFace);
        p.drawEllipse(dial);
        // The bands on an arc just inside the rim.
        const double bandWidth = r * 0.08;
        const double bandRadius = r * 0.9;
        const QRectF arc(c.x() - bandRadius, c.y() - bandRadius, 2 * bandRadius, 2 * bandRadius);
        for (const GaugeBand& b : bands) {
            const double from = dialAngle(gaugeFraction(g, b.from));
            const double to = dialAngle(gaugeFraction(g, b.to));
            p.setPen(QPen(gaugeZoneColour(b.zone), bandWidth, Qt::SolidLine, Qt::FlatCap));
            p.drawArc(arc, static_cast<int>(std::lround(from * 16)),
                      static_cast<int>(std::lround((to - from) * 16)));
        }
        // Round numbers with their ticks; a number that would stand on the
        // name or the digits is left out.
        const QFont tickFont = textFont(font(), r * 0.1);
        p.setFont(tickFont);
        const QFontMetricsF tm(tickFont);
        const QRectF digitsPatch = digitsBack(face.value, widest, digits, painted);
        const double titleWidth =
            std::min(face.title.width(), QFontMetricsF(titleFont).horizontalAdvance(title));
        const QRectF titlePatch(face.title.center().x() - titleWidth / 2, face.title.top(),
                                titleWidth, face.title.height());
        for (double t : gaugeTicks(g.min, g.max, 7)) {
            const double a =
                dialAngle(gaugeFraction(g, static_cast<float>(t))) * std::numbers::pi / 180.0;
            const QPointF dir(std::cos(a), -std::sin(a));
            p.setPen(QPen(kText, std::max(1.0, r * 0.02)));
            p.drawLine(c + dir * (r * 0.78), c + dir * (r * 0.86));
            const QString label = tickText(t);
            const QPointF at = c + dir * (r * 0.66);
            const double w = tm.horizontalAdvance(label);
            const QRectF place(at.x() - w / 2 - 2, at.y() - tm.height() / 2, w + 4, tm.height());
            if (!place.intersects(digitsPatch) && !place.intersects(titlePatch)) {
                p.setPen(kDim);
                p.drawText(place, Qt::AlignCenter, label);
            }
        }
        if (has) {
            const double a = dialAngle(gaugeFraction(g, value)) * std::numbers::pi / 180.0;
            const QPointF dir(std::cos(a), -std::sin(a));
            p.setPen(QPen(zoneColour(zone, QColor(255, 120, 40)), std::max(2.0, r * 0.04),
                          Qt::SolidLine, Qt::RoundCap));
            p.drawLine(c - dir * (r * 0.1), c + dir * (r * 0.82));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(kRim);
        p.drawEllipse(c, r * 0.07, r * 0.07);
        p.setFont(titleFont);
        p.setPen(kDim);
        p.drawText(face.title, Qt::AlignCenter, title);
        drawDigits(p, face.value, text, digits, zone, painted);
        break;
    }
    case GaugeKind::Bar: {
        p.setFont(titleFont);
        p.setPen(kDim);
        p.drawText(face.title, Qt::AlignLeft | Qt::AlignVCenter, title);
        drawDigits(p, face.value, text, digits, zone, painted);
        const QRectF bar = face.bar;
        p.setPen(Qt::NoPen);
        p.setBrush(kFace);
        p.drawRect(bar);
        // The bands as a strip along the bar's foot.
        const double strip = bar.height() * 0.2;
        for (const GaugeBand& b : bands) {
            const double x0 = bar.left() + bar.width() * gaugeFraction(g, b.from);
            const double x1 = bar.left() + bar.width() * gaugeFraction(g, b.to);
            p.setBrush(gaugeZoneColour(b.zone));
            p.drawRect(QRectF(x0, bar.bottom() - strip, x1 - x0, strip));
        }
        if (has) {
            p.setBrush(zoneColour(zone, kNormalFill));
            p.drawRect(QRectF(bar.left(), bar.top(), bar.width() * gaugeFraction(g, value),
                              bar.height() - strip));
        }
        p.setPen(QPen(kRim, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(bar);
        // As many round numbers as stand apart at the scale's font.
        const QFont tickFont = textFont(font(), face.scale.height() * 0.32);
        p.setFont(tickFont);
        const QFontMetricsF tm(tickFont);
        const double labelWidth =
            std::max(tm.horizontalAdvance(tickText(g.min)), tm.horizontalAdvance(tickText(g.max)));
        const int fitting = static_cast<int>(bar.width() / (labelWidth * 1.5 + 1));
        for (double t : gaugeTicks(g.min, g.max, std::clamp(fitting, 2, 11))) {
            const double x = bar.left() + bar.width() * gaugeFraction(g, static_cast<float>(t));
            p.setPen(QPen(kText, 1));
            p.drawLine(QPointF(x, bar.bottom()),
                       QPointF(x, bar.bottom() + face.scale.height() * 0.2));
            const QString label = tickText(t);
            const double w = tm.horizontalAdvance(label);
            const double left = std::clamp(x - w / 2, face.scale.left(), face.scale.right() - w);
            p.setPen(kDim);
            p.drawText(QRectF(left, face.scale.top() + face.scale.height() * 0.25, w + 1,
                              face.scale.height() * 0.75),
                       Qt::AlignLeft | Qt::AlignVCenter, label);
        }
        break;
    }
    case GaugeKind::Number: {
        p.setPen(QPen(kRim, 1));
        p.setBrush(kFace);
        p.drawRoundedRect(face.title.united(face.value), 6, 6);
        p.setFont(titleFont);
        p.setPen(kDim);
        p.drawText(face.title, Qt::AlignCenter, title);
        drawDigits(p, face.value, text, digits, zone, painted);
        break;
    }
    }
}
