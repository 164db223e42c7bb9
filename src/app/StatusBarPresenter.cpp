// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusBarPresenter.h"

#include "app/WindowTable.h"
#include "monitor/Acquisition.h"
#include "monitor/LoggingController.h"
#include "monitor/StatusBarWidget.h"
#include "record/AppState.h"
#include "session/Session.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
// Pixels between the online indicator and a maximised child's buttons.
constexpr int kIndicatorGap = 4;

// Frame n (3..7) of the online indicator: a wheel whose spoke turns by one
// fifth of a revolution per frame.
QPixmap indicatorFrame(int frame) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 120, 0), 2));
    p.setBrush(QColor(180, 255, 180));
    p.drawEllipse(QPointF(12, 12), 10, 10);
    const double angle = (7 - frame) * 2.0 * M_PI / 5.0;
    p.drawLine(QPointF(12, 12), QPointF(12 + 9 * std::sin(angle), 12 - 9 * std::cos(angle)));
    return pm;
}
} // namespace

StatusBarPresenter::StatusBarPresenter(Parts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts)) {
    QMainWindow& window = m_parts.window;
    m_bar = new StatusBarWidget(&window);
    window.setStatusBar(m_bar);
    m_indicator = new QLabel(&window);
    m_indicator->setObjectName(QStringLiteral("AnimationImage"));
    m_indicator->setFixedSize(24, 24);
    m_indicator->setToolTip(tr("ECU online"));
    m_indicator->setWhatsThis(tr("Turns while the ECU answers the live data requests."));
    m_indicator->hide();

    Session& session = m_parts.session;
    connect(m_bar, &StatusBarWidget::panelClicked, this, [this](int number) {
        if (number == StatusBarView::kOnline + 1 && m_parts.state.DeveloperMode) {
            m_parts.state.EcuOnline = !m_parts.state.EcuOnline;
            setup();
        } else if (number == StatusBarView::kLog + 1) {
            m_parts.session.logging().setupLogData();
        }
    });
    connect(m_bar, &StatusBarWidget::panelDoubleClicked, &session.logging(),
            &LoggingController::closeLogFile);
    // The session reports after each poll and whenever the ECU goes offline;
    // the indicator turns with each sample, before the child windows take it.
    connect(&session, &Session::statusChanged, this, &StatusBarPresenter::show);
    connect(&session, &Session::loggingChanged, this, &StatusBarPresenter::showLogging);
    connect(&session.liveFeed(), &LiveFeed::sampled, this, &StatusBarPresenter::showIndicator);
}

StatusReporter& StatusBarPresenter::status() const {
    return m_parts.session.status();
}

const StatusReporter& StatusBarPresenter::reporter() const {
    return status();
}

void StatusBarPresenter::setup() {
    m_parts.session.refreshStatus();
}

void StatusBarPresenter::show() {
    m_parts.logData->setChecked(m_parts.session.logging().active());
    m_bar->show(status().view());
}

void StatusBarPresenter::showIdentity() {
    status().showIdentity(m_parts.state.EcuOnline, m_parts.state.identity);
    show();
}

void StatusBarPresenter::showLogging(bool active) {
    status().showLogging(active);
    show();
}

void StatusBarPresenter::showFile(const QString& panel, const QString& tip) {
    status().showFile(panel);
    status().view().panels[StatusBarView::kFile].toolTip = tip.trimmed();
    show();
}

void StatusBarPresenter::showIndicator() {
    const OnlineIndicator& indicator = m_parts.session.acquisition().indicator();
    if (!indicator.visible()) {
        m_indicator->hide();
        return;
    }
    m_indicator->setPixmap(indicatorFrame(indicator.frame()));
    if (!m_indicator->isVisible()) {
        placeIndicator();
        m_indicator->show();
    }
}

void StatusBarPresenter::placeIndicator() {
    const QMainWindow& window = m_parts.window;
    const double tpp = twipsPerPixel(window);
    const double widthTwips = window.width() * tpp;
    const double leftTwips = widthTwips < 5000 ? 5000 : widthTwips - 500;
    int left = static_cast<int>(leftTwips / tpp);
    // A maximised child window puts its buttons at the right end of the menu
    // bar; the indicator stays left of them.
    const QMenuBar* bar = window.menuBar();
    const QWidget* buttons = bar->cornerWidget(Qt::TopRightCorner);
    if (buttons != nullptr && !buttons->isHidden()) {
        const int buttonsLeft = bar->x() + bar->width() - buttons->sizeHint().width();
        left = std::min(left, buttonsLeft - m_indicator->width() - kIndicatorGap);
    }
    m_indicator->move(left, static_cast<int>(100 / tpp));
    m_indicator->raise();
}
