// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/StatusBarWidget.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace {
constexpr int kLampSize = 12;
// Room left of a panel's text; narrower than a framed label's own, so that
// the window fits a screen 800 pixels wide.
constexpr int kIndent = 2;

// The longest version text, and the text shown in its place.
const QString kVersionSample = QStringLiteral("ECU Version: 8.888   Serial#: 8-8-88-88888 ");
const QString kCrankError = QStringLiteral(" Crank Pickup Error ");

// The texts a panel carries besides its first caption; the width of the
// longest is the panel's width, so that no panel moves when a text changes.
QStringList laterTexts(int index) {
    switch (index) {
    case StatusBarView::kOnline:
        return {QStringLiteral("Online "), QStringLiteral("Offline ")};
    case StatusBarView::kEngine:
        return {QStringLiteral("Running  "), QStringLiteral("Cranking ")};
    case StatusBarView::kLog:
        return {QStringLiteral("Logging Data ")};
    case StatusBarView::kVersion:
    case StatusBarView::kCrankError:
        // They take turns in the same place.
        return {kVersionSample, kCrankError};
    default:
        return {};
    }
}

int widestText(QLabel* label, const QStringList& texts) {
    int widest = 0;
    for (const QString& text : texts) {
        label->setText(text);
        widest = std::max(widest, label->sizeHint().width());
    }
    return widest;
}

// A green lamp for online and a red one for offline.
QPixmap lamp(const QColor& colour) {
    QPixmap pm(kLampSize, kLampSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(160), 1));
    p.setBrush(colour);
    p.drawEllipse(1, 1, 10, 10);
    return pm;
}
} // namespace

StatusBarWidget::StatusBarWidget(QWidget* parent)
    : QStatusBar(parent), m_onlineLamp(lamp(QColor(0, 200, 0))),
      m_offlineLamp(lamp(QColor(220, 0, 0))) {
    setObjectName(QStringLiteral("sbStatusBar"));
    setSizeGripEnabled(false);
    const StatusBarView initial = StatusBarView::initial();
    // The version and the crank pickup error take turns in one place.
    auto* turns = new QWidget(this);
    auto* turnsLayout = new QHBoxLayout(turns);
    turnsLayout->setContentsMargins(0, 0, 0, 0);
    turnsLayout->setSpacing(0);
    int turnsWidest = 0;
    for (int i = 0; i < StatusBarView::kPanelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("sbPanel%1").arg(i + 1));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setIndent(kIndent);
        label->installEventFilter(this);
        m_panels[i] = label;
        const int widest = widestText(label, QStringList{initial.panels[i].text} + laterTexts(i));
        if (i == StatusBarView::kFile) {
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            label->setMinimumWidth(widest);
            addWidget(label, 1);
        } else if (i == StatusBarView::kOnline) {
            label->setFixedWidth(widest);
            // The online panel carries its picture before its text.
            auto* box = new QWidget(this);
            auto* layout = new QHBoxLayout(box);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(2);
            m_picture = new QLabel(box);
            m_picture->setFixedWidth(kLampSize);
            m_picture->installEventFilter(this);
            layout->addWidget(m_picture);
            layout->addWidget(label);
            addWidget(box);
        } else if (i == StatusBarView::kVersion || i == StatusBarView::kCrankError) {
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            turnsLayout->addWidget(label);
            turnsWidest = std::max(turnsWidest, widest);
            if (i == StatusBarView::kVersion) {
                addWidget(turns, 1);
            }
        } else {
            label->setFixedWidth(widest);
            addWidget(label);
        }
    }
    // The file panel and the version share what the fixed panels leave, so
    // that the window fits a screen 800 pixels wide; the version may then be
    // cut, the crank pickup error never.
    turns->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    turns->setMinimumWidth(widestText(m_panels[StatusBarView::kCrankError], {kCrankError}));
    turns->setMaximumWidth(turnsWidest);
    m_panels[StatusBarView::kOnline]->setWhatsThis(
        tr("Shows whether the ECU answers. A green lamp means online, a red one offline."));
    m_panels[StatusBarView::kEngine]->setWhatsThis(
        tr("Shows whether the engine is cranking or running."));
    m_panels[StatusBarView::kFuelPump]->setWhatsThis(tr("Lit while the fuel pump is on."));
    for (int i = 0; i < 4; ++i) {
        m_panels[StatusBarView::kFirstOutput + i]->setWhatsThis(
            tr("Lit while user output %1 is on.").arg(i + 1));
    }
    for (int i = 0; i < 2; ++i) {
        m_panels[StatusBarView::kFirstInput + i]->setWhatsThis(
            tr("Lit while user digital input %1 is active.").arg(i + 1));
    }
    m_panels[StatusBarView::kLog]->setWhatsThis(
        tr("Click to switch data logging on or off. Double-click any panel to close the log "
           "file, so that the next logging run asks for a new file."));
    m_panels[StatusBarView::kVersion]->setWhatsThis(
        tr("Firmware version and serial number of the ECU."));
    m_panels[StatusBarView::kCrankError]->setWhatsThis(
        tr("The ECU sees no valid signal from the crank pickup."));
    show(initial);
}

void StatusBarWidget::show(const StatusBarView& view) {
    for (int i = 0; i < StatusBarView::kPanelCount; ++i) {
        const StatusPanel& p = view.panels[i];
        QLabel* label = m_panels[i];
        if (label->text() != p.text) {
            label->setText(p.text);
        }
        if (label->toolTip() != p.toolTip) {
            label->setToolTip(p.toolTip);
        }
        // A disabled panel is greyed but still takes clicks: a click on the
        // log panel is what switches logging on.
        m_enabled[i] = p.enabled;
        const QPalette::ColorRole role =
            p.enabled ? QPalette::WindowText : QPalette::PlaceholderText;
        if (label->foregroundRole() != role) {
            label->setForegroundRole(role);
        }
        if (label->isVisibleTo(this) != p.visible) {
            label->setVisible(p.visible);
        }
    }
    if (m_shownPicture == view.picture) {
        return;
    }
    m_shownPicture = view.picture;
    switch (view.picture) {
    case StatusBarView::Picture::Online:
        m_picture->setPixmap(m_onlineLamp);
        break;
    case StatusBarView::Picture::Offline:
        m_picture->setPixmap(m_offlineLamp);
        break;
    case StatusBarView::Picture::None:
        m_picture->clear();
        break;
    }
}

bool StatusBarWidget::panelEnabled(int number) const {
    return m_enabled[static_cast<std::size_t>(number - 1)];
}

int StatusBarWidget::panelNumber(const QObject* watched) const {
    if (watched == m_picture) {
        return StatusBarView::kOnline + 1;
    }
    for (int i = 0; i < StatusBarView::kPanelCount; ++i) {
        if (m_panels[i] == watched) {
            return i + 1;
        }
    }
    return 0;
}

bool StatusBarWidget::eventFilter(QObject* watched, QEvent* event) {
    const int number = panelNumber(watched);
    if (number != 0) {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                if (m_releaseEndsDoubleClick) {
                    m_releaseEndsDoubleClick = false;
                } else {
                    emit panelClicked(number);
                }
            }
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            m_releaseEndsDoubleClick = mouse->button() == Qt::LeftButton;
            emit panelDoubleClicked(number);
        }
    }
    return QStatusBar::eventFilter(watched, event);
}
