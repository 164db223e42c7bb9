// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/LogReviewWindow.h"

#include "monitor/SampleSeries.h"
#include "record/ListStyle.h"
#include "record/UserInteraction.h"
#include "review/ReviewPanes.h"
#include "review/ScatterView.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

namespace {

constexpr int kProgressSteps = 1000;
constexpr int kProgressIntervalMs = 100;
constexpr int kDragPixels = 3;
// One notch of the wheel shows this share of the stretch.
constexpr double kZoomPerNotch = 0.8;
constexpr int kSkippedLinesListed = 10;

enum PaneColumn { ColourColumn, NameColumn, MinColumn, MaxColumn };

QColor colourOf(uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

} // namespace

LogReviewWindow::LogReviewWindow(UserInteraction& ui, QString layoutPath, QWidget* parent)
    : QWidget(parent), m_ui(ui), m_layoutPath(std::move(layoutPath)),
      m_layout(loadReviewLayout(m_layoutPath)) {
    setObjectName(QStringLiteral("frmLogReview"));
    setWindowTitle(QStringLiteral("Log Review"));

    m_title = new QLabel(QStringLiteral("No log open: File > Open Log..."), this);
    m_title->setObjectName(QStringLiteral("LogTitle"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("LoadProgress"));
    m_progress->setRange(0, kProgressSteps);
    m_progress->setMaximumWidth(240);
    m_progress->hide();
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, &LogReviewWindow::showProgress);
    m_cursorLabel = new QLabel(this);
    m_cursorLabel->setObjectName(QStringLiteral("CursorText"));
    m_cursorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_cursorLabel->setWordWrap(true);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("ReviewTabs"));
    m_tabs->addTab(buildTimePage(), QStringLiteral("&Time"));
    m_scatterPage = new ScatterPage(m_tabs);
    m_tabs->addTab(m_scatterPage, QStringLiteral("S&catter"));
    connect(m_scatterPage, &ScatterPage::choiceChanged, this, [this](const ScatterChoice& choice) {
        m_layout.scatter = choice;
        layoutChanged();
    });
    connect(m_scatterPage, &ScatterPage::filterChanged, this, [this](const ChannelFilter& filter) {
        m_layout.filter = filter;
        layoutChanged();
        emit filterChanged();
    });

    auto* top = new QHBoxLayout;
    top->addWidget(m_title, 1);
    top->addWidget(m_progress);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_cursorLabel);
    layout->addWidget(m_tabs, 1);

    connect(&m_loader, &LogLoader::finished, this, &LogReviewWindow::loadFinished);
    rebuildPanes();
}

LogReviewWindow::~LogReviewWindow() = default;

// Building -----------------------------------------------------------------

