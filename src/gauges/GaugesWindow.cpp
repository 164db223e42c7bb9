// SPDX-License-Identifier: GPL-3.0-or-later
#include "gauges/GaugesWindow.h"

#include "record/AppState.h"
#include "record/AreaFit.h"
#include "record/ListStyle.h"
#include "record/UserInteraction.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

namespace {

const QColor kBackground(17, 17, 17);
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

QLineEdit* numberBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaximumWidth(90);
    return box;
}

} // namespace

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

// GaugePanel ----------------------------------------------------------------

GaugePanel::GaugePanel(const AppState& state, QWidget* parent) : QWidget(parent), m_state(state) {
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
        list.push_back({g.kind, gaugeCharacters(g, m_state.settings)});
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
    p.fillRect(rect(), kBackground);
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
    const EcuSettings& settings = m_state.settings;
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

// GaugesWindow ---------------------------------------------------------------

GaugesWindow::GaugesWindow(const AppState& state, UserInteraction& ui, QString layoutPath,
                           QWidget* parent)
    : QWidget(parent), m_state(state), m_ui(ui), m_layoutPath(std::move(layoutPath)),
      m_layout(loadGaugeLayout(m_layoutPath)) {
    setObjectName(QStringLiteral("frmGauges"));
    setWindowTitle(QStringLiteral("Gauges"));

    m_panel = new GaugePanel(state, this);
    m_panel->setGauges(m_layout.gauges);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("GaugeScroll"));
    m_scroll->setWidget(m_panel);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setPalette(QPalette(kBackground));

    // An action, so that its keys open the editor at once.
    m_editAction = new QAction(QStringLiteral("Edit gauges"), this);
    m_editAction->setObjectName(QStringLiteral("EditGauges"));
    m_editAction->setCheckable(true);
    m_editAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_G));
    m_editAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_editAction->setToolTip(
        QStringLiteral("Shows or hides the list of gauges and their settings (Alt+G)."));
    addAction(m_editAction);
    connect(m_editAction, &QAction::toggled, this, &GaugesWindow::setEditing);
    auto* editButton = new QToolButton(this);
    editButton->setDefaultAction(m_editAction);
    editButton->setToolButtonStyle(Qt::ToolButtonTextOnly);

    m_editor = buildEditor();
    m_editor->hide();

    auto* side = new QVBoxLayout;
    side->addWidget(editButton);
    side->addWidget(m_editor, 1);
    side->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 4, 0);
    layout->addWidget(m_scroll, 1);
    layout->addLayout(side);
    refreshList(m_layout.gauges.empty() ? -1 : 0);
}

