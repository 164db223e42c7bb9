// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/StatusReport.h"

#include <QPixmap>
#include <QStatusBar>
#include <array>
#include <optional>

class QLabel;

// The main window's status bar: sixteen panels drawn from a StatusBarView.
// Clicks are passed on: panel 2 and panel 14 by number, a double-click on any
// panel as its own signal. A double-click is one click followed by one
// double-click, never two clicks.
class StatusBarWidget : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBarWidget(QWidget* parent = nullptr);

    void show(const StatusBarView& view);

    QLabel* panel(int number) const { return m_panels[number - 1]; }
    // Whether the panel is shown as enabled (greyed otherwise).
    bool panelEnabled(int number) const;

signals:
    void panelClicked(int number);
    void panelDoubleClicked(int number);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int panelNumber(const QObject* watched) const;

    std::array<QLabel*, StatusBarView::kPanelCount> m_panels{};
    std::array<bool, StatusBarView::kPanelCount> m_enabled{};
    QLabel* m_picture = nullptr;
    // The lamps, drawn once; the picture shown, set again only when it
    // changes (the bar is shown again on every poll).
    QPixmap m_onlineLamp;
    QPixmap m_offlineLamp;
    std::optional<StatusBarView::Picture> m_shownPicture;
    // The button release that ends a double-click is not a second click.
    bool m_releaseEndsDoubleClick = false;
};