QWidget* LogReviewWindow::buildTimePage() {
    auto* page = new QSplitter(Qt::Horizontal);
    auto* plots = new QWidget(page);
    m_paneLayout = new QVBoxLayout;
    m_paneLayout->setSpacing(2);
    m_axis = new ReviewAxisWidget(plots);
    m_axis->setObjectName(QStringLiteral("TimeAxis"));
    auto* plotLayout = new QVBoxLayout(plots);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    plotLayout->setSpacing(0);
    plotLayout->addLayout(m_paneLayout, 1);
    plotLayout->addWidget(m_axis);

    auto* side = new QWidget(page);
    m_paneCount = new QSpinBox(side);
    m_paneCount->setObjectName(QStringLiteral("PaneCount"));
    m_paneCount->setRange(ReviewLayout::kMinPanes, ReviewLayout::kMaxPanes);
    m_paneCombo = new QComboBox(side);
    m_paneCombo->setObjectName(QStringLiteral("PaneCombo"));
    m_search = new QLineEdit(side);
    m_search->setObjectName(QStringLiteral("ChannelSearch"));
    m_search->setPlaceholderText(QStringLiteral("Search channels"));
    m_search->setClearButtonEnabled(true);
    m_channelList = new QListWidget(side);
    m_channelList->setObjectName(QStringLiteral("ChannelList"));
    m_paneTable = new QTableWidget(0, 4, side);
    m_paneTable->setObjectName(QStringLiteral("PaneChannels"));
    m_paneTable->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("Channel"), QStringLiteral("Min"), QStringLiteral("Max")});
    m_paneTable->verticalHeader()->hide();
    m_paneTable->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_paneTable->setColumnWidth(ColourColumn, 18);
    m_paneTable->setColumnWidth(MinColumn, 56);
    m_paneTable->setColumnWidth(MaxColumn, 56);
    m_paneTable->setToolTip(QStringLiteral(
        "Double-click a colour to change it; an empty Min or Max takes the log's range."));
    m_markerList = new QListWidget(side);
    m_markerList->setObjectName(QStringLiteral("MarkerList"));
    m_markerList->setToolTip(QStringLiteral("Double-click or press Enter to jump there."));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Panes"), m_paneCount);
    form->addRow(QStringLiteral("&Edit pane"), m_paneCombo);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(4, 0, 0, 0);
    sideLayout->addLayout(form);
    sideLayout->addWidget(m_search);
    sideLayout->addWidget(m_channelList, 3);
    sideLayout->addWidget(m_paneTable, 2);
    auto* events = new QLabel(QStringLiteral("Runs and &markers"), side);
    events->setBuddy(m_markerList);
    sideLayout->addWidget(events);
    sideLayout->addWidget(m_markerList, 2);
    page->addWidget(plots);
    page->addWidget(side);
    page->setStretchFactor(0, 1);
    page->setSizes({800, 250});

    connect(m_paneCount, &QSpinBox::valueChanged, this, [this](int count) {
        if (m_filling) {
            return;
        }
        m_layout.panes.resize(static_cast<size_t>(count));
        layoutChanged();
        rebuildPanes();
    });
    connect(m_paneCombo, &QComboBox::currentIndexChanged, this, [this](int pane) {
        if (!m_filling && pane >= 0) {
            setCurrentPane(pane);
        }
    });
    connect(m_search, &QLineEdit::textChanged, this, &LogReviewWindow::filterChannelList);
    connect(m_channelList, &QListWidget::itemChanged, this, &LogReviewWindow::channelToggled);
    connect(m_paneTable, &QTableWidget::cellChanged, this, &LogReviewWindow::paneTableEdited);
    connect(m_paneTable, &QTableWidget::cellDoubleClicked, this,
            &LogReviewWindow::paneTableDoubleClicked);
    connect(m_markerList, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { jumpTo(item->data(Qt::UserRole).toLongLong()); });
    return page;
}

// Reading ------------------------------------------------------------------

void LogReviewWindow::openLog(const QString& path) {
    m_loader.start(path);
    m_title->setText(QStringLiteral("Reading %1 ...").arg(QFileInfo(path).fileName()));
    m_progress->setValue(0);
    m_progress->show();
    m_progressTimer->start();
}

void LogReviewWindow::showProgress() {
    m_progress->setValue(static_cast<int>(m_loader.progress() * kProgressSteps));
}