QWidget* GaugesWindow::buildEditor() {
    auto* editor = new QWidget(this);
    editor->setObjectName(QStringLiteral("GaugeEditor"));
    m_list = new QListWidget(editor);
    m_list->setObjectName(QStringLiteral("GaugeList"));
    m_list->setToolTip(QStringLiteral(
        "Insert adds a gauge, Delete removes the one chosen, Ctrl+Up and Ctrl+Down move it."));
    m_list->installEventFilter(this);
    m_add = new QPushButton(QStringLiteral("&Add"), editor);
    m_remove = new QPushButton(QStringLiteral("&Remove"), editor);
    m_up = new QPushButton(QStringLiteral("Move &up"), editor);
    m_down = new QPushButton(QStringLiteral("Move dow&n"), editor);
    m_add->setObjectName(QStringLiteral("AddGauge"));
    m_remove->setObjectName(QStringLiteral("RemoveGauge"));
    m_up->setObjectName(QStringLiteral("MoveGaugeUp"));
    m_down->setObjectName(QStringLiteral("MoveGaugeDown"));
    for (QPushButton* b : {m_add, m_remove, m_up, m_down}) {
        b->setAutoDefault(false);
    }

    m_channel = new QComboBox(editor);
    m_channel->setObjectName(QStringLiteral("GaugeChannel"));
    for (int c = 0; c < kLiveChannelCount; ++c) {
        m_channel->addItem(liveChannelName(static_cast<LiveChannel>(c)));
    }
    m_kind = new QComboBox(editor);
    m_kind->setObjectName(QStringLiteral("GaugeKind"));
    for (int k = 0; k < kGaugeKindCount; ++k) {
        m_kind->addItem(gaugeKindName(static_cast<GaugeKind>(k)));
    }
    m_min = numberBox(editor, "ScaleFrom");
    m_max = numberBox(editor, "ScaleTo");
    m_dangerBelow = numberBox(editor, "DangerBelow");
    m_warningBelow = numberBox(editor, "WarningBelow");
    m_warningAbove = numberBox(editor, "WarningAbove");
    m_dangerAbove = numberBox(editor, "DangerAbove");
    for (QLineEdit* box : {m_dangerBelow, m_warningBelow, m_warningAbove, m_dangerAbove}) {
        box->setPlaceholderText(QStringLiteral("none"));
        box->setToolTip(QStringLiteral("Empty for none; Enter or Tab applies it."));
    }

    auto* buttons = new QGridLayout;
    buttons->addWidget(m_add, 0, 0);
    buttons->addWidget(m_remove, 0, 1);
    buttons->addWidget(m_up, 1, 0);
    buttons->addWidget(m_down, 1, 1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Channel"), m_channel);
    form->addRow(QStringLiteral("&Kind"), m_kind);
    form->addRow(QStringLiteral("Scale fr&om"), m_min);
    form->addRow(QStringLiteral("Scale to&p"), m_max);
    form->addRow(QStringLiteral("Danger be&low"), m_dangerBelow);
    form->addRow(QStringLiteral("Warn&ing below"), m_warningBelow);
    form->addRow(QStringLiteral("Warning abo&ve"), m_warningAbove);
    form->addRow(QStringLiteral("Danger a&bove"), m_dangerAbove);
    auto* layout = new QVBoxLayout(editor);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    layout->addLayout(form);

    connect(m_list, &QListWidget::currentRowChanged, this, &GaugesWindow::selectGauge);
    connect(m_add, &QPushButton::clicked, this, &GaugesWindow::add);
    connect(m_remove, &QPushButton::clicked, this, &GaugesWindow::remove);
    connect(m_up, &QPushButton::clicked, this, [this] { move(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { move(1); });
    connect(m_channel, &QComboBox::activated, this, &GaugesWindow::channelChosen);
    connect(m_kind, &QComboBox::activated, this, &GaugesWindow::kindChosen);
    connect(m_min, &QLineEdit::editingFinished, this, &GaugesWindow::scaleEdited);
    connect(m_max, &QLineEdit::editingFinished, this, &GaugesWindow::scaleEdited);
    const std::pair<QLineEdit*, std::optional<float> Gauge::*> limits[] = {
        {m_dangerBelow, &Gauge::dangerBelow},
        {m_warningBelow, &Gauge::warningBelow},
        {m_warningAbove, &Gauge::warningAbove},
        {m_dangerAbove, &Gauge::dangerAbove}};
    for (const auto& [box, limit] : limits) {
        connect(box, &QLineEdit::editingFinished, this,
                [this, box = box, limit = limit] { limitEdited(box, limit); });
    }
    return editor;
}

QSize GaugesWindow::sizeHint() const {
    // The scroll area asks for no more than a few dozen lines of text: the
    // window asks for what its gauges want instead.
    return QWidget::sizeHint() +
           (m_panel->sizeHint() - m_scroll->sizeHint()).expandedTo(QSize(0, 0));
}

bool GaugesWindow::editing() const {
    return m_editAction->isChecked();
}

void GaugesWindow::showSample(const LiveSample& sample) {
    m_panel->setSample(sample);
}

void GaugesWindow::setEditing(bool on) {
    m_editor->setVisible(on);
    m_panel->setCompact(on);
    if (on) {
        growBy(QSize(m_editor->sizeHint().width(), 0));
    }
    m_panel->setCurrent(on ? m_list->currentRow() : -1);
    if (on) {
        m_list->setFocus(Qt::OtherFocusReason);
    }
}

void GaugesWindow::growBy(QSize more) {
    // Where the area has room, and never out of it.
    QWidget* frame = parentWidget();
    if (frame == nullptr || frame->parentWidget() == nullptr) {
        return;
    }
    QWidget::layout()->activate();
    const QSize wanted = (frame->size() + more).expandedTo(frame->size());
    frame->setGeometry(keepInside(QRect(frame->pos(), wanted), frame->parentWidget()->rect(),
                                  frame->minimumSizeHint()));
}

void GaugesWindow::refreshList(int select) {
    m_filling = true;
    m_list->clear();
    for (size_t i = 0; i < m_layout.gauges.size(); ++i) {
        const Gauge& g = m_layout.gauges[i];
        m_list->addItem(QStringLiteral("%1. %2 (%3)")
                            .arg(i + 1)
                            .arg(liveChannelName(g.channel), gaugeKindName(g.kind)));
    }
    m_filling = false;
    m_list->setCurrentRow(select);
    selectGauge(m_list->currentRow());
}

Gauge* GaugesWindow::current() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_layout.gauges.size())) {
        return nullptr;
    }
    return &m_layout.gauges[static_cast<size_t>(row)];
}

void GaugesWindow::selectGauge(int index) {
    if (m_filling) {
        return;
    }
    m_panel->setCurrent(editing() ? index : -1);
    refreshBoxes();
}

