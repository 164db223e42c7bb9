// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/ScatterView.h"

#include "record/ListStyle.h"
#include "review/ReviewTimeline.h"

#include <QComboBox>
#include <QCompleter>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <QLocale>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kColourBarWidth = 14;
enum FilterColumn { FilterChannel, FilterMin, FilterMax };

// A list of the log's channels that typing searches.
QComboBox* channelCombo(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->completer()->setFilterMode(Qt::MatchContains);
    combo->completer()->setCompletionMode(QCompleter::PopupCompletion);
    return combo;
}

QString axisValue(double value) {
    return formatReviewValue(static_cast<float>(value));
}

} // namespace

QColor scatterColour(double share) {
    static const std::array<QColor, 5> stops{QColor(40, 60, 220), QColor(0, 190, 210),
                                             QColor(40, 180, 40), QColor(240, 200, 0),
                                             QColor(220, 30, 30)};
    share = std::clamp(std::isnan(share) ? 0.0 : share, 0.0, 1.0) * (stops.size() - 1);
    const auto i = std::min<size_t>(static_cast<size_t>(share), stops.size() - 2);
    const double f = share - static_cast<double>(i);
    const QColor& a = stops[i];
    const QColor& b = stops[i + 1];
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * f),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * f),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * f));
}

QRect scatterPlotRect(const QRect& area, int fontHeight) {
    const int left = 6 * fontHeight;
    const int right = 6 * fontHeight + kColourBarWidth;
    const int top = 2 * fontHeight;
    const int bottom = 3 * fontHeight;
    return area.adjusted(left, top, -right, -bottom);
}

void paintScatter(QPainter& p, const QRect& area, const ScatterGrid& g,
                  const ScatterLabels& labels) {
    p.fillRect(area, Qt::white);
    const QFontMetrics metrics = p.fontMetrics();
    const int fh = metrics.height();
    const QRect plot = scatterPlotRect(area, fh);
    p.setPen(Qt::black);
    p.drawText(QRect(area.left(), area.top(), area.width(), fh + 4), Qt::AlignCenter,
               QStringLiteral("%1 of %2 records pass: %3")
                   .arg(QLocale().toString(g.passed), QLocale().toString(g.total), labels.filter));
    if (plot.width() < 10 || plot.height() < 10) {
        return;
    }
    // Cells: the colour of their mean, or grey where no record has one.
    const double cw = static_cast<double>(plot.width()) / g.columns;
    const double ch = static_cast<double>(plot.height()) / g.rows;
    const double colourSpan = static_cast<double>(g.colour.max) - g.colour.min;
    for (int row = 0; row < g.rows; ++row) {
        for (int column = 0; column < g.columns; ++column) {
            const qsizetype at = g.cell(column, row);
            if (g.count[static_cast<size_t>(at)] == 0) {
                continue;
            }
            const float mean = g.colourMean[static_cast<size_t>(at)];
            const QColor colour =
                std::isnan(mean)
                    ? QColor(90, 90, 90)
                    : scatterColour(colourSpan > 0 ? (mean - g.colour.min) / colourSpan : 0.5);
            p.fillRect(
                QRectF(plot.left() + column * cw, plot.bottom() + 1 - (row + 1) * ch, cw, ch),
                colour);
        }
    }
    p.setPen(Qt::gray);
    p.drawRect(plot);

    // Axes: round values along each side, with the channel names.
    p.setPen(Qt::black);
    if (!g.x.empty()) {
        const double span = std::max(1e-9, static_cast<double>(g.x.max) - g.x.min);
        for (const double v : niceTicks(g.x.min, g.x.max, std::max(2, plot.width() / 90))) {
            const double x = plot.left() + (v - g.x.min) / span * plot.width();
            p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
            const QString text = axisValue(v);
            p.drawText(QPointF(x - metrics.horizontalAdvance(text) / 2.0,
                               plot.bottom() + 5 + metrics.ascent()),
                       text);
        }
    }
    if (!g.y.empty()) {
        const double span = std::max(1e-9, static_cast<double>(g.y.max) - g.y.min);
        for (const double v : niceTicks(g.y.min, g.y.max, std::max(2, plot.height() / 40))) {
            const double y = plot.bottom() - (v - g.y.min) / span * plot.height();
            p.drawLine(QPointF(plot.left() - 4, y), QPointF(plot.left(), y));
            const QString text = axisValue(v);
            p.drawText(QPointF(plot.left() - 6 - metrics.horizontalAdvance(text),
                               y + metrics.ascent() / 2.0 - 1),
                       text);
        }
    }
    p.drawText(QRect(plot.left(), plot.bottom() + fh + 6, plot.width(), fh), Qt::AlignCenter,
               labels.x);
    p.save();
    p.translate(area.left() + fh, plot.center().y());
    p.rotate(-90);
    p.drawText(QRect(-plot.height() / 2, -fh, plot.height(), fh + 2), Qt::AlignCenter, labels.y);
    p.restore();

    // The colour bar, low at the bottom.
    const QRect bar(plot.right() + fh, plot.top(), kColourBarWidth, plot.height());
    for (int y = 0; y < bar.height(); ++y) {
        p.setPen(scatterColour(1.0 - static_cast<double>(y) / std::max(1, bar.height() - 1)));
        p.drawLine(bar.left(), bar.top() + y, bar.right(), bar.top() + y);
    }
    p.setPen(Qt::black);
    if (!g.colour.empty()) {
        p.drawText(QPointF(bar.right() + 4, bar.top() + metrics.ascent()), axisValue(g.colour.max));
        p.drawText(QPointF(bar.right() + 4, bar.bottom()), axisValue(g.colour.min));
    }
    p.save();
    p.translate(bar.right() + 4 + 3 * fh, plot.center().y());
    p.rotate(-90);
    p.drawText(QRect(-plot.height() / 2, -fh, plot.height(), fh + 2), Qt::AlignCenter,
               labels.colour);
    p.restore();
}