void LogReviewWindow::loadFinished() {
    m_progressTimer->stop();
    m_progress->hide();
    const QString name = QFileInfo(m_loader.path()).fileName();
    const auto restoreTitle = [this] {
        m_title->setText(m_series ? m_logName : QStringLiteral("No log open: File > Open Log..."));
    };
    if (!m_loader.openError().isEmpty()) {
        restoreTitle();
        m_ui.message(QStringLiteral("Cannot open %1:\r\n%2").arg(name, m_loader.openError()),
                     UserInteraction::Icon::Critical);
        return;
    }
    const LogReadResult result = m_loader.result();
    std::unique_ptr<SampleSeries> series = m_loader.takeSeries();
    if (result.records == 0) {
        restoreTitle();
        m_ui.message(QStringLiteral("%1 holds no records.").arg(name),
                     UserInteraction::Icon::Information);
        return;
    }
    m_series = std::move(series);
    m_logFileName = name;
    m_channelRanges.clear();
    for (int c = 0; c < m_series->channelCount(); ++c) {
        m_channelRanges.push_back(m_series->range(c, 0, m_series->size()));
    }
    m_breaks = lineBreaks(*m_series);
    m_timeline.reset(m_series.get());
    const ReviewLayout before = m_layout;
    fillReviewDefaults(m_layout, *m_series);
    if (!(m_layout == before)) {
        layoutChanged();
    }
    const QLocale locale;
    m_logName = QStringLiteral("%1: %2 records, %3 run(s), %4 marker(s), %5")
                    .arg(name, locale.toString(m_series->size()))
                    .arg(m_series->runs().size())
                    .arg(m_series->markers().size())
                    .arg(formatReviewTime(m_timeline.logEnd() - m_timeline.logStart()));
    m_title->setText(m_logName);
    setWindowTitle(QStringLiteral("Log Review - %1").arg(name));

    rebuildPanes();
    refreshChannelList();
    refreshPaneTable();
    refreshMarkerList();
    m_scatterPage->showLog(m_series.get(), m_layout.scatter, m_layout.filter);

    QStringList notes;
    if (result.skippedLines > 0) {
        QStringList lines;
        for (const qint64 line : result.firstSkippedLines) {
            lines << QString::number(line);
        }
        if (result.skippedLines > kSkippedLinesListed) {
            lines << QStringLiteral("...");
        }
        notes << QStringLiteral("%1 damaged line(s) were skipped (line %2).")
                     .arg(result.skippedLines)
                     .arg(lines.join(QStringLiteral(", ")));
    }
    if (m_series->dropped() > 0) {
        notes << QStringLiteral("The log is longer than the review keeps: its first %1 records "
                                "were left out.")
                     .arg(m_series->dropped());
    }
    if (!result.error.isEmpty()) {
        notes << QStringLiteral("Reading stopped early: %1").arg(result.error);
    }
    if (!notes.isEmpty()) {
        m_ui.message(name + QStringLiteral(": ") + notes.join(QStringLiteral("\r\n")),
                     UserInteraction::Icon::Warning);
    }
    emit logShown();
}

// The time page ------------------------------------------------------------

void LogReviewWindow::rebuildPanes() {
    // Panes are added or taken away at the bottom; those that stay keep
    // the focus.
    while (m_panes.size() > m_layout.panes.size()) {
        delete m_panes.back();
        m_panes.pop_back();
    }
    while (m_panes.size() < m_layout.panes.size()) {
        auto* pane = new ReviewPaneWidget(m_axis->parentWidget());
        pane->setObjectName(QStringLiteral("Pane%1").arg(m_panes.size() + 1));
        pane->installEventFilter(this);
        m_paneLayout->addWidget(pane, 1);
        pane->show();
        // The panes come first in the focus chain, so that the keys step
        // the cursor as soon as the window opens.
        QWidget::setTabOrder(m_panes.empty() ? static_cast<QWidget*>(m_tabs) : m_panes.back(),
                             pane);
        m_panes.push_back(pane);
    }
    m_filling = true;
    m_paneCount->setValue(static_cast<int>(m_layout.panes.size()));
    m_paneCombo->clear();
    for (size_t p = 0; p < m_layout.panes.size(); ++p) {
        m_paneCombo->addItem(QStringLiteral("Pane %1").arg(p + 1));
    }
    m_filling = false;
    setCurrentPane(std::min(m_currentPane, static_cast<int>(m_layout.panes.size()) - 1));
}

void LogReviewWindow::setCurrentPane(int pane) {
    m_currentPane = std::max(0, pane);
    m_filling = true;
    m_paneCombo->setCurrentIndex(m_currentPane);
    m_filling = false;
    refreshChannelList();
    refreshPaneTable();
    refreshPanes();
}