void GaugesWindow::refreshBoxes() {
    const Gauge* g = current();
    const int count = static_cast<int>(m_layout.gauges.size());
    const int row = m_list->currentRow();
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_remove, m_channel, m_kind, m_min, m_max, m_dangerBelow,
                                         m_warningBelow, m_warningAbove, m_dangerAbove}) {
        w->setEnabled(g != nullptr);
    }
    m_add->setEnabled(count < GaugeLayout::kMaxGauges);
    m_up->setEnabled(g != nullptr && row > 0);
    m_down->setEnabled(g != nullptr && row + 1 < count);
    if (g == nullptr) {
        for (QLineEdit* box :
             {m_min, m_max, m_dangerBelow, m_warningBelow, m_warningAbove, m_dangerAbove}) {
            box->clear();
        }
        return;
    }
    m_channel->setCurrentIndex(static_cast<int>(g->channel));
    m_kind->setCurrentIndex(static_cast<int>(g->kind));
    m_min->setText(gaugeNumberText(g->min));
    m_max->setText(gaugeNumberText(g->max));
    m_dangerBelow->setText(gaugeNumberText(g->dangerBelow));
    m_warningBelow->setText(gaugeNumberText(g->warningBelow));
    m_warningAbove->setText(gaugeNumberText(g->warningAbove));
    m_dangerAbove->setText(gaugeNumberText(g->dangerAbove));
}

void GaugesWindow::add() {
    const int row = m_list->currentRow();
    if (insertGauge(m_layout, row)) {
        const int at = row >= 0 ? row + 1 : static_cast<int>(m_layout.gauges.size()) - 1;
        layoutChanged();
        refreshList(at);
        m_list->setFocus(Qt::OtherFocusReason);
    }
}

void GaugesWindow::remove() {
    const int row = m_list->currentRow();
    if (removeGauge(m_layout, row)) {
        layoutChanged();
        refreshList(std::min(row, static_cast<int>(m_layout.gauges.size()) - 1));
        m_list->setFocus(Qt::OtherFocusReason);
    }
}

void GaugesWindow::move(int by) {
    const int row = m_list->currentRow();
    if (moveGauge(m_layout, row, row + by)) {
        layoutChanged();
        refreshList(row + by);
    }
}

void GaugesWindow::channelChosen(int index) {
    Gauge* g = current();
    if (g == nullptr || index < 0 || index == static_cast<int>(g->channel)) {
        return;
    }
    // A new channel comes with its usual scale and limits.
    *g = usualGauge(static_cast<LiveChannel>(index), g->kind);
    layoutChanged();
    refreshList(m_list->currentRow());
}

void GaugesWindow::kindChosen(int index) {
    Gauge* g = current();
    if (g == nullptr || index < 0 || index == static_cast<int>(g->kind)) {
        return;
    }
    g->kind = static_cast<GaugeKind>(index);
    layoutChanged();
    refreshList(m_list->currentRow());
}

void GaugesWindow::scaleEdited() {
    Gauge* g = current();
    if (g == nullptr) {
        return;
    }
    std::optional<float> min = g->min;
    std::optional<float> max = g->max;
    if (readGaugeNumber(m_min->text(), min) && readGaugeNumber(m_max->text(), max) && min && max &&
        (*min != g->min || *max != g->max) && setGaugeScale(*g, *min, *max)) {
        layoutChanged();
    }
    refreshBoxes();
}

void GaugesWindow::limitEdited(QLineEdit* box, std::optional<float> Gauge::*limit) {
    Gauge* g = current();
    if (g == nullptr) {
        return;
    }
    std::optional<float> value = (*g).*limit;
    if (readGaugeNumber(box->text(), value) && value != (*g).*limit) {
        (*g).*limit = value;
        layoutChanged();
    }
    box->setText(gaugeNumberText((*g).*limit));
}

void GaugesWindow::layoutChanged() {
    const QSize before = m_panel->sizeHint();
    m_panel->setGauges(m_layout.gauges);
    growBy(m_panel->sizeHint() - before);
    m_panel->setCurrent(editing() ? m_list->currentRow() : -1);
    const QString problem = saveGaugeLayout(m_layoutPath, m_layout);
    if (!problem.isEmpty() && !m_toldSaveFailure) {
        m_toldSaveFailure = true;
        m_ui.message(
            QStringLiteral("The gauges could not be saved to %1:\r\n%2").arg(m_layoutPath, problem),
            UserInteraction::Icon::Critical);
    }
}

bool GaugesWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            remove();
            return true;
        }
        if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier) {
            add();
            return true;
        }
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
            key->modifiers() == Qt::ControlModifier) {
            move(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void GaugesWindow::closeEvent(QCloseEvent* event) {
    emit closed(parentWidget() != nullptr ? parentWidget()->pos() : pos());
    event->accept();
}