ScatterWidget::ScatterWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(240, 180);
}

void ScatterWidget::setGrid(ScatterGrid grid, ScatterLabels labels) {
    m_grid = std::move(grid);
    m_labels = std::move(labels);
    update();
}

QSize ScatterWidget::gridSize() const {
    const QRect plot = scatterPlotRect(rect(), fontMetrics().height());
    return {std::max(1, plot.width() / kScatterCellPixels),
            std::max(1, plot.height() / kScatterCellPixels)};
}

void ScatterWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintScatter(p, rect(), m_grid, m_labels);
}

void ScatterWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit gridSizeChanged();
}

ScatterPage::ScatterPage(QWidget* parent) : QWidget(parent) {
    auto* page = new QSplitter(Qt::Horizontal, this);
    auto* pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(page);
    m_scatter = new ScatterWidget(page);
    m_scatter->setObjectName(QStringLiteral("ScatterPlot"));
    auto* side = new QWidget(page);
    m_scatterX = channelCombo(side, "ScatterX");
    m_scatterY = channelCombo(side, "ScatterY");
    m_scatterColour = channelCombo(side, "ScatterColour");
    m_filterTable = new QTableWidget(0, 3, side);
    m_filterTable->setObjectName(QStringLiteral("FilterTable"));
    m_filterTable->setHorizontalHeaderLabels(
        {QStringLiteral("Channel"), QStringLiteral("Min"), QStringLiteral("Max")});
    m_filterTable->verticalHeader()->hide();
    m_filterTable->horizontalHeader()->setSectionResizeMode(FilterChannel, QHeaderView::Stretch);
    m_filterTable->setColumnWidth(FilterMin, 56);
    m_filterTable->setColumnWidth(FilterMax, 56);
    auto* add = new QPushButton(QStringLiteral("&Add Range"), side);
    add->setObjectName(QStringLiteral("AddRange"));
    auto* remove = new QPushButton(QStringLiteral("&Remove Range"), side);
    remove->setObjectName(QStringLiteral("RemoveRange"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&X"), m_scatterX);
    form->addRow(QStringLiteral("&Y"), m_scatterY);
    form->addRow(QStringLiteral("C&olour"), m_scatterColour);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(4, 0, 0, 0);
    sideLayout->addLayout(form);
    auto* filterLabel =
        new QLabel(QStringLiteral("&Filter: records with every channel in its range"), side);
    filterLabel->setWordWrap(true);
    filterLabel->setBuddy(m_filterTable);
    sideLayout->addWidget(filterLabel);
    sideLayout->addWidget(m_filterTable, 1);
    sideLayout->addLayout(buttons);
    page->addWidget(m_scatter);
    page->addWidget(side);
    page->setStretchFactor(0, 1);
    page->setSizes({800, 250});

    for (QComboBox* combo : {m_scatterX, m_scatterY, m_scatterColour}) {
        connect(combo, &QComboBox::currentTextChanged, this, &ScatterPage::scatterChoiceChanged);
    }
    connect(m_filterTable, &QTableWidget::cellChanged, this, &ScatterPage::filterTableEdited);
    connect(add, &QPushButton::clicked, this, [this] {
        std::vector<ChannelCondition> conditions = m_filter.conditions();
        conditions.push_back({m_scatterColour->currentText(), {}, {}});
        m_filter = ChannelFilter(std::move(conditions));
        emit filterChanged(m_filter);
        refreshFilterTable();
        refreshScatter();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        std::vector<ChannelCondition> conditions = m_filter.conditions();
        const int row = m_filterTable->currentRow();
        if (row < 0 || row >= static_cast<int>(conditions.size())) {
            return;
        }
        conditions.erase(conditions.begin() + row);
        m_filter = ChannelFilter(std::move(conditions));
        emit filterChanged(m_filter);
        refreshFilterTable();
        refreshScatter();
    });
    connect(m_scatter, &ScatterWidget::gridSizeChanged, this, &ScatterPage::refreshScatter);
}

void ScatterPage::showLog(const SampleSeries* series, const ScatterChoice& choice,
                          const ChannelFilter& filter) {
    m_series = series;
    m_choice = choice;
    m_filter = filter;
    refreshScatterChoices();
    refreshFilterTable();
    refreshScatter();
}

void ScatterPage::refreshScatterChoices() {
    if (m_series == nullptr) {
        return;
    }
    m_filling = true;
    QStringList names;
    for (int c = 0; c < m_series->channelCount(); ++c) {
        names << m_series->channel(c).name;
    }
    const std::array<std::pair<QComboBox*, QString>, 3> choices{
        {{m_scatterX, m_choice.x}, {m_scatterY, m_choice.y}, {m_scatterColour, m_choice.colour}}};
    for (const auto& [combo, name] : choices) {
        combo->clear();
        combo->addItems(names);
        combo->setCurrentIndex(std::max(0, findSeriesChannel(*m_series, name)));
    }
    m_filling = false;
}

void ScatterPage::scatterChoiceChanged() {
    if (m_filling || m_series == nullptr) {
        return;
    }
    // Typed text counts once it names a channel.
    const ScatterChoice choice{m_scatterX->currentText().trimmed(),
                               m_scatterY->currentText().trimmed(),
                               m_scatterColour->currentText().trimmed()};
    for (const QString& name : {choice.x, choice.y, choice.colour}) {
        if (findSeriesChannel(*m_series, name) < 0) {
            return;
        }
    }
    if (choice == m_choice) {
        return;
    }
    m_choice = choice;
    emit choiceChanged(m_choice);
    refreshScatter();
}

void ScatterPage::refreshFilterTable() {
    m_filling = true;
    const auto& conditions = m_filter.conditions();
    m_filterTable->setRowCount(static_cast<int>(conditions.size()));
    for (int row = 0; row < static_cast<int>(conditions.size()); ++row) {
        const ChannelCondition& c = conditions[static_cast<size_t>(row)];
        auto* combo = channelCombo(m_filterTable, "FilterChannel");
        if (m_series != nullptr) {
            for (int s = 0; s < m_series->channelCount(); ++s) {
                combo->addItem(m_series->channel(s).name);
            }
        }
        combo->setCurrentText(c.channel);
        connect(combo, &QComboBox::currentTextChanged, this, &ScatterPage::filterTableEdited);
        m_filterTable->setCellWidget(row, FilterChannel, combo);
        m_filterTable->setItem(row, FilterMin, new QTableWidgetItem(optionalNumberText(c.min)));
        m_filterTable->setItem(row, FilterMax, new QTableWidgetItem(optionalNumberText(c.max)));
    }
    m_filling = false;
}

void ScatterPage::filterTableEdited() {
    if (m_filling) {
        return;
    }
    std::vector<ChannelCondition> conditions = m_filter.conditions();
    for (int row = 0; row < m_filterTable->rowCount(); ++row) {
        ChannelCondition& c = conditions[static_cast<size_t>(row)];
        if (auto* combo = qobject_cast<QComboBox*>(m_filterTable->cellWidget(row, FilterChannel))) {
            c.channel = combo->currentText().trimmed();
        }
        for (const int column : {FilterMin, FilterMax}) {
            QTableWidgetItem* item = m_filterTable->item(row, column);
            std::optional<float>& limit = column == FilterMin ? c.min : c.max;
            readOptionalNumber(item != nullptr ? item->text() : QString(), limit);
        }
    }
    m_filter = ChannelFilter(std::move(conditions));
    emit filterChanged(m_filter);
    refreshScatter();
}

void ScatterPage::refreshScatter() {
    if (m_series == nullptr) {
        return;
    }
    const QSize size = m_scatter->gridSize();
    const int x = findSeriesChannel(*m_series, m_choice.x);
    const int y = findSeriesChannel(*m_series, m_choice.y);
    const int colour = findSeriesChannel(*m_series, m_choice.colour);
    const auto label = [this](int channel) {
        if (channel < 0) {
            return QString();
        }
        const SeriesChannel& c = m_series->channel(channel);
        return c.unit.isEmpty() ? c.name : QStringLiteral("%1 (%2)").arg(c.name, c.unit);
    };
    m_scatter->setGrid(
        scatterGrid(*m_series, x, y, colour, m_filter.bind(*m_series), size.width(), size.height()),
        {label(x), label(y), label(colour), m_filter.text()});
}