void LogReviewWindow::refreshPanes() {
    for (size_t p = 0; p < m_panes.size(); ++p) {
        PaneScene scene;
        scene.series = m_series.get();
        scene.start = m_timeline.start();
        scene.end = m_timeline.end();
        scene.breaks = &m_breaks;
        scene.cursor = m_timeline.cursor();
        scene.current = static_cast<int>(p) == m_currentPane;
        for (const ReviewChannel& c : m_layout.panes[p].channels) {
            PaneTrace trace;
            trace.name = c.name;
            trace.colour = colourOf(c.colour);
            trace.channel = m_series ? findSeriesChannel(*m_series, c.name) : -1;
            if (trace.channel >= 0) {
                trace.unit = m_series->channel(trace.channel).unit;
                trace.scale =
                    reviewScale(m_channelRanges[static_cast<size_t>(trace.channel)], c.min, c.max);
            }
            scene.traces.push_back(trace);
        }
        m_panes[p]->setScene(std::move(scene));
    }
    m_axis->setStretch(m_series.get(), m_timeline.start(), m_timeline.end());
    m_cursorLabel->setText(cursorText());
}

QString LogReviewWindow::cursorText() const {
    const qsizetype cursor = m_timeline.cursor();
    if (!m_series || cursor < 0) {
        return {};
    }
    const qint64 t = m_series->timeMs(cursor);
    QString text = QStringLiteral("Time %1").arg(formatReviewTime(t));
    const SeriesRun& run = m_series->runs()[static_cast<size_t>(m_series->runOf(cursor))];
    if (run.clock.isValid()) {
        text += run.clock.addMSecs(t - run.startMs).toString(QStringLiteral(" (HH:mm:ss.zzz)"));
    }
    for (const ReviewPaneWidget* pane : m_panes) {
        QStringList values;
        for (const PaneTrace& trace : pane->scene().traces) {
            if (trace.channel < 0) {
                continue;
            }
            const float value = m_series->value(trace.channel, cursor);
            QString item = trace.name + QLatin1Char(' ') + formatReviewValue(value);
            if (!trace.unit.isEmpty() && !std::isnan(value)) {
                item += QLatin1Char(' ') + trace.unit;
            }
            values << item;
        }
        if (!values.isEmpty()) {
            text += QStringLiteral("   |   ") + values.join(QStringLiteral(", "));
        }
    }
    return text;
}

void LogReviewWindow::refreshChannelList() {
    m_filling = true;
    m_channelList->clear();
    if (m_series) {
        const auto& chosen = m_layout.panes[static_cast<size_t>(m_currentPane)].channels;
        for (int c = 0; c < m_series->channelCount(); ++c) {
            const SeriesChannel& channel = m_series->channel(c);
            auto* item = new QListWidgetItem(
                channel.unit.isEmpty() ? channel.name
                                       : QStringLiteral("%1 (%2)").arg(channel.name, channel.unit),
                m_channelList);
            item->setData(Qt::UserRole, channel.name);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            const bool drawn =
                std::any_of(chosen.begin(), chosen.end(), [&](const ReviewChannel& r) {
                    return findSeriesChannel(*m_series, r.name) == c;
                });
            item->setCheckState(drawn ? Qt::Checked : Qt::Unchecked);
        }
    }
    m_filling = false;
    filterChannelList(m_search->text());
}

void LogReviewWindow::filterChannelList(const QString& text) {
    for (int i = 0; i < m_channelList->count(); ++i) {
        QListWidgetItem* item = m_channelList->item(i);
        item->setHidden(!item->text().contains(text.trimmed(), Qt::CaseInsensitive));
    }
}

void LogReviewWindow::channelToggled(QListWidgetItem* item) {
    if (m_filling) {
        return;
    }
    auto& channels = m_layout.panes[static_cast<size_t>(m_currentPane)].channels;
    const QString name = item->data(Qt::UserRole).toString();
    const int channel = findSeriesChannel(*m_series, name);
    const auto same = [&](const ReviewChannel& r) {
        return findSeriesChannel(*m_series, r.name) == channel;
    };
    if (item->checkState() == Qt::Checked) {
        if (static_cast<int>(channels.size()) >= ReviewLayout::kMaxChannelsPerPane) {
            m_filling = true;
            item->setCheckState(Qt::Unchecked);
            m_filling = false;
            m_ui.message(QStringLiteral("A pane draws at most %1 channels.")
                             .arg(ReviewLayout::kMaxChannelsPerPane));
            return;
        }
        // The first colour no other channel of the pane has.
        int n = 0;
        while (std::any_of(channels.begin(), channels.end(), [n](const ReviewChannel& r) {
            return r.colour == reviewChannelColour(n);
        })) {
            ++n;
        }
        channels.push_back({name, reviewChannelColour(n), {}, {}});
    } else {
        std::erase_if(channels, same);
    }
    layoutChanged();
    refreshPaneTable();
    refreshPanes();
}

void LogReviewWindow::refreshPaneTable() {
    m_filling = true;
    const auto& channels = m_layout.panes[static_cast<size_t>(m_currentPane)].channels;
    m_paneTable->setRowCount(static_cast<int>(channels.size()));
    for (int row = 0; row < static_cast<int>(channels.size()); ++row) {
        const ReviewChannel& c = channels[static_cast<size_t>(row)];
        auto* colour = new QTableWidgetItem;
        colour->setBackground(colourOf(c.colour));
        colour->setFlags(Qt::ItemIsEnabled);
        auto* name = new QTableWidgetItem(c.name);
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_paneTable->setItem(row, ColourColumn, colour);
        m_paneTable->setItem(row, NameColumn, name);
        m_paneTable->setItem(row, MinColumn, new QTableWidgetItem(optionalNumberText(c.min)));
        m_paneTable->setItem(row, MaxColumn, new QTableWidgetItem(optionalNumberText(c.max)));
    }
    m_filling = false;
}

void LogReviewWindow::paneTableEdited(int row, int column) {
    if (m_filling || (column != MinColumn && column != MaxColumn)) {
        return;
    }
    ReviewChannel& c =
        m_layout.panes[static_cast<size_t>(m_currentPane)].channels[static_cast<size_t>(row)];
    std::optional<float>& limit = column == MinColumn ? c.min : c.max;
    if (readOptionalNumber(m_paneTable->item(row, column)->text(), limit)) {
        layoutChanged();
        refreshPanes();
    }
    m_filling = true;
    m_paneTable->item(row, column)->setText(optionalNumberText(limit));
    m_filling = false;
}

void LogReviewWindow::paneTableDoubleClicked(int row, int column) {
    if (column != ColourColumn) {
        return;
    }
    ReviewChannel& c =
        m_layout.panes[static_cast<size_t>(m_currentPane)].channels[static_cast<size_t>(row)];
    const QColor chosen = QColorDialog::getColor(colourOf(c.colour), this,
                                                 QStringLiteral("Colour of %1").arg(c.name));
    if (chosen.isValid()) {
        c.colour = chosen.rgb() & 0xffffffu;
        layoutChanged();
        refreshPaneTable();
        refreshPanes();
    }
}

void LogReviewWindow::refreshMarkerList() {
    m_markerList->clear();
    struct Entry {
        qint64 time;
        QString text;
    };
    std::vector<Entry> entries;
    for (size_t r = 1; r < m_series->runs().size(); ++r) {
        const SeriesRun& run = m_series->runs()[r];
        const QString what = run.start == SeriesRun::Start::Gap ? QStringLiteral("gap, run %1")
                                                                : QStringLiteral("run %1");
        QString text = what.arg(r + 1);
        if (run.clock.isValid()) {
            text += run.clock.toString(QStringLiteral(" 'at' HH:mm:ss"));
        }
        entries.push_back({m_series->timeMs(run.first), text});
    }
    for (const SeriesMarker& m : m_series->markers()) {
        entries.push_back({m.timeMs, QStringLiteral("\u25c6 ") + m.text});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.time < b.time; });
    for (const Entry& e : entries) {
        auto* item = new QListWidgetItem(formatReviewTime(e.time) + QStringLiteral("  ") + e.text,
                                         m_markerList);
        item->setData(Qt::UserRole, e.time);
    }
}

void LogReviewWindow::jumpTo(qint64 timeMs) {
    m_timeline.pan(timeMs - (m_timeline.start() + m_timeline.end()) / 2);
    m_timeline.setCursorTime(timeMs);
    refreshPanes();
    emit cursorMoved(m_timeline.cursor());
}

bool LogReviewWindow::eventFilter(QObject* watched, QEvent* event) {
    for (size_t p = 0; p < m_panes.size(); ++p) {
        if (watched == m_panes[p]) {
            return paneEvent(static_cast<int>(p), event) || QWidget::eventFilter(watched, event);
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool LogReviewWindow::paneEvent(int pane, QEvent* event) {
    if (!m_series) {
        return false;
    }
    const QRectF plot = reviewPlotRect(m_panes[static_cast<size_t>(pane)]->rect());
    const auto timeAt = [&](double x) {
        return reviewTimeAt(plot, m_timeline.start(), m_timeline.end(), x);
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            return false;
        }
        if (pane != m_currentPane) {
            setCurrentPane(pane);
        }
        m_panes[static_cast<size_t>(pane)]->setFocus(Qt::MouseFocusReason);
        m_pressed = true;
        m_dragging = false;
        m_pressAt = mouse->position().toPoint();
        m_pressStart = m_timeline.start();
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_pressed) {
            return false;
        }
        const int dx = mouse->position().toPoint().x() - m_pressAt.x();
        m_dragging = m_dragging || std::abs(dx) > kDragPixels;
        if (m_dragging && plot.width() > 0) {
            const auto delta =
                std::llround(-dx * static_cast<double>(m_timeline.span()) / plot.width());
            m_timeline.pan(m_pressStart + delta - m_timeline.start());
            refreshPanes();
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_pressed || mouse->button() != Qt::LeftButton) {
            return false;
        }
        if (!m_dragging) {
            m_timeline.setCursorTime(timeAt(mouse->position().x()));
            refreshPanes();
            emit cursorMoved(m_timeline.cursor());
        }
        m_pressed = false;
        m_dragging = false;
        return true;
    }
    case QEvent::MouseButtonDblClick:
        m_timeline.showAll();
        refreshPanes();
        return true;
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const double notches = wheel->angleDelta().y() / 120.0;
        if (notches == 0.0) {
            return false;
        }
        m_timeline.zoom(timeAt(wheel->position().x()), std::pow(kZoomPerNotch, notches));
        refreshPanes();
        return true;
    }
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier) {
            return false;
        }
        switch (key->key()) {
        case Qt::Key_Left:
            m_timeline.stepRecords(-1);
            break;
        case Qt::Key_Right:
            m_timeline.stepRecords(1);
            break;
        case Qt::Key_PageUp:
            m_timeline.stepScreens(-1);
            break;
        case Qt::Key_PageDown:
            m_timeline.stepScreens(1);
            break;
        default:
            return false;
        }
        refreshPanes();
        emit cursorMoved(m_timeline.cursor());
        return true;
    }
    default:
        return false;
    }
}

// Keeping the layout --------------------------------------------------------

void LogReviewWindow::layoutChanged() {
    const QString problem = saveReviewLayout(m_layoutPath, m_layout);
    if (!problem.isEmpty()) {
        m_ui.message(QStringLiteral("The review layout could not be saved to %1:\r\n%2")
                         .arg(m_layoutPath, problem),
                     UserInteraction::Icon::Critical);
    }
}
